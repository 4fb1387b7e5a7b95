#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "speech/speech.h"

namespace cuevoice {

// Body of the thread "speech": NVDA when it runs, else SAPI, decided anew for every message.
void speech_thread(Receiver<SpeechMessage> receiver);

// The same with the program folder given, so the search for NVDA's library can be pointed
// at a prepared folder.
void speech_thread_in(Receiver<SpeechMessage> receiver,
                      const std::optional<std::filesystem::path>& program_folder);

// Where NVDA's controller client is looked for, in order: beside the program, then, for a
// development checkout, in "vendor\nvda" of the folder two above the program folder, unless that
// folder is the root of a drive or of a share (C:\, \\server\share), where anybody may put one.
std::vector<std::filesystem::path> nvda_candidates(const std::filesystem::path& program_folder);

// A COM result as "SAPI unavailable: {}" shows it: the system's text and the code in hex.
std::string hresult_description(long result);

} // namespace cuevoice
