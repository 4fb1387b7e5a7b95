// The real cuevoice.exe under Wine: switches, the single running copy and the log file.
#include <regex>

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include "common/text.h"
#include "common/win_handle.h"
#include "cuevoice_run.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

std::filesystem::path exe() {
    return bin_folder() / "cuevoice.exe";
}

std::string windows_path(const std::filesystem::path& path) {
    return to_utf8(path.wstring());
}

// A normal start whose profile folders are a temporary folder of the test's own.
ProcessResult start_normally(const TempFolder& profile, std::vector<std::string> arguments = {}) {
    return run_process(exe(), {.arguments = std::move(arguments),
                               .environment = {"LOCALAPPDATA=" + windows_path(profile.path()),
                                               "APPDATA=" + windows_path(profile.path())}});
}

std::filesystem::path log_file(const TempFolder& profile) {
    return profile.path() / "Cuevoice" / "logs" / "app.log";
}

// A settings file that the loader refuses ends the run with an error at its first step, before
// anything is said or started.
void write_broken_settings(const std::filesystem::path& app_data) {
    write_file(app_data / "Cuevoice" / "config.toml", "[general]\nport = \"x\"\n");
}

// Holds every thread of a process stopped while it lives, so that the process stays exactly
// where it was, however long the test takes.
class Frozen {
public:
    explicit Frozen(DWORD process_id) {
        UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot.get(), &entry); more;
             more = Thread32Next(snapshot.get(), &entry)) {
            if (entry.th32OwnerProcessID != process_id)
                continue;
            UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
            if (thread && SuspendThread(thread.get()) != static_cast<DWORD>(-1))
                threads_.push_back(std::move(thread));
        }
    }
    ~Frozen() {
        for (const UniqueHandle& thread : threads_)
            ResumeThread(thread.get());
    }
    Frozen(const Frozen&) = delete;
    Frozen& operator=(const Frozen&) = delete;

    bool holds_any() const { return !threads_.empty(); }

private:
    std::vector<UniqueHandle> threads_;
};

// The first line a start writes: "Cuevoice 1.2.0" once it runs, or why it refused to (what
// there is when no whole line came in time).
std::string first_output_line(const CuevoiceRun& run) {
    std::string output;
    eventually([&] { return (output = run.output()).find('\n') != std::string::npos; },
               std::chrono::seconds(30));
    return output.substr(0, output.find('\n'));
}

} // namespace

TEST(Executable, VersionSwitchPrintsTheVersionAndExitsZero) {
    ProcessResult result = run_process(exe(), {.arguments = {"--version", "ignored"}});
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(result.out, "1.2.0\n");
}

TEST(Executable, NormalStartOpensTheLogAndReportsTheRunsError) {
    TempFolder profile;
    write_file(log_file(profile), "the previous run's log\n");
    write_broken_settings(profile.path());
    ProcessResult result = start_normally(profile);
    EXPECT_EQ(result.exit_code, 1u);

    // Every message reaches standard output as it is, and the file with its time stamp.
    std::string log = read_file(log_file(profile));
    EXPECT_EQ(log.find("previous"), std::string::npos) << "the log starts anew";
    std::regex first_line(R"(^\[ +\d+\.\d{3}\] Cuevoice 1\.2\.0\n)");
    EXPECT_TRUE(std::regex_search(log, first_line)) << log;
    std::smatch error;
    ASSERT_TRUE(std::regex_search(log, error, std::regex(R"(\] error: ([^\n]+)\n)"))) << log;
    std::string text = error[1];
    EXPECT_NE(log.find("] say: Cuevoice error. " + text + "\n"), std::string::npos) << log;
    EXPECT_EQ(result.out,
              "Cuevoice 1.2.0\nerror: " + text + "\nsay: Cuevoice error. " + text + "\n");
    EXPECT_TRUE(std::regex_match(log, std::regex(R"((\[ {0,3}\d+\.\d{3}\] [^\n]*\n)+)"))) << log;
}

TEST(Executable, DifferentlyCasedOrUnknownSwitchStartsNormally) {
    TempFolder profile;
    write_broken_settings(profile.path());
    ProcessResult result = start_normally(profile, {"--VERSION"});
    EXPECT_EQ(result.exit_code, 1u);
    EXPECT_EQ(result.out.rfind("Cuevoice 1.2.0\n", 0), 0u) << result.out;
    EXPECT_TRUE(std::filesystem::exists(log_file(profile)));
}

TEST(Executable, SecondCopySaysSoAndLeavesTheFirstCopysLogAlone) {
    TempFolder profile;
    write_file(log_file(profile), "first copy's log\n");
    // The test holds the single-instance mutex as a running first copy would.
    HANDLE first = CreateMutexW(nullptr, TRUE, L"CuevoiceRunning");
    ASSERT_NE(first, nullptr);
    auto started = std::chrono::steady_clock::now();
    ProcessResult result = start_normally(profile);
    auto took = std::chrono::steady_clock::now() - started;
    CloseHandle(first);

    EXPECT_EQ(result.exit_code, 1u);
    EXPECT_EQ(result.out, "say: Cuevoice is already running.\n");
    EXPECT_GE(took, std::chrono::milliseconds(2900)) << "waits for the voice before leaving";
    EXPECT_EQ(read_file(log_file(profile)), "first copy's log\n");
}

TEST(Executable, ARefusedCopyDoesNotHoldTheMutexThroughItsPause) {
    // The test holds the mutex as a running copy A would; B is refused while A runs.
    UniqueHandle first(CreateMutexW(nullptr, TRUE, L"CuevoiceRunning"));
    ASSERT_TRUE(first);
    CuevoiceRun refused({.program = exe()});
    ASSERT_TRUE(refused.started());
    EXPECT_EQ(first_output_line(refused), "say: Cuevoice is already running.") << refused.report();
    {
        // B stays in its pause until C has started.
        Frozen pausing(refused.process_id());
        ASSERT_TRUE(pausing.holds_any());
        first.reset(); // A ends
        CuevoiceRun next({.program = exe(), .prepare = write_broken_settings});
        EXPECT_EQ(first_output_line(next), "Cuevoice 1.2.0") << next.report();
    }
    EXPECT_EQ(refused.wait_exit(std::chrono::seconds(30)), 1u) << refused.report();
    EXPECT_EQ(refused.output(), "say: Cuevoice is already running.\n");
}

TEST(Executable, UnusableLogFolderStillGivesEveryMessageOnStandardOutput) {
    TempFolder app_data;
    write_broken_settings(app_data.path());
    ProcessResult result =
        run_process(exe(), {.environment = {"LOCALAPPDATA=Q:\\no\\such\\drive",
                                            "APPDATA=" + windows_path(app_data.path())}});
    EXPECT_EQ(result.exit_code, 1u);
    EXPECT_EQ(result.out.rfind("Cuevoice 1.2.0\nerror: ", 0), 0u) << result.out;
}

TEST(Executable, WithoutLocalAppDataTheLogGoesToTheTemporaryFolder) {
    TempFolder temp;
    // The run ends at its first step, so it never looks for Mixxx in the shared registry.
    write_broken_settings(temp.path());
    ProcessResult result =
        run_process(exe(), {.environment = {"LOCALAPPDATA", "TEMP=" + windows_path(temp.path()),
                                            "TMP=" + windows_path(temp.path()),
                                            "APPDATA=" + windows_path(temp.path())}});
    EXPECT_EQ(result.exit_code, 1u);
    EXPECT_EQ(read_file(temp.path() / "Cuevoice" / "logs" / "app.log").find("] Cuevoice 1.2.0\n"),
              9u);
}

TEST(Executable, SpeaksThroughNvdaBesideTheProgram) {
    TempFolder folder;
    std::filesystem::copy_file(exe(), folder.path() / "cuevoice.exe");
    std::filesystem::copy_file(bin_folder() / "nvda_standin.dll",
                               folder.path() / "nvdaControllerClient.dll");
    std::filesystem::path spoken = folder.path() / "spoken.txt";
    write_broken_settings(folder.path());
    ProcessResult result =
        run_process(folder.path() / "cuevoice.exe",
                    {.environment = {"LOCALAPPDATA=" + windows_path(folder.path()),
                                     "APPDATA=" + windows_path(folder.path()),
                                     "NVDA_STANDIN_LOG=" + windows_path(spoken)}});
    EXPECT_EQ(result.exit_code, 1u);
    std::string said = read_file(spoken);
    EXPECT_EQ(said.rfind("cancelSpeech\nspeakText Cuevoice error. ", 0), 0u) << said;
}
