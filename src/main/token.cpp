#include "main/token.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdio>

#include "common/environment.h"
#include "common/text.h"

namespace cuevoice {
namespace {

std::string hex16(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

Result<SipKey> random_key() {
    std::uint64_t words[2] = {0, 0};
    NTSTATUS status = BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(words), sizeof words,
                                      BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(status)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(status));
        return Error{std::string("the system's random source failed: ") + code};
    }
    return SipKey{words[0], words[1]};
}

} // namespace

std::string token_from_keys(std::uint32_t process_id, const SipKey& first, const SipKey& second) {
    std::uint8_t message[8];
    std::uint64_t id = process_id;
    for (int i = 0; i < 8; ++i)
        message[i] = static_cast<std::uint8_t>(id >> (8 * i));
    return hex16(siphash_1_3(first, message)) + hex16(siphash_1_3(second, message));
}

std::optional<std::string> usable_test_token(const std::optional<std::wstring>& variable) {
    if (!variable)
        return std::nullopt;
    std::optional<std::string> text = to_utf8_strict(*variable);
    if (!text || text->size() < 16)
        return std::nullopt;
    return text;
}

Result<std::string> make_token() {
    if (auto test = usable_test_token(environment_variable(L"CUEVOICE_TEST_TOKEN")))
        return *test;
    Result<SipKey> first = random_key();
    if (!first)
        return Error{first.error()};
    Result<SipKey> second = random_key();
    if (!second)
        return Error{second.error()};
    return token_from_keys(GetCurrentProcessId(), *first, *second);
}

std::string token_event_part(const std::string& token) {
    std::size_t cut = 0;
    for (int characters = 0; cut < token.size() && characters < 16; ++characters) {
        ++cut;
        while (cut < token.size() && (static_cast<unsigned char>(token[cut]) & 0xC0) == 0x80)
            ++cut;
    }
    return token.substr(0, cut);
}

} // namespace cuevoice
