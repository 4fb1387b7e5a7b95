#include "editor_session.h"

#include <algorithm>
#include <cstdio>

#include "common/text.h"
#include "desktop.h"

namespace cuevoice::test {
namespace {

struct WindowSearch {
    DWORD process_id;
    const wchar_t* class_name;
    HWND found;
};

BOOL CALLBACK find_window_proc(HWND window, LPARAM lparam) {
    auto* search = reinterpret_cast<WindowSearch*>(lparam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process_id || !IsWindowVisible(window))
        return TRUE;
    wchar_t name[64];
    GetClassNameW(window, name, 64);
    if (wcscmp(name, search->class_name) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

std::string window_text(HWND window) {
    // GetWindowTextW gives only the caption kept by the system for another process's window;
    // the message asks the control itself.
    wchar_t text[2048];
    auto length =
        static_cast<int>(SendMessageW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text)));
    return to_utf8(std::wstring_view(text, static_cast<std::size_t>(std::max(length, 0))));
}

std::string class_name_of(HWND window) {
    wchar_t name[128];
    int length = GetClassNameW(window, name, 128);
    return to_utf8(std::wstring_view(name, static_cast<std::size_t>(std::max(length, 0))));
}

EditorSession::EditorSession() {
    program_ = folder_.path() / L"cuevoice.exe";
    std::filesystem::copy_file(bin_folder() / L"cuevoice.exe", program_);
    std::filesystem::copy_file(bin_folder() / L"nvda_standin.dll",
                               folder_.path() / L"nvdaControllerClient.dll");
    profile_ = folder_.path() / L"profile";
    config_ = profile_ / L"Cuevoice" / L"config.toml";
    spoken_file_ = folder_.path() / L"spoken.txt";
    output_file_ = folder_.path() / L"out.txt";
    std::filesystem::create_directories(config_.parent_path());
}

EditorSession::~EditorSession() {
    if (process_ != nullptr) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
}

void EditorSession::write_config(const std::string& text) {
    write_file(config_, text);
}

bool EditorSession::start(const std::optional<std::filesystem::path>& current_folder) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output =
        CreateFileW(output_file_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::wstring environment = environment_block(
        {"APPDATA=" + to_utf8(profile_.wstring()), "LOCALAPPDATA=" + to_utf8(profile_.wstring()),
         "NVDA_STANDIN_LOG=" + to_utf8(spoken_file_.wstring())});
    std::wstring command = L"\"" + program_.wstring() + L"\" --open-settings";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    BOOL created = CreateProcessW(
        program_.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
        environment.data(), current_folder ? current_folder->c_str() : nullptr, &startup, &process);
    DWORD error = created ? 0 : GetLastError();
    CloseHandle(output);
    if (!created) {
        std::fprintf(stderr, "EditorSession: CreateProcess failed: %s\n",
                     system_message(error).c_str());
        return false;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    process_id_ = process.dwProcessId;
    return true;
}

long EditorSession::wait_for_exit(std::chrono::milliseconds timeout) {
    if (process_ == nullptr ||
        WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<long>(code);
}

std::string EditorSession::standard_output() {
    return std::filesystem::exists(output_file_) ? read_file(output_file_) : std::string();
}

HWND EditorSession::window_of_class(const wchar_t* class_name, std::chrono::milliseconds timeout) {
    WindowSearch search{process_id_, class_name, nullptr};
    eventually(
        [&] {
            EnumWindows(find_window_proc, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    return search.found;
}

HWND EditorSession::editor() {
    HWND window = window_of_class(L"CuevoiceKeyEditor");
    if (window == nullptr)
        return nullptr;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    eventually([&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && info.hwndFocus == GetDlgItem(window, 100);
    });
    return window;
}

bool EditorSession::window_gone(const wchar_t* class_name) {
    return eventually([&] {
        WindowSearch search{process_id_, class_name, nullptr};
        EnumWindows(find_window_proc, reinterpret_cast<LPARAM>(&search));
        return search.found == nullptr;
    });
}

std::string EditorSession::answer_message_box(const std::string& key) {
    HWND box = message_box();
    if (box == nullptr)
        return "(no message box)";
    wchar_t text[4096];
    // The message text is the box's static control with the id 0xFFFF.
    int length = GetDlgItemTextW(box, 0xFFFF, text, 4096);
    std::string said =
        to_utf8(std::wstring_view(text, static_cast<std::size_t>(std::max(length, 0))));
    press_in(box, {key});
    window_gone(L"#32770");
    return said;
}

bool EditorSession::press_in(HWND window, const std::vector<std::string>& keys) {
    if (!focus_window(window))
        return false;
    for (const std::string& key : keys) {
        if (!press_key(key))
            return false;
    }
    return true;
}

std::vector<std::string> EditorSession::spoken() {
    std::vector<std::string> texts;
    if (!std::filesystem::exists(spoken_file_))
        return texts;
    for (const std::string& line : lines_of(read_file(spoken_file_))) {
        if (line.rfind("speakText ", 0) == 0)
            texts.push_back(line.substr(10));
    }
    return texts;
}

bool EditorSession::wait_spoken(const std::string& text, std::chrono::milliseconds timeout) {
    return eventually(
        [&] {
            auto texts = spoken();
            return std::find(texts.begin(), texts.end(), text) != texts.end();
        },
        timeout);
}

} // namespace cuevoice::test
