#pragma once
// Moments on the way from a key press, or a change in Mixxx, to the screen reader, recorded for
// the whole-program benchmark. Off unless CUEVOICE_STAGE_STAMPS names a file at the start; off,
// a stamp costs one relaxed load. On, a stamp takes the system time and fills a slot in memory,
// and a thread of its own appends the filled slots to the file, so the path measured never
// waits for the file.
#include <atomic>
#include <cstdint>

namespace cuevoice {

enum class Stage : std::uint8_t {
    hotkey_taken,    // WM_HOTKEY taken from the hot-key thread's queue (tag: the hot-key id)
    job_taken,       // the actions worker took a job
    request_ready,   // a request line is encoded, to be written next (tag: its id)
    request_written, // a request line went out to the plug-in (tag: its id)
    reply_read,      // the reader thread read a reply line (tag: its id)
    reply_taken,     // the requesting thread holds its reply (tag: its id)
    event_read,      // the reader thread read a change event
    event_taken,     // the announcer took a change event
    say_called,      // a say operation was called
    say_logged,      // its "say: " log line is written
    speech_taken,    // the speech thread took a text
};

// The stage as the file writes it: "hotkey_taken", ...
const char* stage_name(Stage stage);

namespace stage_detail {
extern std::atomic<bool> recording;
void record(Stage stage, std::uint64_t tag);
} // namespace stage_detail

inline void stamp_stage(Stage stage, std::uint64_t tag = 0) {
    if (stage_detail::recording.load(std::memory_order_relaxed))
        stage_detail::record(stage, tag);
}

// Looks at CUEVOICE_STAGE_STAMPS once: when it names a file that can be opened for appending,
// recording starts and the thread "stage-stamps" appends "<system time> <stage> <thread id>
// <tag>" lines to it every 20 ms (system time in 100-ns steps since 1601). Later calls do
// nothing.
void start_stage_stamps();

} // namespace cuevoice
