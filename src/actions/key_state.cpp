#include "actions/key_state.h"

#include <windows.h>

namespace cuevoice {

bool async_key_is_down(std::uint32_t vk) {
    return (static_cast<unsigned short>(GetAsyncKeyState(static_cast<int>(vk))) & 0x8000) != 0;
}

} // namespace cuevoice
