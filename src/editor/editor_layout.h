#pragma once
// Where the key editor's controls stand for a client area of a given size.
#include <array>

namespace cuevoice {

struct ControlPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const ControlPlace&) const = default;
};

// The fifteen controls in creation order: four label/box pairs, the shortcut label and list,
// then the seven buttons in two rows. The function list never gets a negative size.
std::array<ControlPlace, 15> editor_layout(int width, int height);

} // namespace cuevoice
