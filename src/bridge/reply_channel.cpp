#include "bridge/reply_channel.h"

#include <windows.h>

namespace cuevoice {

namespace reply_detail {
struct Slot {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE ready = CONDITION_VARIABLE_INIT;
    std::optional<nlohmann::json> reply;
    bool closed = false;
};
} // namespace reply_detail

namespace {

class Locked {
public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& lock_;
};

} // namespace

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
        Locked locked(slot_->lock);
        slot_->reply = std::move(reply);
        slot_->closed = true;
    }
    WakeAllConditionVariable(&slot_->ready);
    slot_.reset();
}

void ReplySender::close() {
    if (!slot_)
        return;
    {
        Locked locked(slot_->lock);
        slot_->closed = true;
    }
    WakeAllConditionVariable(&slot_->ready);
    slot_.reset();
}

std::optional<nlohmann::json> ReplyReceiver::recv_for(std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    Locked locked(slot_->lock);
    while (!slot_->closed) {
        auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        SleepConditionVariableSRW(&slot_->ready, &slot_->lock, static_cast<DWORD>(left.count()), 0);
    }
    return std::move(slot_->reply);
}

std::pair<ReplySender, ReplyReceiver> make_reply_channel() {
    auto slot = std::make_shared<reply_detail::Slot>();
    return {ReplySender(slot), ReplyReceiver(slot)};
}

} // namespace cuevoice
