// Another program on the desktop: a visible window that reports on standard output, one line
// each, what reaches it, so a test sees where a key press went.
//
//   key_window.exe <title> <class name> [<modifiers>,<virtual key> ...]
//
// Each chord after the names is registered as a hot key first ("registered 3,84" or
// "taken 3,84"). Then "ready <process id>" once the window is shown, "key <vk>" for every key
// that goes down in the window and "hotkey <id>" for every hot key of its own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void report(const std::string& line) {
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        report("key " + std::to_string(wparam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        report("usage: key_window <title> <class name> [<modifiers>,<virtual key> ...]");
        return 2;
    }
    for (int i = 3; i < argc; ++i) {
        wchar_t* rest = nullptr;
        unsigned long modifiers = std::wcstoul(argv[i], &rest, 10);
        unsigned long vk = *rest == L',' ? std::wcstoul(rest + 1, nullptr, 10) : 0;
        std::string chord = std::to_string(modifiers) + "," + std::to_string(vk);
        report((RegisterHotKey(nullptr, i, modifiers, vk) ? "registered " : "taken ") + chord);
    }

    WNDCLASSEXW window_class{sizeof window_class};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = argv[2];
    RegisterClassExW(&window_class);
    HWND window = CreateWindowExW(0, argv[2], argv[1], WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                                  400, 300, nullptr, nullptr, window_class.hInstance, nullptr);
    if (window == nullptr) {
        report("no window: " + std::to_string(GetLastError()));
        return 1;
    }
    UpdateWindow(window);
    report("ready " + std::to_string(GetCurrentProcessId()));

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_HOTKEY) {
            report("hotkey " + std::to_string(message.wParam));
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
