#include "actions/test_script.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "applog/applog.h"
#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "common/clock.h"
#include "common/white_space.h"
#include "config/key_map.h"
#include "context/value_format.h"

namespace cuevoice {
namespace {

using namespace std::chrono_literals;

constexpr auto pause_after_job = 900ms;

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (;;) {
        std::size_t at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return pieces;
        text.remove_prefix(at + 1);
    }
}

// An unsigned decimal with an optional "+"; anything else, or a value beyond 64 bits, is 0.
std::uint64_t sleep_milliseconds(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::uint64_t value = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size())
        return 0;
    return value;
}

std::optional<double> read_number(std::string_view text) {
    // from_chars takes a "-" but not a "+".
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+'))
            return std::nullopt;
    }
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string rounded_decimal(double value) {
    const double scaled = value * 1000;
    return number_text(std::isfinite(scaled) ? std::round(scaled) / 1000 : value);
}

class TestScript {
public:
    TestScript(ActionSender actions, MixxxLink& link, const TestScriptHooks& hooks)
        : actions_(std::move(actions)), link_(link), hooks_(hooks) {}

    void run_step(std::string_view step) {
        if (step.starts_with("sleep:"))
            hooks_.clock.sleep_for(std::chrono::milliseconds(
                std::min<std::uint64_t>(sleep_milliseconds(step.substr(6)), longest_sleep_ms)));
        else if (step.starts_with("set:"))
            set_step(step);
        else if (step.starts_with("log:"))
            log_step(step.substr(4));
        else if (step.starts_with("run:"))
            run_function_step(step.substr(4));
        else
            key_step(step);
    }

private:
    // Keeps a sleep of any length inside what the clock's duration can hold.
    static constexpr std::uint64_t longest_sleep_ms = std::uint64_t{1} << 40;

    void set_step(std::string_view step) {
        std::string_view rest = step.substr(4);
        std::size_t equals = rest.find('=');
        std::size_t comma = rest.substr(0, equals == std::string_view::npos ? 0 : equals).find(',');
        std::optional<double> value;
        if (equals != std::string_view::npos && comma != std::string_view::npos)
            value = read_number(trim_white_space(rest.substr(equals + 1)));
        if (!value) {
            hooks_.log("test: bad step " + std::string(step));
            return;
        }
        std::string group(rest.substr(0, comma));
        std::string key(rest.substr(comma + 1, equals - comma - 1));
        // The line says what was asked; whether Mixxx took it shows in a later log step.
        (void)set(link_, group, key, "value", *value);
        hooks_.log("test: set " + group + "," + key + "=" + number_text(*value));
    }

    void log_step(std::string_view pieces) {
        std::string line;
        for (std::string_view piece : split(pieces, '|')) {
            std::size_t comma = piece.find(',');
            if (comma == std::string_view::npos)
                continue;
            std::string group(piece.substr(0, comma));
            std::string key(piece.substr(comma + 1));
            Result<double> value = get(link_, group, key, "value");
            if (!line.empty())
                line += "  ";
            line += group + "," + key + "=" + (value ? rounded_decimal(*value) : "?");
        }
        hooks_.log("test: " + line);
    }

    void run_function_step(std::string_view id) {
        std::optional<BoundAction> bound = action_for_function_id(id);
        if (!bound) {
            hooks_.log("test: unknown function " + std::string(id));
        } else {
            hooks_.log("test run: " + std::string(id));
            actions_.send(HotKeyPress{"", std::make_shared<const BoundAction>(std::move(*bound))});
        }
        hooks_.clock.sleep_for(pause_after_job);
    }

    void key_step(std::string_view step) {
        std::optional<HotKeyPress> job;
        if (Result<KeyChord> chord = parse_key_chord(step))
            job = hooks_.find_row(*chord);
        if (!job) {
            hooks_.log("test: unknown key " + std::string(step));
        } else {
            hooks_.log("test key: " + std::string(step));
            actions_.send(std::move(*job));
        }
        hooks_.clock.sleep_for(pause_after_job);
    }

    ActionSender actions_;
    MixxxLink& link_;
    const TestScriptHooks& hooks_;
};

} // namespace

void run_test_script(ActionSender actions, std::string script, std::shared_ptr<MixxxLink> bridge,
                     const TestScriptHooks& hooks) {
    hooks.clock.sleep_for(1s);
    TestScript runner(std::move(actions), *bridge, hooks);
    for (std::string_view piece : split(script, ';')) {
        std::string_view step = trim_white_space(piece);
        if (!step.empty())
            runner.run_step(step);
    }
    hooks.log("test: done");
}

} // namespace cuevoice
