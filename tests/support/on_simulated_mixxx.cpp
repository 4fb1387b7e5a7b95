#include "on_simulated_mixxx.h"

#include <chrono>
#include <optional>
#include <utility>
#include <variant>

#include "actions/dispatch.h"

namespace cuevoice::test {

using namespace std::chrono_literals;

void OnSimulatedMixxx::SetUp() {
    ASSERT_TRUE(sim.child()) << "the simulated Mixxx did not start: error " << sim.start_error();
    ASSERT_TRUE(sim.wait_loaded());
    auto [sender, events] = make_channel<BridgeEvent>();
    events_ = std::move(events);
    Result<SharedBridge> connected = connect_bridge(
        sim.port(), sim.token(), std::chrono::steady_clock::now() + 30s, sim.child(), sender);
    ASSERT_TRUE(connected) << connected.error();
    bridge = *connected;
    auto [speech, heard] = make_channel<SpeechMessage>();
    heard_ = std::move(heard);
    context = std::make_unique<Context>(std::move(speech), bridge, clock);
}

nlohmann::json OnSimulatedMixxx::control(const nlohmann::json& request) {
    std::optional<nlohmann::json> reply = sim.control(request);
    EXPECT_TRUE(reply && reply->value("ok", false)) << request.dump();
    return reply ? *reply : nlohmann::json();
}

double OnSimulatedMixxx::value(const std::string& group, const std::string& key) {
    return control({{"cmd", "get"}, {"group", group}, {"key", key}}).value("value", -12345.0);
}

void OnSimulatedMixxx::put(const std::string& group, const std::string& key, double v) {
    control({{"cmd", "set"}, {"group", group}, {"key", key}, {"value", v}});
}

std::vector<std::string> OnSimulatedMixxx::spoken() {
    std::vector<std::string> texts;
    while (std::optional<SpeechMessage> message = heard_.try_recv())
        if (const Say* say = std::get_if<Say>(&*message))
            texts.push_back(say->text);
    return texts;
}

std::vector<std::string> OnSimulatedMixxx::run(const Action& action, std::uint8_t deck) {
    Result<void> result = dispatch_action(*context, action, deck);
    std::vector<std::string> texts = spoken();
    if (!result)
        texts.push_back("Error: " + result.error());
    return texts;
}

} // namespace cuevoice::test
