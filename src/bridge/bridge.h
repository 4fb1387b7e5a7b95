#pragma once
// The client end of the plug-in link: connecting with the handshake, one request and its reply
// at a time per caller, and the reader thread that routes what the plug-in sends.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bridge/events.h"
#include "bridge/mixxx_link.h"
#include "bridge/protocol.h"
#include "bridge/reply_channel.h"
#include "bridge/socket.h"
#include "common/channel.h"
#include "common/mixxx_child.h"
#include "common/result.h"

namespace cuevoice {

// Requests waiting for their reply, by id; shared by the requesters and the reader thread.
// Each entry is the sending end of the channel that carries that one reply.
struct PendingReplies {
    std::mutex mutex;
    std::unordered_map<std::uint64_t, ReplySender> waiting;
};

// The shared link to the plug-in. The last reference closes the writing socket.
class Bridge final : public MixxxLink {
public:
    Bridge(std::shared_ptr<PendingReplies> pending, net::Socket socket);
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    // Sets "id" in the message, writes it as one line and waits for the reply with that id.
    Result<json> request(json message, int wait_seconds) override;

    // Writes every line at once, with one write, then takes the replies in turn, each within
    // `wait_seconds` of the one before; the first failure gives up the rest.
    std::vector<Result<json>> request_all(std::vector<json> messages, int wait_seconds) override;

private:
    // A request registered for its reply: its id and the end its reply arrives at.
    struct Outstanding {
        std::uint64_t id;
        ReplyReceiver receiver;
    };
    // Gives the message its id, registers it and appends its line to `lines`.
    Outstanding register_request(json& message, std::string& lines);
    // Writes the lines; the error text when they could not be sent.
    std::optional<std::string> write(const std::string& lines);
    Result<json> wait_reply(Outstanding& outstanding, std::chrono::milliseconds timeout);

    std::shared_ptr<PendingReplies> pending_;
    std::mutex writer_; // whoever holds it writes one line
    net::UniqueSocket socket_;
    std::atomic<std::uint64_t> next_id_{1};
};

using SharedBridge = std::shared_ptr<Bridge>;

// Connects to the plug-in on 127.0.0.1:`port`, retrying every 250 ms until the deadline passes
// or Mixxx has exited, starts the thread "bridge-reader" and performs the "hello" handshake.
// `events` goes to the reader, which becomes its only sender.
Result<SharedBridge> connect_bridge(std::uint16_t port, const std::string& token,
                                    std::chrono::steady_clock::time_point deadline,
                                    const SharedMixxxChild& mixxx, Sender<BridgeEvent> events);

// Body of the thread "bridge-reader": reads `socket` until the connection ends, hands replies
// to their requests and change events to `events`, then wakes every waiting request and sends
// `Disconnected` last.
void bridge_reader(net::Socket socket, std::shared_ptr<PendingReplies> pending,
                   Sender<BridgeEvent> events);

} // namespace cuevoice
