#pragma once
// A real "cuevoice.exe --open-settings" on a profile folder of the test's own, with the NVDA
// stand-in beside it recording what it says, and the windows it shows found by class.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "test_support.h"

namespace cuevoice::test {

class EditorSession {
public:
    EditorSession();
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    const std::filesystem::path& config() const { return config_; }
    // The folder that holds the program, the NVDA stand-in and the profile.
    const std::filesystem::path& program_folder() const { return folder_.path(); }
    void write_config(const std::string& text);

    // Starts the program with "--open-settings", in the current folder given (else in this
    // program's); false when it could not be started.
    bool start(const std::optional<std::filesystem::path>& current_folder = std::nullopt);
    // Waits for the process to end; gives its exit code, or -1 when it did not end in time.
    long wait_for_exit(std::chrono::milliseconds timeout = std::chrono::seconds(15));
    std::string standard_output();

    // The visible top-level window of the given class that belongs to the program, waiting
    // for it; null when none came.
    HWND window_of_class(const wchar_t* class_name,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // True once no visible window of the class belongs to the program any more.
    bool window_gone(const wchar_t* class_name);
    // The editor window once it is ready for keys: its focus is in the filter box.
    HWND editor();
    HWND dialog() { return window_of_class(L"CuevoiceAddShortcut"); }
    HWND message_box() { return window_of_class(L"#32770"); }

    // Waits for a message box, gives its text and answers it with the key ("y", "n", "Return").
    std::string answer_message_box(const std::string& key);

    // Focuses the window and presses the keys one after another.
    bool press_in(HWND window, const std::vector<std::string>& keys);

    // The texts spoken so far (every speakText the stand-in received).
    std::vector<std::string> spoken();
    // Waits until the text has been spoken; true when it was.
    bool wait_spoken(const std::string& text,
                     std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    TempFolder folder_;
    std::filesystem::path program_;
    std::filesystem::path profile_;
    std::filesystem::path config_;
    std::filesystem::path spoken_file_;
    std::filesystem::path output_file_;
    HANDLE process_ = nullptr;
    DWORD process_id_ = 0;
};

std::string window_text(HWND window);
std::string class_name_of(HWND window);

} // namespace cuevoice::test
