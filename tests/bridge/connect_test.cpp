#include <future>
#include <thread>

#include <gtest/gtest.h>

#include <winsock2.h>

#include "bridge/bridge.h"
#include "common/text.h"
#include "line_client.h"
#include "scripted_peer.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

// A real child process that has already ended with `code`.
SharedMixxxChild exited_child(int code) {
    std::wstring command = L"cmd.exe /c exit " + std::to_wstring(code);
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
        return nullptr;
    WaitForSingleObject(info.hProcess, 30000);
    return std::make_shared<MixxxChild>(info.hProcess, info.hThread, info.dwProcessId);
}

std::string refusal_text() {
    return system_message(WSAECONNREFUSED);
}

} // namespace

TEST(MixxxChildRecord, TellsRunningFromExitedWithoutWaiting) {
    MixxxStatus running = live_child()->status();
    EXPECT_EQ(running.kind, MixxxStatus::Kind::running);
    EXPECT_EQ(running.text(), "running");

    SharedMixxxChild child = exited_child(3);
    ASSERT_TRUE(child);
    MixxxStatus exited = child->status();
    EXPECT_EQ(exited.kind, MixxxStatus::Kind::exited);
    EXPECT_EQ(exited.exit_code, 3u);
    EXPECT_EQ(exited.text(), "exited with code 3");
    EXPECT_TRUE(mixxx_gone(exited));
}

TEST(Connect, KeepsTryingUntilThePluginListens) {
    // The port is held, not listened on: attempts are refused and nothing else can take it.
    ScriptedPeer peer(0, false);
    auto [sender, receiver] = make_channel<BridgeEvent>();
    auto connecting = std::async(std::launch::async, [&, sender = sender] {
        return connect_bridge(peer.port(), "test-token-0123456789",
                              std::chrono::steady_clock::now() + std::chrono::seconds(30),
                              live_child(), sender);
    });
    // Refused for several retry periods, it neither gives up nor claims a connection.
    ASSERT_EQ(connecting.wait_for(std::chrono::milliseconds(800)), std::future_status::timeout);
    peer.listen();
    // The next try comes within a few retry periods, not at the far deadline.
    auto listening = std::chrono::steady_clock::now();
    ASSERT_TRUE(peer.accept(std::chrono::seconds(2)));
    EXPECT_LT(std::chrono::steady_clock::now() - listening, std::chrono::seconds(2));
    std::optional<std::string> hello = peer.read_line();
    ASSERT_TRUE(hello);
    EXPECT_EQ(*hello, R"({"cmd":"hello","id":1,"token":"test-token-0123456789"})");
    peer.send(reply_line(*hello, R"("ok":true)"));
    Result<SharedBridge> bridge = connecting.get();
    EXPECT_TRUE(bridge) << bridge.error();
}

TEST(Connect, GivesUpAtTheDeadlineWithTheRefusalText) {
    ASSERT_FALSE(refusal_text().empty());
    ScriptedPeer refusing(0, false);
    auto [sender, receiver] = make_channel<BridgeEvent>();
    auto begun = std::chrono::steady_clock::now();
    Result<SharedBridge> bridge =
        connect_bridge(refusing.port(), "test-token-0123456789",
                       begun + std::chrono::milliseconds(600), live_child(), sender);
    ASSERT_FALSE(bridge);
    EXPECT_EQ(bridge.error(), "cannot connect to the Mixxx plugin: " + refusal_text());
    // It tried until the deadline, not only once.
    EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(600));
}

TEST(Connect, GivesUpAtOnceWhenMixxxHasExited) {
    SharedMixxxChild child = exited_child(0);
    ASSERT_TRUE(child);
    ScriptedPeer refusing(0, false);
    auto [sender, receiver] = make_channel<BridgeEvent>();
    auto begun = std::chrono::steady_clock::now();
    Result<SharedBridge> bridge = connect_bridge(refusing.port(), "test-token-0123456789",
                                                 begun + std::chrono::seconds(120), child, sender);
    ASSERT_FALSE(bridge);
    EXPECT_EQ(bridge.error(), "cannot connect to the Mixxx plugin: " + refusal_text());
    // After the first refusal, not after retries: a retry period is 250 ms, the deadline 120 s.
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(1));
}
