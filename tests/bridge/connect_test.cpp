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
    std::uint16_t port = unused_port();
    auto [sender, receiver] = make_channel<BridgeEvent>();
    auto connecting = std::async(std::launch::async, [&, sender = sender] {
        return connect_bridge(port, "test-token-0123456789",
                              std::chrono::steady_clock::now() + std::chrono::seconds(30),
                              live_child(), sender);
    });
    // Several attempts are refused before anything listens.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ScriptedPeer peer(port);
    ASSERT_TRUE(peer.accept());
    std::optional<std::string> hello = peer.read_line();
    ASSERT_TRUE(hello);
    EXPECT_EQ(*hello, R"({"cmd":"hello","id":1,"token":"test-token-0123456789"})");
    peer.send(reply_line(*hello, R"("ok":true)"));
    Result<SharedBridge> bridge = connecting.get();
    EXPECT_TRUE(bridge) << bridge.error();
}

TEST(Connect, GivesUpAtTheDeadlineWithTheRefusalText) {
    ASSERT_FALSE(refusal_text().empty());
    auto [sender, receiver] = make_channel<BridgeEvent>();
    Result<SharedBridge> bridge = connect_bridge(
        unused_port(), "test-token-0123456789",
        std::chrono::steady_clock::now() + std::chrono::milliseconds(600), live_child(), sender);
    ASSERT_FALSE(bridge);
    EXPECT_EQ(bridge.error(), "cannot connect to the Mixxx plugin: " + refusal_text());
}

TEST(Connect, GivesUpAtOnceWhenMixxxHasExited) {
    SharedMixxxChild child = exited_child(0);
    ASSERT_TRUE(child);
    auto [sender, receiver] = make_channel<BridgeEvent>();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    Result<SharedBridge> bridge =
        connect_bridge(unused_port(), "test-token-0123456789", deadline, child, sender);
    ASSERT_FALSE(bridge);
    EXPECT_EQ(bridge.error(), "cannot connect to the Mixxx plugin: " + refusal_text());
    // It did not sit out the deadline.
    EXPECT_LT(std::chrono::steady_clock::now(), deadline);
}
