#include "run_bench/xtest_keys.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "desktop.h"
#include "test_support.h"

namespace cuevoice::bench {
namespace {

constexpr long long unix_epoch_in_system_time = 116'444'736'000'000'000LL;

// The Linux path of a file, through Wine's own call.
std::optional<std::string> unix_path(const std::filesystem::path& file) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unix_name == nullptr)
        return std::nullopt;
    char* name = unix_name(std::filesystem::absolute(file).c_str());
    if (name == nullptr)
        return std::nullopt;
    std::string path(name);
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

} // namespace

XTestKeys::XTestKeys() {
    std::optional<std::string> script = unix_path(test::bin_folder() / "xtest_keys.py");
    if (!script) {
        problem_ = "no Linux path for xtest_keys.py (not under Wine?)";
        return;
    }
    const std::uint16_t port = test::private_port();
    // The shell leaves the helper running in the background and ends at once.
    test::UnixResult started =
        test::run_unix("sh", {"-c", "python3 \"$0\" \"$1\" </dev/null >/dev/null 2>&1 &", *script,
                              std::to_string(port)});
    if (started.exit_code != 0) {
        problem_ = "cannot start xtest_keys.py: " + started.output;
        return;
    }
    client_ = std::make_unique<test::LineClient>(port, std::chrono::seconds(10));
    if (!client_->connected())
        problem_ = "xtest_keys.py did not accept a connection";
}

std::optional<long long> XTestKeys::press(const std::string& keys) {
    if (!ready() || !client_->send_line("press " + keys + "\n"))
        return std::nullopt;
    std::optional<std::string> answer = client_->read_line(std::chrono::seconds(5));
    if (!answer || answer->empty() || (*answer)[0] < '0' || (*answer)[0] > '9')
        return std::nullopt;
    const long long unix_ns = std::atoll(answer->c_str());
    if (unix_ns <= 0)
        return std::nullopt;
    return unix_ns / 100 + unix_epoch_in_system_time;
}

} // namespace cuevoice::bench
