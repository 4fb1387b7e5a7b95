#pragma once
// The JSON type of the plug-in's messages, declared without the library itself: the headers
// most files include name it, and only the files that build or read messages include the
// library (through bridge/protocol.h).
#include <nlohmann/json_fwd.hpp>

namespace cuevoice {

using json = nlohmann::json;

} // namespace cuevoice
