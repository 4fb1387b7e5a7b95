#include "editor/editor_speech.h"

#include <chrono>
#include <thread>

#include "common/threads.h"
#include "editor/editor_slot.h"

namespace cuevoice {

void editor_say(std::string text) {
    EditorBorrow editor;
    if (editor && editor->state.hooks)
        say(editor->state.hooks->speech, std::move(text));
}

void say_in_background(const EditorState& state, std::string text) {
    if (!state.hooks)
        return;
    Speech speech = state.hooks->speech;
    spawn_detached([speech = std::move(speech), text = std::move(text)]() mutable {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        say_queued(speech, std::move(text));
    });
}

void speak_editor_speech(const EditorState& state, const EditorSpeech& speech) {
    if (!state.hooks)
        return;
    if (speech.timing == SpeechTiming::delayed_queued)
        say_in_background(state, speech.text);
    else
        say(state.hooks->speech, speech.text);
}

} // namespace cuevoice
