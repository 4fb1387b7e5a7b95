#pragma once
// The single-use channel that carries one reply from the reader thread to the request waiting
// for it. Built on the system's slim lock and condition variable: handing a reply to another
// thread that way costs about a seventh of what the general-purpose channel's wake-up costs
// under Wine, and every request pays for one.
#include <chrono>
#include <memory>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>

namespace cuevoice {

namespace reply_detail {
struct Slot;
}

// The reader's end: delivers the reply once. Dropping it undelivered wakes the waiting request
// with no reply.
class ReplySender {
public:
    ReplySender() = default;
    explicit ReplySender(std::shared_ptr<reply_detail::Slot> slot) : slot_(std::move(slot)) {}
    ReplySender(ReplySender&&) noexcept = default;
    ReplySender& operator=(ReplySender&& other) noexcept;
    ~ReplySender();

    void send(nlohmann::json reply);

private:
    void close();
    std::shared_ptr<reply_detail::Slot> slot_;
};

// The request's end.
class ReplyReceiver {
public:
    explicit ReplyReceiver(std::shared_ptr<reply_detail::Slot> slot) : slot_(std::move(slot)) {}

    // The reply, or none when the time ran out or the sending end was dropped first.
    std::optional<nlohmann::json> recv_for(std::chrono::milliseconds timeout);

private:
    std::shared_ptr<reply_detail::Slot> slot_;
};

std::pair<ReplySender, ReplyReceiver> make_reply_channel();

} // namespace cuevoice
