#pragma once
// Helpers shared by the test programs: temporary folders, child processes, the stand-ins.
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace cuevoice::test {

// The folder holding the test programs, cuevoice.exe and the stand-ins.
std::filesystem::path bin_folder();

// A fresh, empty folder that is removed when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct ProcessResult {
    bool started = false;
    unsigned long exit_code = 0;
    std::string out;
    std::string err;
    bool timed_out = false;
};

struct ProcessOptions {
    std::vector<std::string> arguments;
    // Variables set (name=value) or removed (name with no '=') for the child only.
    std::vector<std::string> environment;
    std::optional<std::filesystem::path> working_folder;
    std::chrono::milliseconds timeout{60000};
    // Asked with the process id every 50 ms while the program runs; true ends it as the timeout
    // does.
    std::function<bool(unsigned long process_id)> give_up;
};

// The calling process's environment with `changes` (name=value to set, a name without '=' to
// remove), as a block for CreateProcessW with CREATE_UNICODE_ENVIRONMENT.
std::wstring environment_block(const std::vector<std::string>& changes);

// Runs a program to its end, collecting its standard output and error. It starts with the
// system's default error mode, as a program a user starts, not with this program's.
ProcessResult run_process(const std::filesystem::path& program, const ProcessOptions& options);

std::string read_file(const std::filesystem::path& path);
// The text's lines without their "\n" (a "\r" before it stays).
std::vector<std::string> lines_of(const std::string& text);
void write_file(const std::filesystem::path& path, const std::string& text);

// The UTF-8 text saved as UTF-16LE without a byte-order mark, as a file's bytes.
std::string utf16le_bytes(const std::string& text);

// A value of a settings file held down in Notepad: "1", the underscores, then the end of a date
// with `tail` after it ("1___979-05-27 12"). The TOML library's look-ahead into a value once
// ended the program on it from 115 underscores on.
std::string long_date_like_value(std::size_t underscores, const std::string& tail);
// The names of what a folder holds, sorted, so that a stray temporary file shows.
std::vector<std::filesystem::path> files_in(const std::filesystem::path& folder);

// While it lives, what this process writes to its standard output handle (GetStdHandle, as the
// log does) goes into a pipe of its own; text() gives everything written so far.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    // Puts the old handle back and returns all that was written.
    std::string finish();

private:
    void* previous_ = nullptr;
    void* read_ = nullptr;
    void* write_ = nullptr;
    std::string text_;
    std::thread reader_;
    bool finished_ = false;
};

// Waits until the predicate holds or the time is up; returns the predicate's last answer.
template <typename Predicate>
bool eventually(Predicate predicate, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= until)
            return predicate();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace cuevoice::test
