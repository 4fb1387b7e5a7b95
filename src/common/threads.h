#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace cuevoice {

// Starts a detached thread with the given name; a thread that cannot be created is fatal
// with `fatal_message`.
void spawn_named(std::string name, std::string_view fatal_message, std::function<void()> body);

// Starts a detached thread without a name, for the short-lived helpers.
void spawn_detached(std::function<void()> body);

} // namespace cuevoice
