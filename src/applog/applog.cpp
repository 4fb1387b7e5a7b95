#include "applog/applog.h"

#include <cstdio>
#include <mutex>

#include <windows.h>

#include "common/environment.h"
#include "common/files.h"
#include "common/output.h"
#include "common/threads.h"
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
    set_fatal_log(&app_log_str);
    app_log_str("Cuevoice " + std::string(cuevoice_version));
}

} // namespace cuevoice
