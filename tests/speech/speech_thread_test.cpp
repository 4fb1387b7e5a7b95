#include <atomic>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "common/text.h"
#include "nvda_standin.h"
#include "speech/speech.h"
#include "speech/speech_thread.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::test;
using Calls = std::vector<std::string>;

namespace {

// A speech thread whose program folder is a prepared temporary folder.
class SpeechThreadTest : public ::testing::Test {
protected:
    void start(const std::filesystem::path& folder) {
        auto [sender, receiver] = make_channel<SpeechMessage>();
        speech_ = sender;
        thread_ = std::thread([receiver = std::move(receiver), folder, ended = ended_]() mutable {
            speech_thread_in(std::move(receiver), folder);
            *ended = true;
        });
    }

    // Whether the thread ends by itself within the time.
    bool thread_ends() {
        return eventually([&] { return ended_->load(); });
    }

    void TearDown() override {
        speech_.reset();
        if (!thread_.joinable())
            return;
        // A thread that does not end has failed its test already; leave it, never hang.
        if (thread_ends())
            thread_.join();
        else
            thread_.detach();
    }

    // Waits until the stand-in has recorded `count` calls and returns them.
    Calls calls_after(NvdaStandin& nvda, std::size_t count) {
        Calls seen;
        eventually([&] { return (seen = nvda.calls()).size() >= count; });
        return seen;
    }

    TempFolder temp_;
    Speech speech_;
    std::thread thread_;
    std::shared_ptr<std::atomic<bool>> ended_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace

TEST_F(SpeechThreadTest, InterruptingTextCancelsFirstQueuedTextDoesNotAndStopCancels) {
    NvdaStandin nvda("nvda_standin.dll", temp_.path() / "nvdaControllerClient.dll");
    start(temp_.path());
    say_queued_str(speech_, "first");
    say_str(speech_, "second");
    speech_.send(Stop{});
    say_queued(speech_, "");
    EXPECT_EQ(calls_after(nvda, 5), (Calls{"speakText first", "cancelSpeech", "speakText second",
                                           "cancelSpeech", "speakText "}));
}

TEST_F(SpeechThreadTest, NvdaIsAskedAnewForEveryMessage) {
    NvdaStandin nvda("nvda_standin.dll", temp_.path() / "nvdaControllerClient.dll");
    start(temp_.path());
    say_str(speech_, "to nvda");
    calls_after(nvda, 2);
    nvda.set_running(false);
    // With NVDA off the texts go to SAPI (which under Wine accepts and drops them), and a Stop
    // touches NVDA no more.
    say_str(speech_, "to sapi");
    speech_.send(Stop{});
    say_queued_str(speech_, "to sapi too");
    EXPECT_TRUE(eventually([&] { return nvda.running_tests() == 4; }));
    nvda.set_running(true);
    say_queued_str(speech_, "back to nvda");
    EXPECT_EQ(calls_after(nvda, 3),
              (Calls{"cancelSpeech", "speakText to nvda", "speakText back to nvda"}));
}

TEST_F(SpeechThreadTest, LibraryWithoutCancelSpeechIsNotUsedAtAll) {
    NvdaStandin nvda("nvda_standin_nocancel.dll", temp_.path() / "nvdaControllerClient.dll");
    start(temp_.path());
    say_queued_str(speech_, "hello");
    TearDown(); // the thread has handled the text once it has ended
    EXPECT_EQ(nvda.calls(), Calls{});
}

TEST_F(SpeechThreadTest, VendorFolderTwoLevelsAboveTheProgramIsFound) {
    NvdaStandin nvda("nvda_standin.dll",
                     temp_.path() / "vendor" / "nvda" / "nvdaControllerClient.dll");
    std::filesystem::create_directories(temp_.path() / "target" / "release");
    start(temp_.path() / "target" / "release");
    say_queued_str(speech_, "from the vendor folder");
    EXPECT_EQ(calls_after(nvda, 1), Calls{"speakText from the vendor folder"});
}

TEST_F(SpeechThreadTest, LibraryBesideTheProgramWinsOverTheVendorFolder) {
    std::filesystem::create_directories(temp_.path() / "a" / "b");
    NvdaStandin vendor("nvda_standin.dll",
                       temp_.path() / "vendor" / "nvda" / "nvdaControllerClient.dll");
    NvdaStandin beside("nvda_standin.dll", temp_.path() / "a" / "b" / "nvdaControllerClient.dll");
    start(temp_.path() / "a" / "b");
    say_queued_str(speech_, "x");
    EXPECT_EQ(calls_after(beside, 1), Calls{"speakText x"});
    EXPECT_EQ(vendor.calls(), Calls{});
}

TEST_F(SpeechThreadTest, TheThreadEndsOnlyWhenTheLastSenderIsGone) {
    NvdaStandin nvda("nvda_standin.dll", temp_.path() / "nvdaControllerClient.dll");
    start(temp_.path());
    Speech copy = speech_;
    speech_.reset();
    say_queued_str(copy, "still heard");
    EXPECT_EQ(calls_after(nvda, 1), Calls{"speakText still heard"});
    EXPECT_FALSE(ended_->load()) << "ended while a sender was left";
    copy.reset();
    EXPECT_TRUE(thread_ends());
}

TEST_F(SpeechThreadTest, WithoutNvdaTheThreadGoesThroughItsQueueAndEnds) {
    // SAPI under Wine refuses to speak: the refusal must not stop the thread early or keep it.
    start(temp_.path());
    say_str(speech_, "sapi");
    speech_.send(Stop{});
    say_queued_str(speech_, "sapi again");
    speech_.reset();
    EXPECT_TRUE(thread_ends());
}

TEST(SpeechChannel, SayAfterTheSpeechThreadHasEndedStillLogsAndReturns) {
    auto [sender, receiver] = make_channel<SpeechMessage>();
    receiver.close();
    StdoutCapture log;
    say_str(sender, "nobody listens");
    say_queued(sender, "still nobody");
    EXPECT_EQ(log.finish(), "say: nobody listens\nsay: still nobody\n");
    EXPECT_EQ(receiver.try_recv(), std::nullopt);
}

TEST(SpeechChannel, SayOperationsQueueTheTextWithTheirInterruptFlag) {
    auto [sender, receiver] = make_channel<SpeechMessage>();
    say(sender, "a");
    say_str(sender, "b");
    say_queued(sender, "c");
    say_queued_str(sender, "");
    std::vector<std::pair<std::string, bool>> got;
    while (auto message = receiver.try_recv()) {
        const Say& text = std::get<Say>(*message);
        got.emplace_back(text.text, text.interrupt);
    }
    EXPECT_EQ(got, (std::vector<std::pair<std::string, bool>>{
                       {"a", true}, {"b", true}, {"c", false}, {"", false}}));
}

TEST(NvdaCandidates, BesideTheProgramThenTwoFoldersAboveUnlessThatIsADriveOrShareRoot) {
    using Paths = std::vector<std::filesystem::path>;
    const std::filesystem::path dll = L"nvdaControllerClient.dll";
    const std::filesystem::path vendor = std::filesystem::path(L"vendor") / L"nvda" / dll;
    const struct {
        const wchar_t* program_folder;
        const wchar_t* checkout; // the folder two above, or none
    } cases[] = {
        // A program folder that is itself a root, and fewer than two folders above.
        {L"C:\\", nullptr},
        {L"C:\\a", nullptr},
        {L"\\\\server\\share", nullptr},
        // Two above is the root of the drive or the share: anybody may create vendor\nvda there.
        {L"C:\\a\\b", nullptr},
        {L"C:\\Program Files\\Cuevoice", nullptr},
        {L"D:\\Cuevoice\\bin", nullptr},
        {L"\\\\server\\share\\a\\b", nullptr},
        {L"\\\\server\\share\\Cuevoice", nullptr},
        {L"//server/share/a/b", nullptr},
        {L"\\\\?\\C:\\a\\b", nullptr},
        {L"\\\\?\\UNC\\server\\share\\a\\b", nullptr},
        {L"\\\\.\\D:\\a\\b", nullptr},
        {L"\\??\\C:\\Cuevoice\\build", nullptr},
        {L"\\??\\UNC\\server\\share\\Cuevoice\\build", nullptr},
        // A device path that is neither a drive nor a share, at any depth.
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\Cuevoice\\build", nullptr},
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\src\\Cuevoice\\build\\bin", nullptr},
        {L"\\\\.\\Volume{0b8e1c5a-0000-0000-0000-100000000000}\\src\\x\\target\\release", nullptr},
        // Deeper: a development checkout's build folder.
        {L"C:\\x\\target\\release", L"C:\\x"},
        {L"C:\\Users\\dj\\cuevoice\\build\\bin", L"C:\\Users\\dj\\cuevoice"},
        {L"\\\\server\\share\\x\\target\\release", L"\\\\server\\share\\x"},
        {L"//server/share/x/target/release", L"//server/share/x"},
        {L"\\\\?\\C:\\x\\target\\release", L"\\\\?\\C:\\x"},
        {L"\\\\?\\UNC\\server\\share\\x\\target\\release", L"\\\\?\\UNC\\server\\share\\x"},
        {L"\\\\?\\C:\\src\\Cuevoice\\build\\bin", L"\\\\?\\C:\\src\\Cuevoice"},
        {L"\\??\\C:\\x\\target\\release", L"\\??\\C:\\x"},
        {L"\\??\\UNC\\server\\share\\x\\target\\release", L"\\??\\UNC\\server\\share\\x"},
    };
    for (const auto& c : cases) {
        const std::filesystem::path folder = c.program_folder;
        SCOPED_TRACE(folder.string());
        Paths expected{folder / dll};
        if (c.checkout != nullptr)
            expected.push_back(std::filesystem::path(c.checkout) / vendor);
        EXPECT_EQ(nvda_candidates(folder), expected);
    }
}

TEST(SapiFailure, DescribedByTheSystemTextAndTheCodeInHex) {
    EXPECT_EQ(hresult_description(static_cast<long>(0x80004001)),
              system_message(0x80004001) + " (0x80004001)");
    EXPECT_FALSE(system_message(0x80004001).empty());
    // A code the system has no text for is given alone.
    EXPECT_EQ(hresult_description(static_cast<long>(0xA0DE0001)), "0xA0DE0001");
}
