#include "common/stage_stamps.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <windows.h>

#include "common/clock.h"
#include "common/environment.h"
#include "common/output.h"
#include "common/threads.h"

namespace cuevoice {

namespace stage_detail {
std::atomic<bool> recording{false};
} // namespace stage_detail

namespace {

// Enough for a benchmark's minutes; stamps beyond it are dropped, never waited for.
constexpr std::uint64_t capacity = 1 << 17;
constexpr DWORD flush_period_ms = 20;

struct Slot {
    std::atomic<bool> filled{false};
    long long time = 0;
    std::uint64_t tag = 0;
    std::uint32_t thread = 0;
    Stage stage = Stage::hotkey_taken;
};

struct Record {
    std::unique_ptr<Slot[]> slots;
    std::atomic<std::uint64_t> next{0};
    HANDLE file = INVALID_HANDLE_VALUE;
};

Record& stage_record() {
    static Record record;
    return record;
}

// Appends the slots filled since the last call, in slot order, up to the first one still being
// filled; returns the slot to start from next time.
std::uint64_t flush_from(Record& record, std::uint64_t from) {
    std::string text;
    const std::uint64_t end = std::min(record.next.load(std::memory_order_acquire), capacity);
    for (; from < end; ++from) {
        const Slot& slot = record.slots[from];
        if (!slot.filled.load(std::memory_order_acquire))
            break;
        text += std::to_string(slot.time);
        text += ' ';
        text += stage_name(slot.stage);
        text += ' ';
        text += std::to_string(slot.thread);
        text += ' ';
        text += std::to_string(slot.tag);
        text += '\n';
    }
    if (!text.empty())
        write_to_handle(record.file, text);
    return from;
}

void flush_forever(Record& record) {
    std::uint64_t from = 0;
    while (from < capacity) {
        Sleep(flush_period_ms);
        from = flush_from(record, from);
    }
}

} // namespace

const char* stage_name(Stage stage) {
    switch (stage) {
    case Stage::hotkey_taken:
        return "hotkey_taken";
    case Stage::job_taken:
        return "job_taken";
    case Stage::request_ready:
        return "request_ready";
    case Stage::request_written:
        return "request_written";
    case Stage::reply_read:
        return "reply_read";
    case Stage::reply_taken:
        return "reply_taken";
    case Stage::event_read:
        return "event_read";
    case Stage::event_taken:
        return "event_taken";
    case Stage::say_called:
        return "say_called";
    case Stage::say_logged:
        return "say_logged";
    case Stage::speech_taken:
        return "speech_taken";
    }
    return "unknown";
}

void stage_detail::record(Stage stage, std::uint64_t tag) {
    const long long now = system_time_ticks();
    Record& record = stage_record();
    const std::uint64_t index = record.next.fetch_add(1, std::memory_order_relaxed);
    if (index >= capacity)
        return;
    Slot& slot = record.slots[index];
    slot.time = now;
    slot.tag = tag;
    slot.thread = GetCurrentThreadId();
    slot.stage = stage;
    slot.filled.store(true, std::memory_order_release);
}

void start_stage_stamps() {
    static std::once_flag started;
    std::call_once(started, [] {
        std::optional<std::wstring> path = environment_variable(L"CUEVOICE_STAGE_STAMPS");
        if (!path || path->empty())
            return;
        HANDLE file = CreateFileW(path->c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        Record& record = stage_record();
        record.file = file; // kept open until the process ends
        record.slots = std::make_unique<Slot[]>(capacity);
        spawn_named("stage-stamps", "spawn stage stamps", [&record] { flush_forever(record); });
        stage_detail::recording.store(true, std::memory_order_release);
    });
}

} // namespace cuevoice
