#include "fuzz_support.h"

#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace cuevoice::fuzz {
namespace {

std::uint64_t number_from_environment(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    return end != nullptr && *end == '\0' ? value : fallback;
}

// Set while an input runs, for the crash report; written before the input starts.
char crash_note[256] = "fuzz: crashed outside any input\n";

// The program's own fatal path (installed by every test program's main): it ends the process
// with its line once the note is out.
LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;
void (*previous_abort)(int) = SIG_DFL;

LONG WINAPI report_crash(EXCEPTION_POINTERS* exception) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), crash_note, static_cast<DWORD>(strlen(crash_note)),
              &written, nullptr);
    char code[64];
    int length = std::snprintf(code, sizeof code, "fuzz: exception 0x%08lX\n",
                               exception->ExceptionRecord->ExceptionCode);
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), code, static_cast<DWORD>(length), &written, nullptr);
    return previous_filter != nullptr ? previous_filter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// A failed assertion (the TOML library's, say) ends the program through abort, not through an
// exception: name the input there too.
void report_abort(int signal) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), crash_note, static_cast<DWORD>(strlen(crash_note)),
              &written, nullptr);
    if (previous_abort != SIG_DFL && previous_abort != SIG_IGN && previous_abort != SIG_ERR)
        previous_abort(signal);
}

} // namespace

Plan plan_from_environment(std::size_t default_count) {
    return {number_from_environment("CUEVOICE_FUZZ_SEED", 20240611),
            static_cast<std::size_t>(number_from_environment("CUEVOICE_FUZZ_COUNT", default_count)),
            static_cast<std::size_t>(number_from_environment("CUEVOICE_FUZZ_FIRST", 0))};
}

Random::Random(std::uint64_t seed, std::size_t index) {
    std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                           static_cast<std::uint32_t>(index),
                           static_cast<std::uint32_t>(std::uint64_t(index) >> 32)};
    engine_.seed(sequence);
}

std::size_t Random::below(std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(engine_);
}

std::size_t Random::between(std::size_t low, std::size_t high) {
    return std::uniform_int_distribution<std::size_t>(low, high)(engine_);
}

bool Random::chance(double probability) {
    return std::bernoulli_distribution(probability)(engine_);
}

char Random::byte() {
    return static_cast<char>(below(256));
}

Watchdog::Watchdog(std::string target, std::uint64_t seed, std::chrono::seconds hang_after)
    : target_(std::move(target)), seed_(seed), hang_after_(hang_after),
      thread_([this] { watch(); }) {
    // A later watchdog finds the first one's handlers: the ones before those stay.
    if (auto before = SetUnhandledExceptionFilter(report_crash); before != report_crash)
        previous_filter = before;
    if (auto before = std::signal(SIGABRT, report_abort); before != report_abort)
        previous_abort = before;
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Watchdog::start(std::size_t index) {
    std::snprintf(crash_note, sizeof crash_note, "fuzz %s: crashed at input %zu (seed %llu)\n",
                  target_.c_str(), index, static_cast<unsigned long long>(seed_));
    std::lock_guard lock(mutex_);
    running_ = true;
    index_ = index;
    started_ = std::chrono::steady_clock::now();
    changed_.notify_all();
}

void Watchdog::stop() {
    std::lock_guard lock(mutex_);
    running_ = false;
    changed_.notify_all();
}

void Watchdog::watch() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!running_) {
            changed_.wait(lock);
            continue;
        }
        const std::size_t index = index_;
        const auto deadline = started_ + hang_after_;
        if (changed_.wait_until(lock, deadline,
                                [&] { return quit_ || !running_ || index_ != index; }))
            continue;
        std::fprintf(stderr, "fuzz %s: input %zu (seed %llu) still running after %lld s\n",
                     target_.c_str(), index, static_cast<unsigned long long>(seed_),
                     static_cast<long long>(hang_after_.count()));
        std::fflush(stderr);
        std::abort();
    }
}

Tally::Tally(std::string target, Plan plan, std::chrono::milliseconds bound)
    : target_(std::move(target)), plan_(plan), bound_(bound) {}

void Tally::timed(std::size_t index, std::chrono::steady_clock::duration took,
                  std::string_view input) {
    if (took > slowest_)
        slowest_ = took;
    if (took > bound_) {
        ++hangs_;
        note(index,
             std::string("took ") +
                 std::to_string(
                     std::chrono::duration_cast<std::chrono::milliseconds>(took).count()) +
                 " ms",
             input);
    }
}

void Tally::wrong(std::size_t index, const std::string& what, std::string_view input) {
    ++wrongs_;
    note(index, what, input);
}

void Tally::note(std::size_t index, const std::string& what, std::string_view input) {
    if (notes_.size() < 10)
        notes_.push_back(std::string("input ") + std::to_string(index) + ": " + what + "\n    " +
                         shown(input));
}

std::string Tally::report(std::size_t tried) const {
    std::string text =
        "fuzz " + target_ + std::string(": seed ") + std::to_string(plan_.seed) +
        std::string(", ") + std::to_string(tried) + std::string(" inputs, ") +
        std::to_string(tried < plan_.count ? 1 : 0) + std::string(" crashes, ") +
        std::to_string(hangs_) + std::string(" over the ") + std::to_string(bound_.count()) +
        std::string(" ms bound, ") + std::to_string(wrongs_) +
        std::string(" wrong outcomes; slowest ") +
        std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(slowest_).count()) +
        " ms\n";
    for (const std::string& note : notes_)
        text += "  " + note + "\n";
    return text;
}

std::string shown(std::string_view input, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < input.size() && i < limit; ++i) {
        auto c = static_cast<unsigned char>(input[i]);
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    if (input.size() > limit)
        text += std::string("... (") + std::to_string(input.size()) + " bytes)";
    return text;
}

} // namespace cuevoice::fuzz
