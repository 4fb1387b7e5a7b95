#pragma once
// One TCP connection of the plug-in stand-in (the product's or the control channel's).
#include <winsock2.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "session.h"

namespace mixxxsim {

// One TCP connection: a reader (the thread that accepted it) and a writer thread with a queue,
// so that replies and events leave in the order they were made, never under the model's lock.
struct Connection {
    SOCKET socket = INVALID_SOCKET;
    bool control = false;
    std::unique_ptr<Session> session;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::string> queue;
    bool closing = false;
    bool sending = false;

    void enqueue(std::string bytes) {
        {
            std::lock_guard lock(mutex);
            if (closing)
                return;
            queue.push_back(std::move(bytes));
        }
        wake.notify_all();
    }
    // Sends what is queued, then ends the connection.
    void close_after_flush() {
        {
            std::lock_guard lock(mutex);
            closing = true;
        }
        wake.notify_all();
    }
    void close_now() { shutdown(socket, SD_BOTH); }
    bool drained(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return wake.wait_for(lock, timeout, [&] { return queue.empty() && !sending; });
    }

    // The writer thread's body: sends the queue in order, then shuts the socket down.
    void writer() {
        std::unique_lock lock(mutex);
        while (true) {
            wake.wait(lock, [&] { return !queue.empty() || closing; });
            if (queue.empty() && closing)
                break;
            std::string bytes = std::move(queue.front());
            queue.pop_front();
            sending = true;
            lock.unlock();
            const char* p = bytes.data();
            std::size_t left = bytes.size();
            bool failed = false;
            while (left > 0) {
                int chunk = static_cast<int>(std::min<std::size_t>(left, 1 << 20));
                int sent = send(socket, p, chunk, 0);
                if (sent <= 0) {
                    failed = true;
                    break;
                }
                p += sent;
                left -= static_cast<std::size_t>(sent);
            }
            lock.lock();
            sending = false;
            wake.notify_all();
            if (failed) {
                queue.clear();
                closing = true;
            }
        }
        lock.unlock();
        shutdown(socket, SD_BOTH);
    }
};

} // namespace mixxxsim
