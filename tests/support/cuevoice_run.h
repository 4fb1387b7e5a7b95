#pragma once
// A normal start of the real cuevoice.exe against the simulated Mixxx, as a user starts it:
// its own profile folders (settings and log), the settings file the test writes, and whatever
// Mixxx it starts recorded by the simulated host's start log.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "test_support.h"

namespace cuevoice::test {

std::string windows_text(const std::filesystem::path& path);

// The first of the messages that starts with the text.
std::optional<std::string> first_starting_with(const std::vector<std::string>& messages,
                                               const std::string& text);

// config.toml as a user writes it.
std::string settings_text(const std::filesystem::path& mixxx, std::uint16_t port,
                          const std::vector<std::string>& arguments = {});

struct CuevoiceSetup {
    // Where cuevoice.exe lies; the plug-in is looked for beside it.
    std::filesystem::path program;
    // config.toml's text; none leaves the file out (a first start).
    std::optional<std::string> settings;
    // Variables set (name=value) or removed (a name alone) for this start.
    std::vector<std::string> environment;
    // Called with the profile folder (APPDATA and LOCALAPPDATA) before the start.
    std::function<void(const std::filesystem::path& profile)> prepare;
};

class CuevoiceRun {
public:
    explicit CuevoiceRun(CuevoiceSetup setup);
    // Ends what this start left running: cuevoice.exe and the Mixxx it started.
    ~CuevoiceRun();
    CuevoiceRun(const CuevoiceRun&) = delete;
    CuevoiceRun& operator=(const CuevoiceRun&) = delete;

    bool started() const { return process_ != nullptr; }
    // cuevoice.exe's process id; 0 when it could not be started.
    std::uint32_t process_id() const;
    const std::string& token() const { return token_; }
    const std::filesystem::path& profile() const { return profile_.path(); }
    std::filesystem::path settings_file() const;

    // app.log as it is now, and its messages without their time stamps.
    std::string log() const;
    // For a failure's message: app.log, the program's standard output and whether it still
    // runs. A start that never opened its log (a second copy, say) shows only on the output.
    std::string report() const;
    std::vector<std::string> messages() const;
    // What it wrote to its standard output and error so far.
    std::string output() const;
    // Waits until a message of the log equals the text.
    bool wait_for_message(const std::string& text,
                          std::chrono::milliseconds timeout = std::chrono::seconds(40)) const;
    // Waits until a message starts with the text; the whole message, or none.
    std::optional<std::string>
    wait_for_message_starting(const std::string& text,
                              std::chrono::milliseconds timeout = std::chrono::seconds(40)) const;
    // The exit code, or none when the program still runs after the timeout.
    std::optional<unsigned long> wait_exit(std::chrono::milliseconds timeout) const;

    // The simulated host's start records (one per start of Mixxx), in order.
    std::vector<nlohmann::json> mixxx_starts() const;
    // Waits for the first start record.
    std::optional<nlohmann::json>
    wait_for_mixxx(std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    // Whether the Mixxx that was started still runs.
    bool mixxx_running() const;
    // The simulated Mixxx's control channel, for a client of the caller's own.
    std::uint16_t control_port() const { return control_port_; }
    // A request on the simulated Mixxx's control channel.
    std::optional<nlohmann::json> control(const nlohmann::json& request) const;
    // Asks the started Mixxx's main window to close, as the user does.
    bool close_mixxx_window() const;

private:
    TempFolder profile_;
    std::uint16_t control_port_ = 0;
    std::string token_;
    void* process_ = nullptr;
};

} // namespace cuevoice::test
