#pragma once
// Opening the key editor: at most one window per process, on a thread of its own ("key-editor")
// or, for "--open-settings" without a running copy, on the calling thread.
#include <atomic>
#include <cstdint>
#include <memory>

#include "editor/editor_hooks.h"

namespace cuevoice {

// 0: no editor; -1: one is being opened; otherwise the handle of the open editor window.
extern std::atomic<std::intptr_t> editor_window;

// Moves editor_window from 0 to -1; false when an editor is open or being opened.
bool claim_editor_window();

// Opens the editor on the thread "key-editor", or brings the open one to the front. Returns at
// once: the run calls it while holding its opener lock.
void open_key_editor(const std::shared_ptr<EditorHooks>& hooks);

// Body of the thread "key-editor".
void key_editor_thread(std::shared_ptr<EditorHooks> hooks);

// Builds, shows and runs the editor until it is closed. The caller has moved editor_window
// from 0 to -1; it is 0 again when this returns.
void run_key_editor(std::shared_ptr<EditorHooks> hooks);

} // namespace cuevoice
