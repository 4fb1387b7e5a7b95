#pragma once
// SipHash, the keyed 64-bit hash of short inputs. The token uses its 1-3 form: one compression
// round per word, three finalisation rounds.
#include <cstdint>
#include <span>

namespace cuevoice {

struct SipKey {
    std::uint64_t k0 = 0; // key bytes 0..7, little-endian
    std::uint64_t k1 = 0; // key bytes 8..15, little-endian
};

// Any round counts; the published reference vectors are of the 2-4 form.
std::uint64_t siphash(const SipKey& key, std::span<const std::uint8_t> message,
                      int compression_rounds, int finalisation_rounds);

std::uint64_t siphash_1_3(const SipKey& key, std::span<const std::uint8_t> message);

} // namespace cuevoice
