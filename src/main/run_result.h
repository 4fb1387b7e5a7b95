#pragma once
#include <string>

namespace cuevoice {

// What the run hands back to the process entry.
struct RunResult {
    enum class Kind { ok, error, stop };
    Kind kind = Kind::ok;
    std::string text;

    static RunResult ok() { return {}; }
    static RunResult error(std::string text) { return {Kind::error, std::move(text)}; }
    static RunResult stop(std::string text) { return {Kind::stop, std::move(text)}; }
};

} // namespace cuevoice
