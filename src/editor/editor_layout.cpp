#include "editor/editor_layout.h"

#include <algorithm>

namespace cuevoice {

std::array<ControlPlace, 15> editor_layout(int width, int height) {
    std::array<ControlPlace, 15> places{{
        {10, 13, 60, 20},    // "&Filter:"
        {75, 10, 320, 23},   // filter box
        {415, 13, 70, 20},   // "&Category:"
        {490, 10, 260, 400}, // category box; the height is that of its drop-down list
        {10, 44, 200, 20},   // "F&unctions:"
        {10, 64, std::max(0, width - 20), std::max(0, height - 214)},
        {10, height - 140, 300, 20}, // "&Shortcuts of the selected function:"
        {10, height - 120, 300, 110},
    }};
    for (int i = 0; i < 7; ++i)
        places[8 + i] = {325 + 150 * (i % 4), height - 120 + 36 * (i / 4), 140, 28};
    return places;
}

} // namespace cuevoice
