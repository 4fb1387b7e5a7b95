#pragma once
// The token shared with the plug-in through Mixxx's environment: the plug-in's "hello" check and
// the name of its loaded event use it. It is never stored or logged.
#include <cstdint>
#include <optional>
#include <string>

#include "common/result.h"
#include "common/siphash.h"

namespace cuevoice {

// Two SipHash-1-3 values of the process id (as a little-endian 64-bit integer), one under each
// key, as 32 lower-case hexadecimal digits, the first key's half first.
std::string token_from_keys(std::uint32_t process_id, const SipKey& first, const SipKey& second);

// The value of CUEVOICE_TEST_TOKEN when it is Unicode text of at least 16 bytes in UTF-8.
std::optional<std::string> usable_test_token(const std::optional<std::wstring>& variable);

// The token of this start: the test token when there is one, else one made from two keys of
// the system's random source. Fails only when that source fails.
Result<std::string> make_token();

// The part of the token that names the plug-in's loaded event: its first 16 characters, never
// cutting a UTF-8 sequence apart.
std::string token_event_part(const std::string& token);

} // namespace cuevoice
