#pragma once
// The key editor's commands on its state: assigning a chord, deleting a key, resetting one
// function or all of them, and running a function. Each decides, changes the model, saves and
// says what the window is to do next; the window asks the questions and speaks.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/editor_state.h"

namespace cuevoice {

// A message box the window shows (caption "Cuevoice key editor").
enum class PromptKind {
    information, // MB_ICONINFORMATION, one OK button
    question,    // MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2: No is the default
    error,       // MB_ICONERROR, one OK button
};
struct Prompt {
    PromptKind kind;
    std::string text;

    bool operator==(const Prompt&) const = default;
};

// Shows the prompt and gives true only when a question was answered Yes.
using Ask = std::function<bool(const Prompt&)>;

enum class SpeechTiming {
    interrupting,   // said at once, cutting off what is being spoken
    delayed_queued, // said 600 ms later, queued (say_in_background)
};
struct EditorSpeech {
    std::string text;
    SpeechTiming timing;

    bool operator==(const EditorSpeech&) const = default;
};

enum class ListUpdate {
    none,
    refresh_row, // refresh_function_row with keep_id, then fill the shortcut list
    rebuild,     // rebuild_function_list with keep_id (none: keep the current selection's id)
};

// What the window does after a command, in this order: update the lists (selecting
// select_key in the shortcut list), then speak.
struct CommandOutcome {
    bool close_dialog = false; // assigning only: the add-shortcut dialog may close
    ListUpdate list_update = ListUpdate::none;
    std::optional<std::string> keep_id;
    std::optional<std::string> select_key; // canonical key text to select in the shortcut list
    std::optional<EditorSpeech> speech;

    bool operator==(const CommandOutcome&) const = default;
};

// Gives the target id ("play", "play@deck2") the chord, after the refusals and questions:
// reserved, [[keys]], the target's own key, no Ctrl/Alt/Windows, moving from another function.
CommandOutcome assign_shortcut(EditorState& state, std::string_view target_id,
                               std::uint32_t modifiers, std::uint32_t vk, const Ask& ask);

// Deletes one key of the row's function: the shortcut list's chosen position when it is valid,
// else the only key.
CommandOutcome delete_shortcut(EditorState& state, const FunctionRow& row,
                               std::optional<std::size_t> chosen_position);

// The default keys that other functions hold now: (key text, holder id).
std::vector<std::pair<std::string, std::string>>
default_keys_taken(const EditorModel& model, const std::vector<std::string>& default_keys,
                   std::string_view row_id);

// Gives the row's id its catalogue defaults again, asking first whether to take back defaults
// that other functions hold now; defaults that [[keys]] entries take are left out.
CommandOutcome reset_function_keys(EditorState& state, const FunctionRow& row, const Ask& ask);

// After a Yes: every [shortcuts] entry goes (unknown ids too); [[keys]] entries stay.
CommandOutcome reset_all_shortcuts(EditorState& state, const Ask& ask);

// Hands the row's id ("@deckN" included) to the run's callback; without one, nothing happens.
void run_selected_function(const EditorState& state, const FunctionRow& row);

} // namespace cuevoice
