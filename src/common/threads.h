#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace cuevoice {

// Where fatal_error writes its "fatal: " line. Until one is set (the log sets itself when it
// opens), the line goes to standard output.
using FatalLog = void (*)(std::string_view line);
void set_fatal_log(FatalLog log);

// Ends the process: conditions that cannot fail on valid data land here with a fixed message.
[[noreturn]] void fatal_error(std::string_view message, std::string_view detail = {});

// Starts a detached thread with the given name; a thread that cannot be created is fatal
// with `fatal_message`.
void spawn_named(std::string name, std::string_view fatal_message, std::function<void()> body);

// Starts a detached thread without a name, for the short-lived helpers.
void spawn_detached(std::function<void()> body);

} // namespace cuevoice
