#include "editor/add_shortcut_dialog.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "common/callback_boundary.h"
#include "common/mixxx_window.h"
#include "common/text.h"
#include "config/key_chord.h"
#include "editor/capture_filter.h"
#include "editor/editor_speech.h"
#include "editor/function_list.h"
#include "editor/key_holder.h"
#include "editor/thread_slot.h"
#include "editor/win32_controls.h"

namespace cuevoice {
namespace {

constexpr int id_capture = 200;
constexpr int id_ctrl = 201;
constexpr int id_win = 204;
constexpr int id_key_list = 205;
constexpr int id_deck_list = 206;
constexpr int dialog_width = 440;

struct AddShortcutState {
    bool has_deck_list = false;
    HWND deck_list = nullptr;
    std::string function_id; // the catalogue id, without "@deck"
    HWND capture = nullptr;
    std::array<HWND, 4> modifier_boxes{}; // Ctrl, Alt, Shift, Windows
    HWND key_list = nullptr;
    bool done = false;
};

using DialogSlot = ThreadSlot<AddShortcutState>;
using DialogBorrow = DialogSlot::Borrow;

// The check boxes' bits in their order on screen, and the names used in key texts.
constexpr std::array<std::uint32_t, 4> box_bits{modifier_ctrl, modifier_alt, modifier_shift,
                                                modifier_win};
constexpr std::array<const char*, 4> modifier_names{"ctrl", "alt", "shift", "win"};

std::string dialog_target_id(const AddShortcutState& state) {
    if (state.has_deck_list) {
        LRESULT deck = SendMessageW(state.deck_list, CB_GETCURSEL, 0, 0);
        if (deck > 0)
            return state.function_id + "@deck" + std::to_string(deck);
    }
    return state.function_id;
}

std::optional<KeyChord> chord_from_picker(const AddShortcutState& state) {
    LRESULT key = SendMessageW(state.key_list, CB_GETCURSEL, 0, 0);
    const auto& names = all_key_names();
    if (key < 0 || static_cast<std::size_t>(key) >= names.size())
        return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < 4; ++i) {
        if (SendMessageW(state.modifier_boxes[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
            text += std::string(modifier_names[i]) + "+";
    }
    text += names[static_cast<std::size_t>(key)];
    auto chord = parse_key_chord(text);
    if (!chord)
        return std::nullopt;
    return *chord;
}

void set_capture_text(const AddShortcutState& state, const std::string& text) {
    SetWindowTextW(state.capture, to_wide(text).c_str());
}

void show_picked_chord(const AddShortcutState& state) {
    auto chord = chord_from_picker(state);
    set_capture_text(state,
                     chord ? key_chord_display_text(format_key_chord(chord->modifiers, chord->vk))
                           : std::string());
}

std::string show_captured_chord(const AddShortcutState& state, const KeyChord& chord) {
    for (std::size_t i = 0; i < 4; ++i)
        SendMessageW(state.modifier_boxes[i], BM_SETCHECK,
                     (chord.modifiers & box_bits[i]) ? BST_CHECKED : BST_UNCHECKED, 0);
    const auto& names = all_key_names();
    std::optional<std::string> name = key_name_of_vk(chord.vk);
    LRESULT position = -1;
    for (std::size_t i = 0; name && i < names.size(); ++i) {
        if (names[i] == *name) {
            position = static_cast<LRESULT>(i);
            break;
        }
    }
    SendMessageW(state.key_list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    set_capture_text(state, key_chord_display_text(format_key_chord(chord.modifiers, chord.vk)));
    return dialog_target_id(state);
}

bool key_down(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

ModifiersDown modifiers_down() {
    return {key_down(VK_CONTROL), key_down(VK_MENU), key_down(VK_LWIN) || key_down(VK_RWIN)};
}

void capture_key(std::uint32_t vk) {
    std::optional<std::string> name = key_name_of_vk(vk);
    if (!name) {
        editor_say("This key can't be used.");
        return;
    }
    const std::array<bool, 4> down{key_down(VK_CONTROL), key_down(VK_MENU), key_down(VK_SHIFT),
                                   key_down(VK_LWIN) || key_down(VK_RWIN)};
    std::string text;
    for (std::size_t i = 0; i < 4; ++i) {
        if (down[i])
            text += std::string(modifier_names[i]) + "+";
    }
    text += *name;
    auto chord = parse_key_chord(text);
    if (!chord)
        return;
    std::string target;
    {
        DialogBorrow dialog;
        if (!dialog)
            return;
        target = show_captured_chord(*dialog, *chord);
    }
    std::string status;
    {
        EditorBorrow editor;
        if (!editor)
            return;
        status = key_status_text(editor->state.model, chord->modifiers, chord->vk, target);
    }
    editor_say(key_chord_spoken_text(format_key_chord(chord->modifiers, chord->vk)) + ", " +
               status);
}

// True when the message was the capture box's and has been dealt with here.
bool capture_box_takes(const MSG& message) {
    HWND capture = nullptr;
    {
        DialogBorrow dialog;
        if (!dialog)
            return false;
        capture = dialog->capture;
    }
    if (message.hwnd != capture)
        return false;
    const auto vk = static_cast<std::uint32_t>(message.wParam);
    switch (capture_box_action(message.message, vk, modifiers_down())) {
    case CaptureAction::normal:
        return false;
    case CaptureAction::drop:
        return true;
    case CaptureAction::capture:
        capture_key(vk);
        return true;
    }
    return false;
}

void accept(HWND dialog_window) {
    FocusKeeper focus;
    std::optional<KeyChord> chord;
    std::string target;
    {
        DialogBorrow dialog;
        if (!dialog)
            return;
        chord = chord_from_picker(*dialog);
        target = dialog_target_id(*dialog);
    }
    if (!chord) {
        editor_message_box(dialog_window, "Press a shortcut, or choose a key first.",
                           MB_ICONINFORMATION);
        return;
    }
    bool close = false;
    {
        EditorBorrow editor;
        if (!editor)
            return;
        CommandOutcome outcome = assign_shortcut(editor->state, target, chord->modifiers, chord->vk,
                                                 message_box_asker(dialog_window));
        apply_outcome(*editor, outcome);
        close = outcome.close_dialog;
    }
    if (close) {
        if (DialogBorrow dialog; dialog)
            dialog->done = true;
    }
}

void set_done() {
    if (DialogBorrow dialog; dialog)
        dialog->done = true;
}

struct DialogControl {
    const wchar_t* class_name;
    const char* text;
    int id;
    DWORD style;
    DWORD extended_style;
    RECT place; // left, top, right, bottom
};

RECT at(int x, int y, int width, int height) {
    return {x, y, x + width, y + height};
}

HWND make(HWND parent, const DialogControl& control) {
    return create_child_window(parent, control.class_name, control.text, control.style,
                               control.extended_style, control.id, control.place);
}

} // namespace

void run_add_shortcut_dialog() {
    std::optional<FunctionRow> row;
    HWND main = nullptr;
    {
        EditorBorrow editor;
        if (!editor || DialogSlot::filled())
            return;
        row = selected_function_row(*editor);
        main = editor->windows.main;
    }
    if (!row)
        return;

    RECT editor_rect{};
    GetWindowRect(main, &editor_rect);
    const bool has_deck_list = row->function->deck_function;
    const int height = has_deck_list ? 300 : 260;
    const int x = editor_rect.left + (editor_rect.right - editor_rect.left - dialog_width) / 2;
    const int y = editor_rect.top + (editor_rect.bottom - editor_rect.top - height) / 2;
    const std::wstring title = to_wide("Add shortcut: " + function_row_columns(*row, {})[0]);
    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, L"CuevoiceAddShortcut", title.c_str(),
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, dialog_width, height,
                                  main, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (dialog == nullptr)
        return;

    auto state = std::make_unique<AddShortcutState>();
    state->has_deck_list = has_deck_list;
    state->function_id = row->function->id;
    const int buttons_y = has_deck_list ? 210 : 170;
    make(dialog, {L"STATIC", "&Press the shortcut:", -1, 0, 0, at(12, 14, 150, 20)});
    state->capture = make(dialog, {L"EDIT", "", id_capture, WS_TABSTOP | WS_BORDER | ES_READONLY,
                                   WS_EX_CLIENTEDGE, at(165, 11, 250, 23)});
    make(dialog, {L"STATIC", "Or choose it here:", -1, 0, 0, at(12, 50, 300, 20)});
    const std::array<DialogControl, 4> boxes{{
        {L"BUTTON", "&Ctrl", id_ctrl, WS_TABSTOP | BS_AUTOCHECKBOX, 0, at(12, 74, 90, 22)},
        {L"BUTTON", "A&lt", id_ctrl + 1, WS_TABSTOP | BS_AUTOCHECKBOX, 0, at(110, 74, 90, 22)},
        {L"BUTTON", "&Shift", id_ctrl + 2, WS_TABSTOP | BS_AUTOCHECKBOX, 0, at(208, 74, 90, 22)},
        {L"BUTTON", "&Windows", id_win, WS_TABSTOP | BS_AUTOCHECKBOX, 0, at(306, 74, 100, 22)},
    }};
    for (std::size_t i = 0; i < 4; ++i)
        state->modifier_boxes[i] = make(dialog, boxes[i]);
    make(dialog, {L"STATIC", "&Key:", -1, 0, 0, at(12, 112, 140, 20)});
    state->key_list =
        make(dialog, {L"COMBOBOX", "", id_key_list, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                      at(165, 109, 250, 400)});
    for (const std::string& name : all_key_names())
        SendMessageW(state->key_list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(to_wide(key_chord_display_text(name)).c_str()));
    if (has_deck_list) {
        make(dialog, {L"STATIC", "&Deck:", -1, 0, 0, at(12, 153, 140, 20)});
        state->deck_list =
            make(dialog, {L"COMBOBOX", "", id_deck_list, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                          0, at(165, 150, 250, 300)});
        SendMessageW(state->deck_list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Current deck"));
        for (int deck = 1; deck <= 4; ++deck)
            SendMessageW(state->deck_list, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>((L"Deck " + std::to_wstring(deck)).c_str()));
        SendMessageW(state->deck_list, CB_SETCURSEL, row->fixed_deck.value_or(0), 0);
    }
    make(dialog,
         {L"BUTTON", "OK", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, at(220, buttons_y, 95, 28)});
    make(dialog, {L"BUTTON", "Cancel", IDCANCEL, WS_TABSTOP, 0, at(325, buttons_y, 95, 28)});

    const HWND capture = state->capture;
    DialogSlot::put(std::move(state));
    EnableWindow(main, FALSE);
    ShowWindow(dialog, SW_SHOW);
    SetFocus(capture);

    MSG message;
    while (true) {
        {
            DialogBorrow open;
            if (!DialogSlot::filled() || (open && open->done))
                break;
        }
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0)
            break;
        if (capture_box_takes(message))
            continue;
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    EnableWindow(main, TRUE);
    DestroyWindow(dialog);
    DialogSlot::take().reset();
    bring_to_front(main);
}

namespace {

LRESULT on_add_shortcut_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CLOSE:
        set_done();
        return 0;
    case WM_NEXTDLGCTL:
        move_dialog_focus(window, wparam, lparam);
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wparam);
        const int code = HIWORD(wparam);
        if (id == IDOK) {
            accept(window);
        } else if (id == IDCANCEL) {
            set_done();
        } else if ((id >= id_ctrl && id <= id_win && code == BN_CLICKED) ||
                   (id == id_key_list && code == CBN_SELCHANGE)) {
            if (DialogBorrow dialog; dialog)
                show_picked_chord(*dialog);
        }
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

LRESULT CALLBACK add_shortcut_wnd_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return callback_boundary(
        [&] { return on_add_shortcut_message(window, message, wparam, lparam); });
}

} // namespace cuevoice
