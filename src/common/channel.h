#pragma once
// Unbounded multi-producer channel. The receiver sees every queued message after the last
// sender is gone and then learns the channel is closed; senders learn when the receiver is gone.
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "common/slim_sync.h"

namespace cuevoice {

namespace channel_detail {
template <typename T> struct State {
    // Every key press, change event and spoken text passes here: the slim kind wakes the
    // receiver without a round trip to the wineserver.
    SlimMutex mutex;
    SlimCondition ready;
    std::deque<T> queue;
    std::size_t senders = 0;
    bool receiver_alive = true;
};
} // namespace channel_detail

template <typename T> class Sender {
public:
    Sender() = default;
    explicit Sender(std::shared_ptr<channel_detail::State<T>> state) : state_(std::move(state)) {
        if (state_) {
            std::lock_guard lock(state_->mutex);
            ++state_->senders;
        }
    }
    Sender(const Sender& other) : Sender(other.state_) {}
    Sender(Sender&& other) noexcept : state_(std::move(other.state_)) {}
    Sender& operator=(Sender other) noexcept {
        std::swap(state_, other.state_);
        return *this;
    }
    ~Sender() { reset(); }

    // False when the receiver is gone; the message is dropped then.
    bool send(T message) const {
        if (!state_)
            return false;
        {
            std::lock_guard lock(state_->mutex);
            if (!state_->receiver_alive)
                return false;
            state_->queue.push_back(std::move(message));
        }
        state_->ready.notify_one();
        return true;
    }

    void reset() {
        if (!state_)
            return;
        bool last = false;
        {
            std::lock_guard lock(state_->mutex);
            last = --state_->senders == 0;
        }
        if (last)
            state_->ready.notify_all();
        state_.reset();
    }

    explicit operator bool() const { return state_ != nullptr; }

private:
    std::shared_ptr<channel_detail::State<T>> state_;
};

template <typename T> class Receiver {
public:
    Receiver() = default;
    explicit Receiver(std::shared_ptr<channel_detail::State<T>> state) : state_(std::move(state)) {}
    Receiver(Receiver&&) noexcept = default;
    Receiver& operator=(Receiver&& other) noexcept {
        close();
        state_ = std::move(other.state_);
        return *this;
    }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;
    ~Receiver() { close(); }

    // Waits for the next message; none once the channel is empty and every sender is gone.
    // A closed (or moved-from) receiver has no channel left and answers none at once.
    std::optional<T> recv() {
        if (!state_)
            return std::nullopt;
        std::unique_lock lock(state_->mutex);
        state_->ready.wait(lock, [&] { return !state_->queue.empty() || state_->senders == 0; });
        return take(lock);
    }

    // As recv, but gives up after the timeout.
    template <typename Rep, typename Period>
    std::optional<T> recv_for(std::chrono::duration<Rep, Period> timeout) {
        if (!state_)
            return std::nullopt;
        std::unique_lock lock(state_->mutex);
        state_->ready.wait_for(lock, timeout,
                               [&] { return !state_->queue.empty() || state_->senders == 0; });
        return take(lock);
    }

    std::optional<T> try_recv() {
        if (!state_)
            return std::nullopt;
        std::unique_lock lock(state_->mutex);
        return take(lock);
    }

    void close() {
        if (!state_)
            return;
        std::deque<T> dropped;
        {
            std::lock_guard lock(state_->mutex);
            state_->receiver_alive = false;
            dropped.swap(state_->queue);
        }
        state_.reset();
    }

private:
    std::optional<T> take(std::unique_lock<SlimMutex>&) {
        if (state_->queue.empty())
            return std::nullopt;
        T message = std::move(state_->queue.front());
        state_->queue.pop_front();
        return message;
    }

    std::shared_ptr<channel_detail::State<T>> state_;
};

template <typename T> std::pair<Sender<T>, Receiver<T>> make_channel() {
    auto state = std::make_shared<channel_detail::State<T>>();
    return {Sender<T>(state), Receiver<T>(state)};
}

} // namespace cuevoice
