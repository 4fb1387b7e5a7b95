#include "common/siphash.h"

#include <bit>

namespace cuevoice {
namespace {

struct SipState {
    std::uint64_t v0, v1, v2, v3;

    explicit SipState(const SipKey& key)
        : v0(key.k0 ^ 0x736f6d6570736575ull), v1(key.k1 ^ 0x646f72616e646f6dull),
          v2(key.k0 ^ 0x6c7967656e657261ull), v3(key.k1 ^ 0x7465646279746573ull) {}

    void round() {
        v0 += v1;
        v1 = std::rotl(v1, 13);
        v1 ^= v0;
        v0 = std::rotl(v0, 32);
        v2 += v3;
        v3 = std::rotl(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = std::rotl(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = std::rotl(v1, 17);
        v1 ^= v2;
        v2 = std::rotl(v2, 32);
    }

    void rounds(int count) {
        for (int i = 0; i < count; ++i)
            round();
    }

    void absorb(std::uint64_t word, int compression_rounds) {
        v3 ^= word;
        rounds(compression_rounds);
        v0 ^= word;
    }
};

std::uint64_t little_endian_word(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < count; ++i)
        word |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    return word;
}

} // namespace

std::uint64_t siphash(const SipKey& key, std::span<const std::uint8_t> message,
                      int compression_rounds, int finalisation_rounds) {
    SipState state(key);
    std::size_t whole = message.size() - message.size() % 8;
    for (std::size_t at = 0; at < whole; at += 8)
        state.absorb(little_endian_word(message.data() + at, 8), compression_rounds);
    // The last word carries the remaining bytes and, in its top byte, the length modulo 256.
    std::uint64_t last = little_endian_word(message.data() + whole, message.size() - whole) |
                         (static_cast<std::uint64_t>(message.size() & 0xff) << 56);
    state.absorb(last, compression_rounds);
    state.v2 ^= 0xff;
    state.rounds(finalisation_rounds);
    return state.v0 ^ state.v1 ^ state.v2 ^ state.v3;
}

std::uint64_t siphash_1_3(const SipKey& key, std::span<const std::uint8_t> message) {
    return siphash(key, message, 1, 3);
}

} // namespace cuevoice
