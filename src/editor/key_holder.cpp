#include "editor/key_holder.h"

#include <algorithm>

#include "config/key_chord.h"

namespace cuevoice {

KeyHolder who_holds_key(const EditorModel& model, std::uint32_t modifiers, std::uint32_t vk) {
    const KeyChord wanted{modifiers, vk};
    for (std::string_view reserved : reserved_chords) {
        auto chord = parse_key_chord(reserved);
        if (chord && *chord == wanted)
            return KeyReserved{};
    }
    for (const CustomKey& custom : model.custom_keys) {
        if (custom.modifiers == modifiers && custom.vk == vk)
            return KeyCustom{custom.text};
    }
    const std::string key_text = format_key_chord(modifiers, vk);
    for (const auto& [id, keys] : model.function_keys) {
        if (std::find(keys.begin(), keys.end(), key_text) != keys.end())
            return KeyUsed{id};
    }
    return KeyFree{};
}

std::string key_status_text(const EditorModel& model, std::uint32_t modifiers, std::uint32_t vk,
                            std::string_view target_id) {
    KeyHolder holder = who_holds_key(model, modifiers, vk);
    if (std::holds_alternative<KeyReserved>(holder))
        return "reserved for Windows or the screen reader";
    if (auto* custom = std::get_if<KeyCustom>(&holder))
        return "custom key in the settings file: " + custom->text;
    if (auto* used = std::get_if<KeyUsed>(&holder)) {
        if (used->function_id == target_id)
            return "already a shortcut of this function";
        return "used by " + function_display_name(used->function_id);
    }
    return "free";
}

std::string key_chord_spoken_text(std::string_view key_text) {
    std::string spoken = key_chord_display_text(key_text);
    std::replace(spoken.begin(), spoken.end(), '+', ' ');
    return spoken;
}

} // namespace cuevoice
