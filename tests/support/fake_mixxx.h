#pragma once
// A Mixxx link answered from a table, for tests of what runs on top of the typed requests:
// no socket, no plug-in, no waiting. Replies have the plug-in's shapes and error texts and are
// judged as the bridge judges them; every request is recorded.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bridge/mixxx_link.h"
#include "bridge/protocol.h"

namespace cuevoice::test {

class FakeMixxx final : public MixxxLink {
public:
    struct SentRequest {
        json message; // as the caller passed it: without "id"
        int wait_seconds = 0;
    };

    // Makes the control known with this value of its property ("value" or "parameter"); a
    // property of a known control that was never put reads 0.
    void put(const std::string& group, const std::string& key, double value,
             const std::string& prop = "value");
    // The property's current value; none for a control the table does not hold.
    std::optional<double> value(const std::string& group, const std::string& key,
                                const std::string& prop = "value") const;

    // Every request that names the control answers a failure with this "error" text.
    void fail_control(const std::string& group, const std::string& key, std::string error);
    // "set" on the control succeeds but changes nothing, as for a value Mixxx computes itself.
    void ignore_sets(const std::string& group, const std::string& key);
    // Every request fails with this text, as when the plug-in no longer answers; none to end.
    void fail_all(std::optional<std::string> text = std::string("Mixxx did not answer"));

    // What "selectedtrack", "effectname" and "effectindex" answer.
    void select_track(std::map<std::string, std::string> fields, std::uint64_t row,
                      std::uint64_t rows, std::uint64_t selected);
    void add_effect(std::string id, std::string name); // indexes count from 1
    // Replies to any other command ("deckinfo", "dumpwidgets"): these members beside "ok".
    void answer(const std::string& cmd, json members);

    Result<json> request(json message, int wait_seconds) override;

    std::vector<SentRequest> requests() const;
    std::vector<json> messages() const;
    void forget_requests();

private:
    using Address = std::tuple<std::string, std::string, std::string>; // group, key, prop

    json answer_locked(const json& message);
    bool known(const std::string& group, const std::string& key) const;
    const std::string* failure(const std::string& group, const std::string& key) const;

    mutable std::mutex mutex_;
    std::map<Address, double> values_;
    std::map<std::pair<std::string, std::string>, std::string> failing_;
    std::set<std::pair<std::string, std::string>> ignoring_;
    std::optional<std::string> all_failing_;
    json track_ = {{"fields", json::object()}, {"row", 0}, {"rows", 0}, {"selected", 0}};
    std::vector<std::pair<std::string, std::string>> effects_;
    std::map<std::string, json> canned_;
    std::vector<SentRequest> requests_;
    std::uint64_t next_id_ = 1;
};

} // namespace cuevoice::test
