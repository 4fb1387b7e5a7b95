#pragma once
#include <string>
#include <string_view>
#include <variant>

#include "common/channel.h"

namespace cuevoice {

struct Say {
    std::string text;
    bool interrupt = true;
};
struct Stop {};
using SpeechMessage = std::variant<Say, Stop>;

// The sending end of the speech queue; every copy feeds the one speech thread.
using Speech = Sender<SpeechMessage>;

// Starts the thread "speech" and returns the handle that feeds it.
Speech start_speech();

// Interrupting says (answers to key presses) and queued says (announcements, news).
void say(const Speech& speech, std::string text);
void say_str(const Speech& speech, std::string_view text);
void say_queued(const Speech& speech, std::string text);
void say_queued_str(const Speech& speech, std::string_view text);

} // namespace cuevoice
