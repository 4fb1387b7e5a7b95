#include "applog/applog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <windows.h>

#include "common/environment.h"
#include "common/fatal.h"
#include "common/files.h"
#include "common/output.h"
#include "common/win_handle.h"
#include "cuevoice_version.h"

namespace cuevoice {
namespace {

struct AppLog {
    std::mutex mutex;
    UniqueHandle file;
    std::chrono::steady_clock::time_point start;
};

AppLog& app_log_state() {
    static AppLog state;
    return state;
}

// format_log_line's "[%8.3f] " from whole milliseconds, without the C runtime's formatting of
// floating-point numbers, which may allocate.
std::size_t fatal_stamp(char* out, std::chrono::steady_clock::duration elapsed) {
    auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
    unsigned long long millis =
        nanos > 0 ? (static_cast<unsigned long long>(nanos) + 500000) / 1000000 : 0;
    char digits[24];
    std::size_t count = 0;
    for (unsigned long long whole = millis / 1000; count == 0 || whole != 0; whole /= 10)
        digits[count++] = static_cast<char>('0' + whole % 10);
    std::size_t size = 0;
    out[size++] = '[';
    for (std::size_t pad = count; pad < 4; ++pad)
        out[size++] = ' ';
    while (count > 0)
        out[size++] = digits[--count];
    out[size++] = '.';
    out[size++] = static_cast<char>('0' + millis / 100 % 10);
    out[size++] = static_cast<char>('0' + millis / 10 % 10);
    out[size++] = static_cast<char>('0' + millis % 10);
    out[size++] = ']';
    out[size++] = ' ';
    return size;
}

// The fatal path's writer (set_fatal_log): the line into the file first (a standard output
// nobody reads may block a write, the file does not), then on standard output. It waits at most
// half a second for the log's lock, whose holder may be the thread that failed or one stuck in a
// write, and then writes without it. It allocates nothing: the fatal path calls it once.
void write_fatal_line(std::string_view message) {
    AppLog& log = app_log_state();
    bool locked = log.mutex.try_lock();
    for (int waited = 0; !locked && waited < 500; waited += 10) {
        Sleep(10);
        locked = log.mutex.try_lock();
    }
    static char line[4096];
    std::size_t stamp = fatal_stamp(line, std::chrono::steady_clock::now() - log.start);
    std::size_t length = std::min(message.size(), sizeof line - stamp - 1);
    std::memcpy(line + stamp, message.data(), length);
    line[stamp + length] = '\n';
    std::string_view stamped(line, stamp + length + 1);
    if (log.file)
        write_to_handle(log.file.get(), stamped);
    write_stdout(stamped.substr(stamp));
    if (locked)
        log.mutex.unlock();
}

} // namespace

std::string format_log_line(double elapsed_seconds, std::string_view message) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "[%8.3f] ", elapsed_seconds);
    std::string line(stamp);
    line.append(message);
    line += '\n';
    return line;
}

double elapsed_seconds(std::chrono::steady_clock::duration elapsed) {
    if (elapsed < std::chrono::steady_clock::duration::zero())
        return 0.0;
    auto whole = std::chrono::duration_cast<std::chrono::seconds>(elapsed);
    auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed - whole);
    return static_cast<double>(whole.count()) + static_cast<double>(nanos.count()) / 1e9;
}

void app_log_str(std::string_view message) {
    std::string copy(message);
    copy += '\n';
    AppLog& log = app_log_state();
    // Standard output is written under the log's lock too, so both show one order of lines.
    std::lock_guard lock(log.mutex);
    write_stdout(copy);
    if (!log.file)
        return;
    auto elapsed = std::chrono::steady_clock::now() - log.start;
    write_to_handle(log.file.get(), format_log_line(elapsed_seconds(elapsed), message));
}

void app_log(std::string message) {
    app_log_str(message);
}

std::filesystem::path log_folder(const std::optional<std::wstring>& local_app_data,
                                 const std::filesystem::path& temp) {
    std::filesystem::path base = local_app_data ? std::filesystem::path(*local_app_data) : temp;
    return base / L"Cuevoice" / L"logs";
}

void open_app_log() {
    std::filesystem::path folder = log_folder(environment_variable(L"LOCALAPPDATA"), temp_folder());
    // Without its folder the log file cannot open either, and that is ignored as well.
    (void)create_folders(folder);
    UniqueHandle file(CreateFileW((folder / L"app.log").c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        auto start = std::chrono::steady_clock::now();
        AppLog& log = app_log_state();
        std::lock_guard lock(log.mutex);
        log.file = std::move(file);
        log.start = start;
    }
    set_fatal_log(&write_fatal_line);
    app_log_str("Cuevoice " + std::string(cuevoice_version));
}

} // namespace cuevoice
