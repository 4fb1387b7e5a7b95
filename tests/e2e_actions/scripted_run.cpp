#include "scripted_run.h"

#include <gtest/gtest.h>

#include "line_client.h"

namespace cuevoice::test {

const std::string ready_text =
    "Cuevoice ready. Deck 1 selected. Control Alt F12 turns key help on or off.";

namespace {

const std::string say_prefix = "say: ";

bool starts_with(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The log's messages after the ready text; empty before it.
Lines after_ready(const CuevoiceRun& run) {
    Lines messages = run.messages();
    for (std::size_t i = 0; i < messages.size(); ++i)
        if (messages[i] == say_prefix + ready_text)
            return Lines(messages.begin() + static_cast<std::ptrdiff_t>(i) + 1, messages.end());
    return {};
}

} // namespace

std::string script_of(const Lines& steps) {
    std::string script;
    for (const std::string& step : steps)
        script += step + ";";
    return script;
}

ScriptedRun::ScriptedRun(ScriptedSetup setup) {
    std::filesystem::path bin = bin_folder();
    std::filesystem::path scenario = files_.path() / "scenario.json";
    write_file(scenario, setup.scenario.dump());
    // Mixxx inherits the product's environment, so the scenario reaches it from here.
    std::vector<std::string> environment = {"MIXXXSIM_CLOCK=manual",
                                            "MIXXXSIM_SCENARIO=" + windows_text(scenario)};
    environment.push_back(setup.script ? "CUEVOICE_TEST_ACTIONS=" + *setup.script
                                       : "CUEVOICE_TEST_ACTIONS");
    run_ = std::make_unique<CuevoiceRun>(CuevoiceSetup{
        .program = bin / "cuevoice.exe",
        .settings = settings_text(bin / "mixxx.exe", private_port()) + setup.more_settings,
        .environment = std::move(environment)});
}

bool ScriptedRun::ready(std::chrono::milliseconds timeout) const {
    return run_->wait_for_message(say_prefix + ready_text, timeout);
}

bool ScriptedRun::script_done(std::chrono::milliseconds timeout) const {
    return run_->wait_for_message("test: done", timeout);
}

Lines ScriptedRun::transcript() const {
    Lines lines;
    for (const std::string& message : after_ready(*run_))
        if (starts_with(message, say_prefix) ||
            (starts_with(message, "test: ") && message != "test: done"))
            lines.push_back(message);
    return lines;
}

Lines ScriptedRun::spoken() const {
    Lines lines;
    for (const std::string& message : after_ready(*run_))
        if (starts_with(message, say_prefix))
            lines.push_back(message.substr(say_prefix.size()));
    return lines;
}

bool ScriptedRun::wait_said(const std::string& text, std::size_t count,
                            std::chrono::milliseconds timeout) const {
    return eventually(
        [&] {
            std::size_t seen = 0;
            for (const std::string& line : spoken())
                seen += line == text;
            return seen >= count;
        },
        timeout);
}

nlohmann::json ScriptedRun::control(const nlohmann::json& request) const {
    std::optional<nlohmann::json> reply = run_->control(request);
    EXPECT_TRUE(reply && reply->value("ok", false))
        << request.dump() << " -> " << (reply ? reply->dump() : "no reply");
    return reply ? *reply : nlohmann::json();
}

void ScriptedRun::put(const std::string& group, const std::string& key, double value) const {
    control({{"cmd", "set"}, {"group", group}, {"key", key}, {"value", value}});
}

bool ScriptedRun::wait_for_request(const std::string& command, bool fresh,
                                   std::chrono::milliseconds timeout) const {
    if (fresh)
        control({{"cmd", "requests"}, {"clear", true}});
    return eventually(
        [&] {
            nlohmann::json reply = control({{"cmd", "requests"}});
            for (const nlohmann::json& line : reply["requests"]) {
                nlohmann::json request =
                    nlohmann::json::parse(line.get<std::string>(), nullptr, false);
                if (request.is_object() && request.value("cmd", "") == command)
                    return true;
            }
            return false;
        },
        timeout);
}

} // namespace cuevoice::test
