#pragma once
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cuevoice {

// Logs one message: always to standard output, and to app.log once it is open.
void app_log(std::string message);
void app_log_str(std::string_view message);

// Opens app.log anew (truncated), makes the log the fatal path's (a "fatal: " line goes into the
// file and on standard output, even while another thread holds the log), and writes the first
// line. Called once at a normal start.
void open_app_log();

// One line of the log file: the seconds since opening, right-aligned in 8 characters with
// three decimals, then the message.
std::string format_log_line(double elapsed_seconds, std::string_view message);

// Seconds as the log counts them: whole seconds plus nanoseconds, never negative.
double elapsed_seconds(std::chrono::steady_clock::duration elapsed);

// %LOCALAPPDATA%\Cuevoice\logs, or the temporary folder's when LOCALAPPDATA is not set.
std::filesystem::path log_folder(const std::optional<std::wstring>& local_app_data,
                                 const std::filesystem::path& temp_folder);

} // namespace cuevoice
