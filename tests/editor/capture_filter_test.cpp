// The capture box's filter and the editor's layout, directly.
#include <gtest/gtest.h>

#include <windows.h>

#include "editor/capture_filter.h"
#include "editor/editor_layout.h"

using namespace cuevoice;

TEST(CaptureFilter, ModifiersAloneAndCharactersNeverReachTheBoxNavigationKeysStayKeys) {
    const ModifiersDown none{};
    const ModifiersDown ctrl{true, false, false};
    const ModifiersDown alt{false, true, false};
    const ModifiersDown win{false, false, true};
    const struct {
        unsigned message;
        std::uint32_t vk;
        ModifiersDown down;
        CaptureAction want;
    } cases[] = {
        {WM_KEYDOWN, VK_CONTROL, ctrl, CaptureAction::drop},
        {WM_KEYDOWN, VK_SHIFT, none, CaptureAction::drop},
        {WM_KEYDOWN, VK_LSHIFT, none, CaptureAction::drop},
        {WM_SYSKEYDOWN, VK_MENU, alt, CaptureAction::drop},
        {WM_KEYDOWN, VK_LWIN, win, CaptureAction::drop},
        {WM_KEYDOWN, VK_RWIN, win, CaptureAction::drop},
        {WM_KEYDOWN, VK_RMENU, alt, CaptureAction::drop},
        {WM_CHAR, 'p', none, CaptureAction::drop},
        {WM_SYSCHAR, 'p', alt, CaptureAction::drop},
        {WM_SYSKEYUP, 'P', alt, CaptureAction::drop},
        {WM_KEYDOWN, VK_TAB, none, CaptureAction::normal},
        {WM_KEYDOWN, VK_RETURN, none, CaptureAction::normal},
        {WM_KEYDOWN, VK_ESCAPE, none, CaptureAction::normal},
        {WM_KEYDOWN, VK_TAB, ctrl, CaptureAction::capture},
        {WM_SYSKEYDOWN, VK_RETURN, alt, CaptureAction::capture},
        {WM_KEYDOWN, VK_ESCAPE, win, CaptureAction::capture},
        {WM_SYSKEYDOWN, 'P', alt, CaptureAction::capture},
        {WM_KEYDOWN, VK_F5, none, CaptureAction::capture},
        {WM_KEYDOWN, 'A', none, CaptureAction::capture},
        {WM_KEYUP, 'A', none, CaptureAction::normal},
        {WM_LBUTTONDOWN, 0, none, CaptureAction::normal},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(capture_box_action(each.message, each.vk, each.down), each.want)
            << "message " << each.message << " key " << each.vk;
    }
}

TEST(EditorLayout, TheFunctionListTakesTheRestAndNeverANegativeSize) {
    auto places = editor_layout(944, 601);
    EXPECT_EQ(places[5], (ControlPlace{10, 64, 924, 387}));
    EXPECT_EQ(places[7], (ControlPlace{10, 481, 300, 110}));
    EXPECT_EQ(places[8], (ControlPlace{325, 481, 140, 28}));
    EXPECT_EQ(places[11], (ControlPlace{775, 481, 140, 28}));
    EXPECT_EQ(places[12], (ControlPlace{325, 517, 140, 28}));
    EXPECT_EQ(places[14], (ControlPlace{625, 517, 140, 28}));
    for (auto [width, height] : {std::pair{20, 214}, std::pair{0, 0}, std::pair{21, 215}}) {
        auto small = editor_layout(width, height);
        EXPECT_EQ(small[5].width, std::max(0, width - 20));
        EXPECT_EQ(small[5].height, std::max(0, height - 214));
    }
}
