// The key editor as a keyboard user drives it: real key presses (xdotool) into the real
// windows of "cuevoice.exe --open-settings" under Xvfb, checked in config.toml and in what the
// NVDA stand-in was given to say.
#include <gtest/gtest.h>

#include "editor_session.h"
#include "desktop.h"

using namespace cuevoice::test;

namespace {

const std::string head = "[general]\n"
                         "mixxx_path = 'C:\\Mixxx\\mixxx.exe'\n"
                         "mixxx_args = []\n"
                         "port = 52764\n"
                         "\n"
                         "# a comment of the user's own\n";
const std::string advanced = "# --- Advanced: custom keys\n"
                             "[[keys]]\n"
                             "key = \"ctrl+alt+shift+f11\"\n"
                             "action = \"none\"\n";

std::string config_with(const std::string& section) {
    return head + "[shortcuts]\n" + section + "\n" + advanced;
}

const std::string nudge = "Nudge slightly slower while held";
const std::string effects = "Say what is in the effect units";

} // namespace

TEST(KeyEditorKeyboard, AssignMoveDeleteResetAndResetAll) {
    EditorSession session;
    session.write_config(config_with(""));
    ASSERT_TRUE(session.start());
    HWND editor = session.editor();
    ASSERT_NE(editor, nullptr) << session.standard_output();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editor, 106))) << "no run: Run is disabled";
    // The screenshot waits until the window and its controls have nothing left to paint.
    EXPECT_TRUE(eventually([&] {
        if (GetUpdateRect(editor, nullptr, FALSE))
            return false;
        for (HWND child = GetWindow(editor, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetUpdateRect(child, nullptr, FALSE))
                return false;
        return true;
    }));
    ASSERT_TRUE(take_screenshot(bin_folder().parent_path() / "key-editor.png"));

    // The focus starts in the filter box: type, go down into the list, Enter opens the dialog.
    ASSERT_TRUE(focus_window(editor));
    ASSERT_TRUE(type_text("nudge slower small"));
    ASSERT_TRUE(session.press_in(editor, {"Down", "Return"}));
    HWND dialog = session.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(window_text(dialog), "Add shortcut: " + nudge);
    EXPECT_FALSE(IsWindowEnabled(editor)) << "the editor waits while the dialog is open";
    RECT box{};
    GetWindowRect(dialog, &box);
    EXPECT_EQ(box.right - box.left, 440);
    EXPECT_EQ(box.bottom - box.top, 300) << "a deck function's dialog has the deck list";

    // A modifier alone says nothing; the chord is caught whole and its holder named.
    ASSERT_TRUE(session.press_in(dialog, {"ctrl", "ctrl+alt+shift+F9"}));
    ASSERT_TRUE(session.wait_spoken("Ctrl Alt Shift F9, used by " + effects));
    EXPECT_EQ(session.spoken().size(), 1u) << "Ctrl alone was not spoken";
    EXPECT_EQ(window_text(GetDlgItem(dialog, 200)), "Ctrl+Alt+Shift+F9");
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, 201), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, 204), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ASSERT_TRUE(take_screenshot(bin_folder().parent_path() / "add-shortcut.png"));

    // Enter in the capture box is OK; the move is asked first, and No is the default answer.
    ASSERT_TRUE(session.press_in(dialog, {"Return"}));
    EXPECT_EQ(session.answer_message_box("Return"),
              "Ctrl+Alt+Shift+F9 is the shortcut of " + effects + ".\n\nMove it to " + nudge + "?");
    EXPECT_EQ(read_file(session.config()), config_with("")) << "No changed nothing";
    ASSERT_TRUE(session.press_in(dialog, {"Return"}));
    session.answer_message_box("y");
    ASSERT_TRUE(session.window_gone(L"CuevoiceAddShortcut"));
    ASSERT_TRUE(
        session.wait_spoken("Ctrl Alt Shift F9 added to " + nudge + ", removed from " + effects));
    EXPECT_EQ(read_file(session.config()),
              config_with("\"nudge_slower_small\" = [\"ctrl+alt+shift+f9\"]\n"
                          "\"say_effects\" = []\n"));
    EXPECT_TRUE(IsWindowEnabled(editor));

    // Back in the list, Delete removes the only key.
    ASSERT_TRUE(session.press_in(editor, {"Delete"}));
    ASSERT_TRUE(session.wait_spoken("Ctrl Alt Shift F9 removed from " + nudge));
    EXPECT_EQ(read_file(session.config()), config_with("\"say_effects\" = []\n"));
    ASSERT_TRUE(session.press_in(editor, {"Delete"}));
    ASSERT_TRUE(session.wait_spoken("No shortcut to delete."));

    // Alt+F reaches the filter box (its text selected); Reset to default gives the key back.
    ASSERT_TRUE(session.press_in(editor, {"alt+f"}));
    ASSERT_TRUE(type_text("say_effects"));
    ASSERT_TRUE(session.press_in(editor, {"Down", "alt+t"}));
    ASSERT_TRUE(session.wait_spoken(effects + ": Ctrl Alt Shift F9"))
        << ::testing::PrintToString(session.spoken());
    EXPECT_EQ(read_file(session.config()), config_with(""));

    // Reset all asks first; No keeps everything, Yes drops every [shortcuts] entry.
    session.write_config(config_with("\"nudge_slower_small\" = [\"ctrl+alt+shift+f8\"]\n"
                                     "\"no_such_function\" = [\"ctrl+alt+shift+f7\"]\n"));
    ASSERT_TRUE(session.press_in(editor, {"alt+l"}));
    EXPECT_EQ(session.answer_message_box("n"),
              "Remove all your shortcut changes and use the default keys again?\n\nCustom keys "
              "in the advanced part of the settings file stay.");
    ASSERT_TRUE(session.press_in(editor, {"alt+l"}));
    session.answer_message_box("y");
    ASSERT_TRUE(session.wait_spoken("All shortcuts are back to the defaults."));
    EXPECT_EQ(read_file(session.config()), config_with(""));

    // Escape closes the editor, and the program ends with 0.
    ASSERT_TRUE(session.press_in(editor, {"Escape"}));
    EXPECT_EQ(session.wait_for_exit(), 0);
    EXPECT_NE(session.standard_output().find("key editor closed"), std::string::npos)
        << session.standard_output();
}

TEST(KeyEditorKeyboard, ReservedAndCustomChordsAreRefusedAndTheDialogStays) {
    EditorSession session;
    session.write_config(config_with(""));
    ASSERT_TRUE(session.start());
    HWND editor = session.editor();
    ASSERT_NE(editor, nullptr) << session.standard_output();
    ASSERT_TRUE(focus_window(editor));
    ASSERT_TRUE(type_text("say_effects"));
    ASSERT_TRUE(session.press_in(editor, {"Down", "Return"}));
    HWND dialog = session.dialog();
    ASSERT_NE(dialog, nullptr);
    RECT box{};
    GetWindowRect(dialog, &box);
    EXPECT_EQ(box.bottom - box.top, 260) << "no deck list for a function without a deck";

    // OK with nothing chosen.
    ASSERT_TRUE(session.press_in(dialog, {"Return"}));
    EXPECT_EQ(session.answer_message_box("Return"), "Press a shortcut, or choose a key first.");

    const struct {
        std::string chord;
        std::string spoken;
        std::string refusal;
    } cases[] = {
        {"alt+F4", "Alt F4, reserved for Windows or the screen reader",
         "Alt+F4 is needed by Windows or the screen reader. Choose another key."},
        {"ctrl+alt+shift+F11", "Ctrl Alt Shift F11, custom key in the settings file: switched off",
         "Ctrl+Alt+Shift+F11 is a custom key in the settings file (switched off). Change it "
         "there, or choose another key."},
    };
    for (const auto& each : cases) {
        ASSERT_TRUE(session.press_in(dialog, {each.chord}));
        EXPECT_TRUE(session.wait_spoken(each.spoken)) << each.chord;
        ASSERT_TRUE(session.press_in(dialog, {"Return"}));
        EXPECT_EQ(session.answer_message_box("Return"), each.refusal);
        EXPECT_NE(session.dialog(), nullptr) << "the dialog stays open after " << each.chord;
    }
    // A key without Ctrl, Alt or Windows is asked about; No (the default) keeps the dialog.
    ASSERT_TRUE(session.press_in(dialog, {"shift+F5"}));
    ASSERT_TRUE(session.wait_spoken("Shift F5, free"));
    ASSERT_TRUE(session.press_in(dialog, {"Return"}));
    EXPECT_EQ(
        session.answer_message_box("Return").rfind("Shift+F5 has no Ctrl, Alt or Windows key.", 0),
        0u);

    // Typed characters never show in the capture box; Escape cancels.
    ASSERT_TRUE(session.press_in(dialog, {"Tab", "shift+Tab"}));
    EXPECT_EQ(window_text(GetDlgItem(dialog, 200)), "Shift+F5");
    ASSERT_TRUE(session.press_in(dialog, {"Escape"}));
    ASSERT_TRUE(session.window_gone(L"CuevoiceAddShortcut"));
    EXPECT_EQ(read_file(session.config()), config_with(""));
    ASSERT_TRUE(session.press_in(editor, {"Escape"}));
    EXPECT_EQ(session.wait_for_exit(), 0);
}
