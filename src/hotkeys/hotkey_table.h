#pragma once
// The hot-key table and what registration does with it, apart from the system calls: which
// rows are registered with which modifiers, which keys failed, which press a hot-key id
// means and when a pending table takes over.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/key_map.h"
#include "context/hotkey_press.h"

namespace cuevoice {

// Keeps a held key from sending one WM_HOTKEY after another.
inline constexpr std::uint32_t mod_norepeat = 0x4000;

struct HotKeyState {
    // Absent until the loop installs its first table; a row's hot-key id is its position.
    std::optional<std::vector<HotKeyRow>> table;
    // Key texts whose registration failed, each once, in the order of failure.
    std::vector<std::string> failed;
    // A table waiting to replace `table`.
    std::optional<std::vector<HotKeyRow>> pending;
    // Whether the table's rows are registered now.
    bool registered = false;
};

// The system side of registration, on the thread that owns the registrations.
class HotKeyRegistrar {
public:
    virtual ~HotKeyRegistrar() = default;
    // False when the chord cannot be registered (another program holds it).
    virtual bool register_key(int id, std::uint32_t modifiers, std::uint32_t vk) = 0;
    virtual void unregister_key(int id) = 0;
};

// The modifiers a row is registered with: MOD_NOREPEAT unless the row repeats.
std::uint32_t registration_modifiers(const HotKeyRow& row);

// Registers or unregisters every row so that the state matches `want`. A failed chord is
// logged as "hotkey {} is taken by another program" the first time its text fails, and
// listed in `failed`. Returns whether anything changed (false without a table).
bool apply_registration(HotKeyState& state, bool want, HotKeyRegistrar& registrar);

// The job for a WM_HOTKEY id; none without a table or for an id beyond it.
std::optional<HotKeyPress> press_for_hotkey(const HotKeyState& state, std::uint64_t id);

// The job for the first row bound to the chord, whatever its spelling; none without a table or
// when no row has that chord. Registration does not matter.
std::optional<HotKeyPress> press_for_chord(const HotKeyState& state, std::uint32_t modifiers,
                                           std::uint32_t vk);

// Keeps a reloaded table for the loop. Without an installed table (the loop has not started)
// the rows are dropped and false is returned.
bool store_pending(HotKeyState& state, std::vector<HotKeyRow> rows);

// Puts the pending table in place of the installed one and empties the failed list, so a key
// that still fails is reported again. Only while the rows are unregistered. Returns whether a
// table was swapped in.
bool install_pending(HotKeyState& state);

// The failed key texts; empty while no table is installed.
std::vector<std::string> failed_keys(const HotKeyState& state);

// The foreground rule: keys on exactly when the window belongs to Mixxx.
bool hotkeys_wanted(std::uint32_t window_pid, std::uint32_t mixxx_pid);

// "hotkeys {} by {} (foreground: {} of process {})".
std::string hotkeys_change_text(bool on, std::string_view reason, std::string_view window_class,
                                std::uint32_t pid);

} // namespace cuevoice
