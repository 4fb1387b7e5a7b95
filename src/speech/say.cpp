#include "applog/applog.h"
#include "speech/speech.h"
#include "speech/speech_thread.h"

#include "common/stage_stamps.h"
#include "common/threads.h"

namespace cuevoice {
namespace {

void send_say(const Speech& speech, std::string text, bool interrupt) {
    stamp_stage(Stage::say_called);
    app_log("say: " + text);
    stamp_stage(Stage::say_logged);
    // A speech thread that has ended drops the text; the caller goes on.
    speech.send(Say{std::move(text), interrupt});
}

} // namespace

Speech start_speech() {
    auto [sender, receiver] = make_channel<SpeechMessage>();
    auto shared_receiver = std::make_shared<Receiver<SpeechMessage>>(std::move(receiver));
    spawn_named("speech", "spawn speech thread",
                [shared_receiver] { speech_thread(std::move(*shared_receiver)); });
    return sender;
}

void say(const Speech& speech, std::string text) {
    send_say(speech, std::move(text), true);
}
void say_str(const Speech& speech, std::string_view text) {
    send_say(speech, std::string(text), true);
}
void say_queued(const Speech& speech, std::string text) {
    send_say(speech, std::move(text), false);
}
void say_queued_str(const Speech& speech, std::string_view text) {
    send_say(speech, std::string(text), false);
}

} // namespace cuevoice
