#pragma once
// Whether a key is down at this moment: the held-key loop polls it. The real one asks Windows;
// tests script it.
#include <cstdint>
#include <functional>

namespace cuevoice {

using KeyIsDown = std::function<bool(std::uint32_t vk)>;

// GetAsyncKeyState with its most significant bit.
bool async_key_is_down(std::uint32_t vk);

} // namespace cuevoice
