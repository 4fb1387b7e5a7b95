#include "bridge/reply_channel.h"

#include <mutex>

#include "common/slim_sync.h"

namespace cuevoice {

namespace reply_detail {
struct Slot {
    SlimMutex lock;
    SlimCondition ready;
    std::optional<nlohmann::json> reply;
    bool closed = false;
};
} // namespace reply_detail

ReplySender& ReplySender::operator=(ReplySender&& other) noexcept {
    if (this != &other) {
        close();
        slot_ = std::move(other.slot_);
    }
    return *this;
}

ReplySender::~ReplySender() {
    close();
}

void ReplySender::send(nlohmann::json reply) {
    if (!slot_)
        return;
    {
        std::lock_guard locked(slot_->lock);
        slot_->reply = std::move(reply);
        slot_->closed = true;
    }
    slot_->ready.notify_all();
    slot_.reset();
}

void ReplySender::close() {
    if (!slot_)
        return;
    {
        std::lock_guard locked(slot_->lock);
        slot_->closed = true;
    }
    slot_->ready.notify_all();
    slot_.reset();
}

std::optional<nlohmann::json> ReplyReceiver::recv_for(std::chrono::milliseconds timeout) {
    std::unique_lock locked(slot_->lock);
    slot_->ready.wait_for(locked, timeout, [this] { return slot_->closed; });
    return std::move(slot_->reply);
}

std::pair<ReplySender, ReplyReceiver> make_reply_channel() {
    auto slot = std::make_shared<reply_detail::Slot>();
    return {ReplySender(slot), ReplyReceiver(slot)};
}

} // namespace cuevoice
