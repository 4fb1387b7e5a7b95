#pragma once
// Key presses for run_bench from a long-running Linux helper (xtest_keys.py beside the
// program), which stamps each one with the system clock just before the main key goes down
// through XTest: no process start sits between the stamp and the key.
#include <memory>
#include <optional>
#include <string>

#include "line_client.h"

namespace cuevoice::bench {

class XTestKeys {
public:
    // Starts the helper on a port of its own and connects to it; check ready().
    XTestKeys();
    bool ready() const { return client_ && client_->connected(); }
    // Why the helper is not ready, for the report.
    const std::string& problem() const { return problem_; }

    // Presses and releases the keys (X key names, the main key last: "Control_L Alt_L t");
    // the system time in 100-ns steps since 1601 just before the main key went down.
    std::optional<long long> press(const std::string& keys);

private:
    std::unique_ptr<test::LineClient> client_;
    std::string problem_;
};

} // namespace cuevoice::bench
