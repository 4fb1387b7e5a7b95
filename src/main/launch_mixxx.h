#pragma once
// Starting Mixxx with the plug-in: its command line, its environment and the process itself.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/mixxx_child.h"
#include "common/result.h"

namespace cuevoice {

// One argument as the Windows rules read it back whole: unchanged when it holds no blank, tab,
// line break or quote and is not empty; otherwise in quotes, with quotes and the backslashes
// before them (or before the closing quote) escaped.
std::wstring quote_windows_argument(std::wstring_view argument);

// The program, then every argument, each quoted as needed, separated by blanks.
std::wstring mixxx_command_line(const std::wstring& program,
                                const std::vector<std::string>& arguments);

// What the plug-in needs in Mixxx's environment.
struct PluginEnvironment {
    std::filesystem::path plugin_folder;
    std::string token;
    std::uint16_t port = 0;
};

// The given environment entries ("NAME=value") with the four plug-in variables in place of any
// of the same name (names compare without regard to case). An inherited QT_PLUGIN_PATH is kept
// after the plug-in folder and ";". The entries come back sorted by name, as Windows keeps them.
std::vector<std::wstring> mixxx_environment(std::vector<std::wstring> inherited,
                                            const PluginEnvironment& plugin);

// The entries as one block for CreateProcessW with CREATE_UNICODE_ENVIRONMENT.
std::wstring environment_block(const std::vector<std::wstring>& entries);

// This process's environment entries.
std::vector<std::wstring> own_environment();

// Starts Mixxx with the arguments, the environment and the folder of `mixxx_path` as its working
// folder (the program's own when the path names none); the standard streams are inherited.
// Fails with "Cannot start Mixxx at {}: {}".
Result<SharedMixxxChild> start_mixxx(const std::string& mixxx_path,
                                     const std::vector<std::string>& arguments,
                                     const std::vector<std::wstring>& environment);

} // namespace cuevoice
