#include "editor/editor_commands.h"

#include <algorithm>

#include "config/key_chord.h"
#include "config/settings_file.h"
#include "editor/key_holder.h"
#include "editor/save_settings.h"

namespace cuevoice {
namespace {

constexpr std::uint32_t command_modifiers = modifier_ctrl | modifier_alt | modifier_win;

std::vector<std::string>& keys_at(EditorState& state, const std::string& id) {
    return state.model.function_keys[id];
}

void remember_per_deck_id(EditorState& state, const std::string& id) {
    if (id.find('@') != std::string::npos)
        state.per_deck_ids.insert(id);
}

void remove_key(std::vector<std::string>& keys, const std::string& key) {
    keys.erase(std::remove(keys.begin(), keys.end(), key), keys.end());
}

bool custom_key_takes(const EditorModel& model, const KeyChord& chord) {
    return std::any_of(model.custom_keys.begin(), model.custom_keys.end(),
                       [&](const CustomKey& custom) {
                           return custom.modifiers == chord.modifiers && custom.vk == chord.vk;
                       });
}

EditorSpeech now(std::string text) {
    return {std::move(text), SpeechTiming::interrupting};
}

EditorSpeech later(std::string text) {
    return {std::move(text), SpeechTiming::delayed_queued};
}

} // namespace

CommandOutcome assign_shortcut(EditorState& state, std::string_view target_id,
                               std::uint32_t modifiers, std::uint32_t vk, const Ask& ask) {
    // A key without a name would be written as a text that never reads back, and be lost.
    if (!key_name_of_vk(vk)) {
        CommandOutcome outcome;
        outcome.speech = EditorSpeech{"This key can't be used.", SpeechTiming::interrupting};
        return outcome;
    }
    const std::string target(target_id);
    const std::string key = format_key_chord(modifiers, vk);
    const std::string shown = key_chord_display_text(key);
    const std::string spoken = key_chord_spoken_text(key);
    const std::string target_name = function_display_name(target);

    KeyHolder holder = who_holds_key(state.model, modifiers, vk);
    if (std::holds_alternative<KeyReserved>(holder)) {
        ask({PromptKind::information,
             shown + " is needed by Windows or the screen reader. Choose another key."});
        return {};
    }
    if (auto* custom = std::get_if<KeyCustom>(&holder)) {
        ask({PromptKind::information, shown + " is a custom key in the settings file (" +
                                          custom->text +
                                          "). Change it there, or choose another key."});
        return {};
    }
    std::optional<std::string> other;
    if (auto* used = std::get_if<KeyUsed>(&holder)) {
        if (used->function_id == target) {
            CommandOutcome outcome;
            outcome.close_dialog = true;
            outcome.speech = later(spoken + " is already a shortcut of " + target_name);
            return outcome;
        }
        other = used->function_id;
    }
    if ((modifiers & command_modifiers) == 0 &&
        !ask({PromptKind::question,
              shown + " has no Ctrl, Alt or Windows key. While Mixxx is in front it will do only "
                      "this, so it no longer types or works in Mixxx itself (for example in the "
                      "library search).\n\nUse it anyway?"}))
        return {};
    if (other &&
        !ask({PromptKind::question, shown + " is the shortcut of " + function_display_name(*other) +
                                        ".\n\nMove it to " + target_name + "?"}))
        return {};

    if (other)
        remove_key(keys_at(state, *other), key);
    keys_at(state, target).push_back(key);
    remember_per_deck_id(state, target);

    if (auto saved = save_settings(state); !saved) {
        ask({PromptKind::error, saved.error()});
        return {};
    }
    CommandOutcome outcome;
    outcome.close_dialog = true;
    outcome.list_update = ListUpdate::refresh_row;
    outcome.keep_id = target;
    outcome.select_key = key;
    std::string said = spoken + " added to " + target_name;
    if (other)
        said += ", removed from " + function_display_name(*other);
    outcome.speech = later(std::move(said));
    return outcome;
}

CommandOutcome delete_shortcut(EditorState& state, const FunctionRow& row,
                               std::optional<std::size_t> chosen_position) {
    CommandOutcome outcome;
    auto found = state.model.function_keys.find(row.id);
    if (found == state.model.function_keys.end() || found->second.empty()) {
        outcome.speech = now("No shortcut to delete.");
        return outcome;
    }
    std::vector<std::string>& keys = found->second;
    const std::size_t old_count = keys.size();
    std::size_t position;
    if (chosen_position && *chosen_position < old_count) {
        position = *chosen_position;
    } else if (old_count == 1) {
        position = 0;
    } else {
        outcome.speech = now("Choose the shortcut in the shortcuts list first.");
        return outcome;
    }
    const std::string deleted = keys[position];
    keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(position));
    remember_per_deck_id(state, row.id);

    if (auto saved = save_settings(state); !saved) {
        outcome.speech = now(saved.error());
        return outcome;
    }
    outcome.list_update = ListUpdate::refresh_row;
    outcome.keep_id = row.id;
    const std::vector<std::string>& left = state.model.function_keys[row.id];
    if (!left.empty()) {
        std::size_t select = old_count >= 2 ? std::min(position, old_count - 2) : 0;
        outcome.select_key = left[select];
    }
    outcome.speech =
        now(key_chord_spoken_text(deleted) + " removed from " + function_display_name(row.id));
    return outcome;
}

std::vector<std::pair<std::string, std::string>>
default_keys_taken(const EditorModel& model, const std::vector<std::string>& default_keys,
                   std::string_view row_id) {
    std::vector<std::pair<std::string, std::string>> taken;
    for (const std::string& text : default_keys) {
        auto chord = parse_key_chord(text);
        if (!chord)
            continue;
        KeyHolder holder = who_holds_key(model, chord->modifiers, chord->vk);
        if (auto* used = std::get_if<KeyUsed>(&holder); used && used->function_id != row_id)
            taken.emplace_back(text, used->function_id);
    }
    return taken;
}

CommandOutcome reset_function_keys(EditorState& state, const FunctionRow& row, const Ask& ask) {
    const std::vector<std::string>& defaults = row.function->default_keys;
    const auto taken = default_keys_taken(state.model, defaults, row.id);
    bool move_back = false;
    if (!taken.empty()) {
        std::string holders;
        for (const auto& [key, holder] : taken) {
            if (!holders.empty())
                holders += ", ";
            holders += key_chord_display_text(key) + " (" + function_display_name(holder) + ")";
        }
        move_back =
            ask({PromptKind::question,
                 "Default keys of this function are used by other functions now: " + holders +
                     ".\n\nMove them back here?"});
    }
    auto is_taken = [&](const std::string& text) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const auto& pair) { return pair.first == text; });
    };
    std::vector<std::string> keys;
    for (const std::string& text : defaults) {
        auto chord = parse_key_chord(text);
        if (!chord || custom_key_takes(state.model, *chord))
            continue;
        if (is_taken(text) && !move_back)
            continue;
        const std::string key = format_key_chord(chord->modifiers, chord->vk);
        if (std::find(keys.begin(), keys.end(), key) != keys.end())
            continue;
        for (auto& [id, held] : state.model.function_keys) {
            if (id != row.id)
                remove_key(held, key);
        }
        keys.push_back(key);
    }
    state.model.function_keys[row.id] = keys;

    if (auto saved = save_settings(state); !saved) {
        ask({PromptKind::error, saved.error()});
        return {};
    }
    CommandOutcome outcome;
    outcome.list_update = ListUpdate::refresh_row;
    outcome.keep_id = row.id;
    std::string said = function_display_name(row.id) + ": ";
    if (keys.empty()) {
        said += "no shortcuts";
    } else {
        for (std::size_t i = 0; i < keys.size(); ++i)
            said += (i > 0 ? ", " : "") + key_chord_spoken_text(keys[i]);
    }
    outcome.speech = now(std::move(said));
    return outcome;
}

CommandOutcome reset_all_shortcuts(EditorState& state, const Ask& ask) {
    if (!ask({PromptKind::question, "Remove all your shortcut changes and use the default keys "
                                    "again?\n\nCustom keys in the advanced part of the settings "
                                    "file stay."}))
        return {};
    auto settings = read_settings_file(state.config_path);
    if (!settings) {
        ask({PromptKind::error, settings.error()});
        return {};
    }
    settings->shortcuts.clear();
    auto model = build_editor_model(*settings);
    if (!model) {
        ask({PromptKind::error, model.error()});
        return {};
    }
    state.model = std::move(*model);
    if (auto saved = save_settings(state); !saved) {
        ask({PromptKind::error, saved.error()});
        return {};
    }
    CommandOutcome outcome;
    outcome.list_update = ListUpdate::rebuild;
    outcome.speech = now("All shortcuts are back to the defaults.");
    return outcome;
}

void run_selected_function(const EditorState& state, const FunctionRow& row) {
    if (state.hooks && state.hooks->run)
        (*state.hooks->run)(row.id);
}

} // namespace cuevoice
