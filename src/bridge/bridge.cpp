#include "bridge/bridge.h"

#include <thread>
#include <utility>

#include "common/stage_stamps.h"
#include "common/threads.h"
#include "common/utf8.h"

namespace cuevoice {

namespace {

constexpr auto retry_period = std::chrono::milliseconds(250);
constexpr int handshake_wait_seconds = 3;

void remove_pending(PendingReplies& pending, std::uint64_t id) {
    std::lock_guard lock(pending.mutex);
    pending.waiting.erase(id);
}

// Hands a reply to its request, if that request still waits. Delivery and removal happen under
// the lock, the same lock under which a request that gives up removes itself.
void deliver(PendingReplies& pending, Reply reply) {
    std::lock_guard lock(pending.mutex);
    auto found = pending.waiting.find(reply.id);
    if (found == pending.waiting.end())
        return;
    ReplySender sender = std::move(found->second);
    pending.waiting.erase(found);
    sender.send(std::move(reply.object));
}

void handle_line(std::string_view line, PendingReplies& pending,
                 const Sender<BridgeEvent>& events) {
    RoutedLine routed = route_line(line);
    if (auto* change = std::get_if<ChangeEvent>(&routed)) {
        stamp_stage(Stage::event_read);
        events.send(Changed{std::move(*change)});
    } else if (auto* reply = std::get_if<Reply>(&routed)) {
        stamp_stage(Stage::reply_read, reply->id);
        deliver(pending, std::move(*reply));
    }
}

} // namespace

Bridge::Bridge(std::shared_ptr<PendingReplies> pending, net::Socket socket)
    : pending_(std::move(pending)), socket_(socket) {}

Bridge::Outstanding Bridge::register_request(json& message, std::string& lines) {
    std::uint64_t id = next_id_.fetch_add(1);
    message["id"] = id;
    auto [sender, receiver] = make_reply_channel();
    {
        std::lock_guard lock(pending_->mutex);
        pending_->waiting.insert_or_assign(id, std::move(sender));
    }
    lines += encode_line(message);
    stamp_stage(Stage::request_ready, id);
    return Outstanding{id, std::move(receiver)};
}

std::optional<std::string> Bridge::write(const std::string& lines) {
    std::lock_guard lock(writer_);
    return net::send_all(socket_.get(), lines);
}

Result<json> Bridge::wait_reply(Outstanding& outstanding, std::chrono::milliseconds timeout) {
    std::optional<json> reply = outstanding.receiver.recv_for(timeout);
    stamp_stage(Stage::reply_taken, outstanding.id);
    if (!reply) {
        remove_pending(*pending_, outstanding.id);
        return Error{std::string(no_answer_text)};
    }
    return judge_reply(std::move(*reply));
}

Result<json> Bridge::request(json message, int wait_seconds) {
    std::string line;
    Outstanding outstanding = register_request(message, line);
    if (std::optional<std::string> send_error = write(line)) {
        remove_pending(*pending_, outstanding.id);
        return Error{std::string(send_failed_text) + *send_error};
    }
    stamp_stage(Stage::request_written, outstanding.id);
    return wait_reply(outstanding, std::chrono::seconds(wait_seconds));
}

std::vector<Result<json>> Bridge::request_all(std::vector<json> messages, int wait_seconds) {
    std::string lines;
    std::vector<Outstanding> sent;
    sent.reserve(messages.size());
    for (json& message : messages)
        sent.push_back(register_request(message, lines));
    std::vector<Result<json>> replies;
    replies.reserve(sent.size());
    if (std::optional<std::string> send_error = write(lines)) {
        // The first command fails, and the others are given up with it.
        for (const Outstanding& outstanding : sent)
            remove_pending(*pending_, outstanding.id);
        replies.push_back(Error{std::string(send_failed_text) + *send_error});
        return replies;
    }
    for (const Outstanding& outstanding : sent)
        stamp_stage(Stage::request_written, outstanding.id);
    // As one by one: each reply has the whole wait from the one before, and the first failure
    // ends the reading. The rest are no longer waited for; their replies, when they come, are
    // dropped as late replies are.
    for (std::size_t i = 0; i < sent.size(); ++i) {
        replies.push_back(wait_reply(sent[i], std::chrono::seconds(wait_seconds)));
        if (!replies.back()) {
            for (std::size_t rest = i + 1; rest < sent.size(); ++rest)
                remove_pending(*pending_, sent[rest].id);
            break;
        }
    }
    return replies;
}

void bridge_reader(net::Socket socket, std::shared_ptr<PendingReplies> pending,
                   Sender<BridgeEvent> events) {
    net::UniqueSocket owned(socket);
    LineSplitter splitter;
    auto on_line = [&](std::string_view line) {
        // Text that is not UTF-8 means the stream can no longer be trusted.
        if (!is_valid_utf8(line))
            return false;
        handle_line(line, *pending, events);
        return true;
    };
    char buffer[8192];
    for (;;) {
        long got = net::receive(socket, buffer, sizeof buffer);
        if (got < 0)
            break;
        if (got == 0) {
            if (auto last = splitter.finish())
                on_line(*last);
            break;
        }
        if (!splitter.feed(std::string_view(buffer, static_cast<std::size_t>(got)), on_line))
            break;
    }
    owned.reset();
    {
        // Every request still waiting wakes at once and fails.
        std::lock_guard lock(pending->mutex);
        pending->waiting.clear();
    }
    events.send(Disconnected{});
}

Result<SharedBridge> connect_bridge(std::uint16_t port, const std::string& token,
                                    std::chrono::steady_clock::time_point deadline,
                                    const SharedMixxxChild& mixxx, Sender<BridgeEvent> events) {
    net::UniqueSocket socket;
    for (;;) {
        Result<net::Socket> attempt = net::connect_loopback(port);
        if (attempt) {
            socket.reset(*attempt);
            break;
        }
        auto fail = [&] { return Error{"cannot connect to the Mixxx plugin: " + attempt.error()}; };
        if (std::chrono::steady_clock::now() >= deadline)
            return fail();
        // Without a child to ask, nobody can tell whether Mixxx still runs.
        if (!mixxx || mixxx_gone(mixxx->status()))
            return fail();
        std::this_thread::sleep_for(retry_period);
    }
    net::set_no_delay(socket.get());
    Result<net::Socket> reader_socket = net::duplicate_socket(socket.get());
    if (!reader_socket)
        return Error{"socket clone failed: " + reader_socket.error()};
    auto pending = std::make_shared<PendingReplies>();
    auto bridge = std::make_shared<Bridge>(pending, socket.release());
    spawn_named("bridge-reader", "spawn reader thread",
                [reader = *reader_socket, pending, events = std::move(events)] {
                    bridge_reader(reader, pending, events);
                });
    Result<json> hello =
        request(*bridge, json{{"cmd", "hello"}, {"token", token}}, handshake_wait_seconds);
    if (!hello)
        return Error{hello.error()};
    return bridge;
}

} // namespace cuevoice
