#pragma once
// Speaking from the key editor: through the open editor's speech handle, at once or, for the
// result of a change, a moment later so that the screen reader first reads the window the
// focus returned to.
#include <string>

#include "editor/editor_commands.h"
#include "editor/editor_state.h"

namespace cuevoice {

// Says the text interrupting; dropped when no editor is open on this thread.
void editor_say(std::string text);

// Says the text queued 600 ms from now, on a short thread of its own.
void say_in_background(const EditorState& state, std::string text);

// Speaks a command's result as the command asked.
void speak_editor_speech(const EditorState& state, const EditorSpeech& speech);

} // namespace cuevoice
