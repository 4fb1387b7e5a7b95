// The Mixxx host stand-in: a visible top-level window that can be the foreground application,
// and the loading of Qt generic plug-ins the way Qt does it: QT_PLUGIN_PATH's first folder,
// "generic", and one library per name in QT_QPA_GENERIC_PLUGINS.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

constexpr UINT kQuitMessage = WM_APP + 1; // sent by the plug-in: quit with wParam as exit code
constexpr UINT_PTR kExitTimer = 1;
int exit_code = 0;

std::wstring env(const wchar_t* name) {
    DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0)
        return {};
    std::wstring value(length, L'\0');
    length = GetEnvironmentVariableW(name, value.data(), length);
    value.resize(length);
    return value;
}

std::vector<std::wstring> split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::wstring::npos)
            end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

void load_generic_plugins(HWND window) {
    std::wstring paths = env(L"QT_PLUGIN_PATH");
    std::wstring names = env(L"QT_QPA_GENERIC_PLUGINS");
    if (paths.empty() || names.empty())
        return;
    std::wstring folder = split(paths, L';').front();
    if (folder.empty())
        return;
    if (folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    for (std::wstring name : split(names, L',')) {
        // Qt accepts "name:arguments"; the arguments are the plug-in's business.
        name = name.substr(0, name.find(L':'));
        if (name.empty())
            continue;
        std::wstring path = folder + L"generic\\" + name + L".dll";
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        HMODULE module = LoadLibraryW(path.c_str());
        if (!module)
            continue;
        using Start = int (*)(HWND);
        auto start = reinterpret_cast<Start>(
            reinterpret_cast<void*>(GetProcAddress(module, "sim_plugin_start")));
        if (start)
            start(window);
    }
}

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                        nullptr, nullptr);
    return out;
}

// Tests of the product's launch read how this start looked from inside: the arguments as the
// Windows rules split them, the working folder, the process id and the plug-in's variables.
void write_start_record() {
    std::wstring path = env(L"MIXXXSIM_START_LOG");
    if (path.empty())
        return;
    nlohmann::json record;
    record["pid"] = GetCurrentProcessId();
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    record["args"] = nlohmann::json::array();
    for (int i = 1; argv != nullptr && i < count; ++i)
        record["args"].push_back(utf8(argv[i]));
    if (argv != nullptr)
        LocalFree(argv);
    wchar_t folder[MAX_PATH * 2];
    DWORD length = GetCurrentDirectoryW(MAX_PATH * 2, folder);
    record["cwd"] = utf8(std::wstring(folder, length));
    for (const wchar_t* name :
         {L"QT_PLUGIN_PATH", L"QT_QPA_GENERIC_PLUGINS", L"CUEVOICE_TOKEN", L"CUEVOICE_PORT"}) {
        if (GetEnvironmentVariableW(name, nullptr, 0) == 0)
            record["env"][utf8(name)] = nullptr;
        else
            record["env"][utf8(name)] = utf8(env(name));
    }
    std::string line = record.dump() + "\n";
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case kQuitMessage:
        exit_code = static_cast<int>(wparam);
        DestroyWindow(window);
        return 0;
    case WM_TIMER:
        if (wparam == kExitTimer) {
            KillTimer(window, kExitTimer);
            DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(exit_code);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        DrawTextW(dc, L"Mixxx (simulated) - a stand-in for tests and the demo", -1, &area,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &paint);
        return 0;
    }
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    write_start_record();
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = L"MixxxSimulatedWindow";
    RegisterClassExW(&window_class);
    HWND window = CreateWindowExW(0, window_class.lpszClassName, L"Mixxx (simulated)",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 640, 360, nullptr,
                                  nullptr, instance, nullptr);
    if (!window)
        return 2;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);

    // A Mixxx that quits on its own after a while (tests of a Mixxx closing while starting).
    int exit_after = _wtoi(env(L"MIXXXSIM_EXIT_AFTER_MS").c_str());
    if (exit_after > 0)
        SetTimer(window, kExitTimer, static_cast<UINT>(exit_after), nullptr);

    load_generic_plugins(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
