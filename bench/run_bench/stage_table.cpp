#include "run_bench/stage_table.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sstream>

namespace cuevoice::bench {
namespace {

constexpr double ticks_per_ms = 10'000;

double ms(long long from, long long to) {
    return static_cast<double>(to - from) / ticks_per_ms;
}

// The stamps in time order, searched from a moment on.
class Stamps {
public:
    explicit Stamps(std::vector<StageStamp> stamps) : stamps_(std::move(stamps)) {
        std::stable_sort(stamps_.begin(), stamps_.end(),
                         [](const StageStamp& a, const StageStamp& b) { return a.time < b.time; });
    }

    // The first stamp of the stage at or after `from` that `also` accepts.
    std::optional<StageStamp>
    first(const std::string& stage, long long from,
          const std::function<bool(const StageStamp&)>& also = nullptr) const {
        auto it = std::lower_bound(stamps_.begin(), stamps_.end(), from,
                                   [](const StageStamp& s, long long t) { return s.time < t; });
        for (; it != stamps_.end(); ++it)
            if (it->stage == stage && (!also || also(*it)))
                return *it;
        return std::nullopt;
    }

    // Whether a stamp of the stage in [from, to] comes from another thread.
    bool any_other(const std::string& stage, long long from, long long to,
                   std::uint32_t thread) const {
        for (const StageStamp& s : stamps_)
            if (s.stage == stage && s.time >= from && s.time <= to && s.thread != thread)
                return true;
        return false;
    }

    // Every stamp of the stage in [from, to] on the thread.
    std::vector<StageStamp> all(const std::string& stage, long long from, long long to,
                                std::uint32_t thread) const {
        std::vector<StageStamp> out;
        for (const StageStamp& s : stamps_)
            if (s.stage == stage && s.time >= from && s.time <= to && s.thread == thread)
                out.push_back(s);
        return out;
    }

private:
    std::vector<StageStamp> stamps_;
};

std::optional<long long> first_call(const std::vector<SpokenCall>& spoken, long long from,
                                    const std::string& prefix, const std::string& part = "") {
    for (const SpokenCall& s : spoken)
        if (s.time >= from && s.call.rfind(prefix, 0) == 0 &&
            s.call.find(part) != std::string::npos)
            return s.time;
    return std::nullopt;
}

// Rows by name, in the order first added.
class Rows {
public:
    void add(const std::string& name, const std::string& whose, double sample) {
        for (StageRow& row : rows_)
            if (row.name == name) {
                row.samples.push_back(sample);
                return;
            }
        rows_.push_back({name, whose, {sample}});
    }
    std::vector<StageRow> take() { return std::move(rows_); }

private:
    std::vector<StageRow> rows_;
};

// A path followed to its end: each step's name, whose it is, and the time it ended.
struct Step {
    std::string name;
    std::string whose;
    long long end;
};

} // namespace

std::vector<StageStamp> parse_stage_stamps(const std::string& text) {
    std::vector<StageStamp> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        StageStamp stamp;
        if (words >> stamp.time >> stamp.stage >> stamp.thread >> stamp.tag)
            out.push_back(stamp);
    }
    return out;
}

StageTable key_press_stages(const std::vector<long long>& presses,
                            const std::vector<StageStamp>& stamps,
                            const std::vector<SpokenCall>& spoken, const std::string& spoken_part) {
    const Stamps index(stamps);
    StageTable table;
    Rows rows;
    for (long long key : presses) {
        std::vector<Step> steps;
        bool crossed = false;
        auto path = [&]() -> bool {
            auto hotkey = index.first("hotkey_taken", key);
            if (!hotkey)
                return false;
            steps.push_back({"key down (XTest) -> WM_HOTKEY taken", "X, Wine", hotkey->time});
            auto job = index.first("job_taken", hotkey->time);
            if (!job)
                return false;
            steps.push_back({"WM_HOTKEY -> job taken by actions worker", "ours", job->time});
            const std::uint32_t worker = job->thread;
            auto say = index.first("say_called", job->time,
                                   [&](const StageStamp& s) { return s.thread == worker; });
            if (!say)
                return false;
            std::vector<StageStamp> written =
                index.all("request_written", job->time, say->time, worker);
            // A request of another thread written up to 2 ms before the press's first one may
            // still hold the plug-in when the press's arrives.
            crossed = index.any_other("request_written", job->time - 20'000, say->time, worker);
            std::size_t n = 0;
            long long last_end = job->time;
            for (const StageStamp& request : written) {
                ++n;
                const std::string which = "request " + std::to_string(n);
                const std::string before =
                    n == 1 ? std::string("job") : "reply " + std::to_string(n - 1) + " taken";
                auto same_id = [&](const StageStamp& s) { return s.tag == request.tag; };
                auto taken = index.first("reply_taken", request.time, same_id);
                if (!taken)
                    return false;
                if (request.time < last_end) {
                    // Sent together with the one before: only its wait after that one counts.
                    steps.push_back({before + " -> reply " + std::to_string(n) +
                                         " taken (sent with " + std::to_string(n - 1) + ")",
                                     "plug-in, TCP", taken->time});
                    last_end = taken->time;
                    continue;
                }
                auto ready = index.first("request_ready", last_end, same_id);
                auto read = index.first("reply_read", request.time, same_id);
                if (!read)
                    return false;
                if (ready) {
                    steps.push_back({before + " -> " + which + " encoded", "ours", ready->time});
                    steps.push_back({which + " encoded -> written (Winsock send)",
                                     "ours, Wine's send", request.time});
                } else {
                    // A program that stamps no encoded line: one step up to the write.
                    steps.push_back({before + " -> " + which + " written", "ours", request.time});
                }
                steps.push_back({which + " written -> reply read by bridge-reader", "plug-in, TCP",
                                 read->time});
                steps.push_back({"reply " + std::to_string(n) + " read -> requester wakes with it",
                                 "ours", taken->time});
                last_end = taken->time;
            }
            steps.push_back(
                {(n == 0 ? std::string("job") : "reply " + std::to_string(n) + " taken") +
                     " -> say called",
                 "ours", say->time});
            auto speech = index.first("speech_taken", say->time);
            if (!speech)
                return false;
            steps.push_back({"say called -> speech thread takes the text", "ours", speech->time});
            auto cancel = first_call(spoken, speech->time, "cancelSpeech");
            if (!cancel)
                return false;
            steps.push_back({"speech thread -> NVDA cancelSpeech", "ours", *cancel});
            auto speak = first_call(spoken, *cancel, "speakText ", spoken_part);
            if (!speak)
                return false;
            steps.push_back(
                {"cancelSpeech -> speakText (stand-in records)", "NVDA stand-in", *speak});
            if (auto logged = index.first("say_logged", say->time,
                                          [&](const StageStamp& s) { return s.thread == worker; }))
                rows.add("  (within: say called -> its log line written)", "ours",
                         ms(say->time, logged->time));
            return true;
        };
        if (!path()) {
            ++table.unmatched;
            continue;
        }
        long long from = key;
        for (const Step& step : steps) {
            rows.add(step.name, step.whose, ms(from, step.end));
            from = step.end;
        }
        rows.add("key down -> NVDA receives the text", "all", ms(key, steps.back().end));
        (crossed ? table.beside_other_requests : table.alone).push_back(ms(key, steps.back().end));
    }
    table.rows = rows.take();
    // The whole path last, the note on the log line just before it.
    std::stable_partition(table.rows.begin(), table.rows.end(), [](const StageRow& row) {
        return row.name.rfind("  (within", 0) != 0 && row.name.rfind("key down -> NVDA", 0) != 0;
    });
    return table;
}

StageTable announcement_stages(const std::vector<Change>& changes,
                               const std::vector<StageStamp>& stamps,
                               const std::vector<SpokenCall>& spoken) {
    const Stamps index(stamps);
    StageTable table;
    Rows rows;
    for (const Change& change : changes) {
        std::vector<Step> steps;
        auto path = [&]() -> bool {
            auto read = index.first("event_read", change.time);
            if (!read)
                return false;
            steps.push_back({"control request -> event read by bridge-reader",
                             "simulated Mixxx, TCP", read->time});
            auto taken = index.first("event_taken", read->time);
            if (!taken)
                return false;
            steps.push_back({"event read -> announcer takes it", "ours", taken->time});
            auto say = index.first("say_called", taken->time,
                                   [&](const StageStamp& s) { return s.thread == taken->thread; });
            if (!say)
                return false;
            steps.push_back({"announcer took it -> say called", "ours", say->time});
            auto speech = index.first("speech_taken", say->time);
            if (!speech)
                return false;
            steps.push_back({"say called -> speech thread takes the text", "ours", speech->time});
            auto speak = first_call(spoken, speech->time, "speakText ", change.spoken_part);
            if (!speak)
                return false;
            steps.push_back({"speech thread -> NVDA speakText", "ours", *speak});
            return true;
        };
        if (!path()) {
            ++table.unmatched;
            continue;
        }
        long long from = change.time;
        for (const Step& step : steps) {
            rows.add(step.name, step.whose, ms(from, step.end));
            from = step.end;
        }
        rows.add("control request -> NVDA receives the text", "all",
                 ms(change.time, steps.back().end));
    }
    table.rows = rows.take();
    return table;
}

} // namespace cuevoice::bench
