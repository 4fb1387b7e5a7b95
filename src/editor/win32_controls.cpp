#include "editor/win32_controls.h"

#include <string>

#include "common/text.h"
#include "common/win_handle.h"

namespace cuevoice {

ATOM register_window_class(const wchar_t* class_name, WNDPROC procedure) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = 0;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    window_class.lpszClassName = class_name;
    return RegisterClassExW(&window_class);
}

HWND create_child_window(HWND parent, const wchar_t* class_name, std::string_view text, DWORD style,
                         DWORD extended_style, int id, RECT rectangle) {
    const std::wstring wide_text = to_wide(text);
    HWND child = CreateWindowExW(extended_style, class_name, wide_text.c_str(),
                                 style | WS_CHILD | WS_VISIBLE, rectangle.left, rectangle.top,
                                 rectangle.right - rectangle.left, rectangle.bottom - rectangle.top,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (child != nullptr)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     TRUE);
    return child;
}

bool editor_message_box(HWND owner, std::string_view text, UINT flags) {
    return MessageBoxW(owner, to_wide(text).c_str(), L"Cuevoice key editor", flags) == IDYES;
}

UINT prompt_flags(PromptKind kind) {
    switch (kind) {
    case PromptKind::information:
        return MB_ICONINFORMATION;
    case PromptKind::question:
        return MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
    case PromptKind::error:
        break;
    }
    return MB_ICONERROR;
}

Ask message_box_asker(HWND owner) {
    return [owner](const Prompt& prompt) {
        return editor_message_box(owner, prompt.text, prompt_flags(prompt.kind));
    };
}

void move_dialog_focus(HWND window, WPARAM wparam, LPARAM lparam) {
    HWND target = LOWORD(lparam) != 0 ? reinterpret_cast<HWND>(wparam)
                                      : GetNextDlgTabItem(window, GetFocus(), wparam != 0);
    if (target == nullptr)
        return;
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(target, EM_SETSEL, 0, -1);
    SetFocus(target);
}

void open_in_notepad(const std::wstring& path) {
    // By its full path in the system folder: a bare name is looked for beside the program and in
    // the current folder first, where a notepad.exe of anybody's would run instead.
    wchar_t system_folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system_folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const std::wstring notepad = std::wstring(system_folder, length) + L"\\notepad.exe";
    std::wstring command = L"\"" + notepad + L"\" \"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(notepad.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
        // Notepad runs on by itself: nothing waits for it.
        UniqueHandle thread(process.hThread);
        UniqueHandle child(process.hProcess);
    }
}

} // namespace cuevoice
