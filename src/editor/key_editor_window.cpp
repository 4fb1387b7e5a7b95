#include "editor/key_editor_window.h"

#include <windows.h>
#include <commctrl.h>

#include "common/callback_boundary.h"
#include "common/text.h"
#include "editor/add_shortcut_dialog.h"
#include "editor/editor_buttons.h"
#include "editor/editor_layout.h"
#include "editor/function_list.h"
#include "editor/win32_controls.h"

namespace cuevoice {
namespace {

struct ChildSpec {
    const wchar_t* class_name;
    const char* text;
    int id;
    DWORD style;
    DWORD extended_style;
};

constexpr ChildSpec children[15] = {
    {L"STATIC", "&Filter:", -1, 0, 0},
    {L"EDIT", "", id_filter, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {L"STATIC", "&Category:", -1, 0, 0},
    {L"COMBOBOX", "", id_category, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
    {L"STATIC", "F&unctions:", -1, 0, 0},
    {WC_LISTVIEWW, "", id_functions, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
     WS_EX_CLIENTEDGE},
    {L"STATIC", "&Shortcuts of the selected function:", -1, 0, 0},
    {L"LISTBOX", "", id_shortcuts,
     WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE},
    {L"BUTTON", "&Add shortcut...", id_add, WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {L"BUTTON", "&Delete shortcut", id_delete, WS_TABSTOP, 0},
    {L"BUTTON", "Reset to defaul&t", id_reset, WS_TABSTOP, 0},
    {L"BUTTON", "&Run", id_run, WS_TABSTOP, 0},
    {L"BUTTON", "Reset a&ll shortcuts...", id_reset_all, WS_TABSTOP, 0},
    {L"BUTTON", "&Open settings file", id_open_file, WS_TABSTOP, 0},
    {L"BUTTON", "Close", id_close, WS_TABSTOP, 0},
};

struct Column {
    const wchar_t* header;
    int width;
};
constexpr Column columns[4] = {
    {L"Function", 380}, {L"Shortcuts", 230}, {L"Category", 160}, {L"ID", 150}};

void fill_category_box(HWND box) {
    for (const std::string& item : category_box_items())
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(item).c_str()));
    SendMessageW(box, CB_SETCURSEL, 0, 0);
}

void add_list_columns(HWND list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = columns[i].width;
        column.pszText = const_cast<wchar_t*>(columns[i].header);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

// The controls in creation order, as the layout lists them.
std::array<HWND, 15> in_creation_order(const EditorWindows& windows) {
    const auto& l = windows.labels;
    const auto& b = windows.buttons;
    return {l[0], windows.filter,
            l[1], windows.category,
            l[2], windows.functions,
            l[3], windows.shortcuts,
            b[0], b[1],
            b[2], b[3],
            b[4], b[5],
            b[6]};
}

void on_activated(OpenEditor& editor) {
    check_settings_now(editor);
    if (editor.saved_focus != nullptr && IsWindow(editor.saved_focus))
        SetFocus(editor.saved_focus);
}

void handle_command(HWND window, int id, int code) {
    switch (id) {
    case id_add:
        run_add_shortcut_dialog();
        return;
    case id_close:
        DestroyWindow(window);
        return;
    case id_filter:
        if (code == EN_CHANGE)
            on_filter_changed();
        return;
    case id_category:
        if (code == CBN_SELCHANGE)
            on_filter_changed();
        return;
    default:
        break;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case id_delete:
        delete_selected_shortcut();
        break;
    case id_reset:
        reset_selected_function();
        break;
    case id_run:
        run_selected_row();
        break;
    case id_reset_all:
        reset_every_shortcut();
        break;
    case id_open_file:
        open_settings_file();
        break;
    default:
        break;
    }
}

} // namespace

bool create_editor_window(EditorWindows& windows, bool can_run) {
    HWND main = CreateWindowExW(0, L"CuevoiceKeyEditor", L"Cuevoice key editor",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                960, 640, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (main == nullptr)
        return false;
    windows.main = main;
    std::array<HWND, 15> made{};
    for (int i = 0; i < 15; ++i) {
        const ChildSpec& spec = children[i];
        made[static_cast<std::size_t>(i)] = create_child_window(
            main, spec.class_name, spec.text, spec.style, spec.extended_style, spec.id, RECT{});
    }
    windows.labels = {made[0], made[2], made[4], made[6]};
    windows.filter = made[1];
    windows.category = made[3];
    windows.functions = made[5];
    windows.shortcuts = made[7];
    for (std::size_t i = 0; i < 7; ++i)
        windows.buttons[i] = made[8 + i];
    fill_category_box(windows.category);
    add_list_columns(windows.functions);
    if (!can_run)
        EnableWindow(windows.buttons[3], FALSE);
    return true;
}

void layout_editor(OpenEditor& editor) {
    RECT client{};
    GetClientRect(editor.windows.main, &client);
    const auto places = editor_layout(client.right - client.left, client.bottom - client.top);
    const auto controls = in_creation_order(editor.windows);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i] != nullptr)
            MoveWindow(controls[i], places[i].x, places[i].y, places[i].width, places[i].height,
                       TRUE);
    }
}

namespace {

LRESULT on_key_editor_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        if (EditorBorrow editor; editor)
            layout_editor(*editor);
        return 0;
    case WM_ACTIVATE:
        if (EditorBorrow editor; editor) {
            if (LOWORD(wparam) != WA_INACTIVE) {
                on_activated(*editor);
            } else if (HWND focus = GetFocus(); focus != nullptr) {
                editor->saved_focus = focus;
            }
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_NEXTDLGCTL:
        move_dialog_focus(window, wparam, lparam);
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (header->idFrom == static_cast<UINT_PTR>(id_functions)) {
            if (header->code == NM_DBLCLK) {
                run_add_shortcut_dialog();
                return 0;
            }
            if (header->code == LVN_ITEMCHANGED) {
                const auto* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
                if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
                    on_selection_changed();
                return 0;
            }
        }
        break;
    }
    case WM_COMMAND:
        handle_command(window, LOWORD(wparam), HIWORD(wparam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

LRESULT CALLBACK key_editor_wnd_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return callback_boundary(
        [&] { return on_key_editor_message(window, message, wparam, lparam); });
}

bool editor_loop_takes(const MSG& message) {
    if (message.message != WM_KEYDOWN)
        return false;
    HWND target = nullptr;
    HWND functions = nullptr;
    HWND shortcuts = nullptr;
    {
        EditorBorrow editor;
        if (!editor)
            return false;
        target = message.hwnd;
        functions = editor->windows.functions;
        shortcuts = editor->windows.shortcuts;
        if (message.wParam == VK_DOWN && target == editor->windows.filter) {
            SetFocus(functions);
            return true;
        }
    }
    if (message.wParam == VK_DELETE && (target == functions || target == shortcuts)) {
        delete_selected_shortcut();
        return true;
    }
    return false;
}

} // namespace cuevoice
