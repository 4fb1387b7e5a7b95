#pragma once
// The three callbacks a run builds: running a function for the key editor, reloading the keys
// after the editor saved the settings file, and opening the editor. Ownership runs one way:
// context -> opener -> hooks -> run callback -> a weak reference back to the context.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "context/context.h"
#include "editor/editor_hooks.h"

namespace cuevoice {

using RunFunctionById = std::function<void(const std::string& function_id)>;

// Runs a catalogue function on a thread of its own while the context lives; an unknown id or
// a context already gone does nothing.
RunFunctionById make_run_function_by_id(WeakContext context, std::uint32_t mixxx_process_id);

// Builds the hooks and stores the key-editor opener in the context.
std::shared_ptr<EditorHooks> install_run_callbacks(const SharedContext& context,
                                                   std::uint32_t mixxx_process_id,
                                                   const std::filesystem::path& settings_path);

} // namespace cuevoice
