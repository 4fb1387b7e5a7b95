#include "beat_tools.h"

#include "test_support.h"

namespace cuevoice::test {

using namespace std::chrono_literals;

BeatToolsTest::BeatToolsTest()
    : mixxx(std::make_shared<FakeMixxx>()), clock_(std::make_unique<ManualClock>()) {
    auto [speech, heard] = make_channel<SpeechMessage>();
    heard_ = std::move(heard);
    context_ = std::make_unique<Context>(std::move(speech), mixxx, *clock_);
}

void BeatToolsTest::TearDown() {
    {
        std::lock_guard lock(context_->beatmatch_monitor.mutex);
        if (context_->beatmatch_monitor.value)
            (*context_->beatmatch_monitor.value)->store(false);
    }
    context_.reset();
    // Tap reports and the monitor wake once the time passes their wake-up; then they let go.
    const bool ended = eventually([&] {
        if (mixxx.use_count() == 1)
            return true;
        clock_->advance(1500ms);
        return false;
    });
    EXPECT_TRUE(ended) << "a tool's thread is still running";
    if (!ended)
        (void)clock_.release(); // a thread still sleeps on it: it must outlive the test
}

std::vector<std::string> BeatToolsTest::spoken() {
    std::vector<std::string> texts;
    while (std::optional<SpeechMessage> message = heard_.try_recv()) {
        const Say* say = std::get_if<Say>(&*message);
        if (!say) {
            ADD_FAILURE() << "a Stop on the speech channel";
            continue;
        }
        EXPECT_TRUE(say->interrupt) << say->text;
        texts.push_back(say->text);
    }
    return texts;
}

std::string BeatToolsTest::next_spoken(std::chrono::milliseconds timeout) {
    std::optional<SpeechMessage> message = heard_.recv_for(timeout);
    if (!message)
        return "";
    const Say* say = std::get_if<Say>(&*message);
    if (!say)
        return "(stop)";
    EXPECT_TRUE(say->interrupt) << say->text;
    return say->text;
}

std::vector<SetRequest> BeatToolsTest::sets() {
    std::vector<SetRequest> out;
    for (const json& message : mixxx->messages())
        if (message.value("cmd", "") == "set")
            out.emplace_back(message["group"].get<std::string>(), message["key"].get<std::string>(),
                             message["value"].get<double>());
    mixxx->forget_requests();
    return out;
}

void BeatToolsTest::wait_for_sleeps(std::size_t count) {
    ASSERT_TRUE(eventually([&] { return clock_->sleeps().size() >= count; }))
        << "only " << clock_->sleeps().size() << " sleeps of " << count;
}

bool BeatToolsTest::threads_ended() {
    const long holders = context_ ? 2 : 1;
    return eventually([&] { return mixxx.use_count() == holders; });
}

void BeatToolsTest::put_deck(int deck, bool loaded, bool playing, double bpm, double beat_distance,
                             double volume) {
    const std::string group = "[Channel" + std::to_string(deck) + "]";
    mixxx->put(group, "track_loaded", loaded ? 1 : 0);
    mixxx->put(group, "play", playing ? 1 : 0);
    mixxx->put(group, "bpm", bpm);
    mixxx->put(group, "beat_distance", beat_distance);
    mixxx->put(group, "volume", volume);
}

CapturedLog::CapturedLog() {
    CreatePipe(&read_, &write_, nullptr, 1 << 20);
    saved_ = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, write_);
}

CapturedLog::~CapturedLog() {
    restore();
    CloseHandle(read_);
}

void CapturedLog::restore() {
    if (write_ == nullptr)
        return;
    SetStdHandle(STD_OUTPUT_HANDLE, saved_);
    CloseHandle(write_);
    write_ = nullptr;
}

std::vector<std::string> CapturedLog::lines() {
    restore();
    std::string all;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_, buffer, sizeof buffer, &got, nullptr) && got > 0)
        all.append(buffer, got);
    return lines_of(all);
}

} // namespace cuevoice::test
