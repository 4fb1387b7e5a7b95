#pragma once
// Drives the NVDA controller stand-in from a test: the test loads the same file that the speech
// thread loads, so both share one module and its record of calls.
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

namespace cuevoice::test {

class NvdaStandin {
public:
    // Copies the stand-in (`source` names a DLL in the bin folder) to `target` and loads it.
    NvdaStandin(const std::string& source, const std::filesystem::path& target);
    ~NvdaStandin();
    NvdaStandin(const NvdaStandin&) = delete;
    NvdaStandin& operator=(const NvdaStandin&) = delete;

    void set_running(bool on);
    // Every call recorded since the stand-in was loaded, one line each ("speakText {text}",
    // "cancelSpeech").
    std::vector<std::string> calls();
    // How often the client asked whether NVDA runs (once per message it handled).
    int running_tests();

private:
    HMODULE module_ = nullptr;
    std::vector<std::string> seen_;
};

} // namespace cuevoice::test
