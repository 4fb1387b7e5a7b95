#include "hotkeys/hotkey_table.h"

#include <algorithm>
#include <utility>

#include "applog/applog.h"

namespace cuevoice {

std::uint32_t registration_modifiers(const HotKeyRow& row) {
    return row.repeat ? row.modifiers : row.modifiers | mod_norepeat;
}

bool apply_registration(HotKeyState& state, bool want, HotKeyRegistrar& registrar) {
    if (!state.table || state.registered == want)
        return false;
    const std::vector<HotKeyRow>& rows = *state.table;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int id = static_cast<int>(i);
        if (!want) {
            registrar.unregister_key(id);
            continue;
        }
        if (registrar.register_key(id, registration_modifiers(rows[i]), rows[i].vk))
            continue;
        if (std::find(state.failed.begin(), state.failed.end(), rows[i].key_text) !=
            state.failed.end())
            continue;
        app_log("hotkey " + rows[i].key_text + " is taken by another program");
        state.failed.push_back(rows[i].key_text);
    }
    state.registered = want;
    return true;
}

std::optional<HotKeyPress> press_for_hotkey(const HotKeyState& state, std::uint64_t id) {
    if (!state.table || id >= state.table->size())
        return std::nullopt;
    const HotKeyRow& row = (*state.table)[static_cast<std::size_t>(id)];
    return HotKeyPress{row.key_text, row.bound};
}

std::optional<HotKeyPress> press_for_chord(const HotKeyState& state, std::uint32_t modifiers,
                                           std::uint32_t vk) {
    if (!state.table)
        return std::nullopt;
    for (const HotKeyRow& row : *state.table)
        if (row.modifiers == modifiers && row.vk == vk)
            return HotKeyPress{row.key_text, row.bound};
    return std::nullopt;
}

bool store_pending(HotKeyState& state, std::vector<HotKeyRow> rows) {
    if (!state.table)
        return false;
    state.pending = std::move(rows);
    return true;
}

bool install_pending(HotKeyState& state) {
    if (!state.table || !state.pending || state.registered)
        return false;
    state.table = std::move(*state.pending);
    state.pending.reset();
    state.failed.clear();
    return true;
}

std::vector<std::string> failed_keys(const HotKeyState& state) {
    if (!state.table)
        return {};
    return state.failed;
}

bool hotkeys_wanted(std::uint32_t window_pid, std::uint32_t mixxx_pid) {
    return window_pid != 0 && window_pid == mixxx_pid;
}

std::string hotkeys_change_text(bool on, std::string_view reason, std::string_view window_class,
                                std::uint32_t pid) {
    std::string text = on ? "hotkeys on by " : "hotkeys off by ";
    text.append(reason);
    text += " (foreground: ";
    text.append(window_class);
    text += " of process ";
    text += std::to_string(pid);
    text += ")";
    return text;
}

} // namespace cuevoice
