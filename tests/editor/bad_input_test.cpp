// A config.toml that another program changes, breaks, deletes or makes read-only while the key
// editor is open: the editor picks changes up when it is activated again and never writes a
// broken file or loses the user's text.
#include <gtest/gtest.h>

#include "common/text.h"
#include "editor_session.h"
#include "desktop.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

const std::string base = "[general]\n"
                         "mixxx_path = 'C:\\Mixxx\\mixxx.exe'\n"
                         "mixxx_args = []\n"
                         "port = 52764\n"
                         "\n"
                         "[shortcuts]\n";
const std::string nudge = "Nudge slightly slower while held";

class BadInput : public ::testing::Test {
protected:
    EditorSession session;
    HWND editor = nullptr;

    void SetUp() override {
        session.write_config(base);
        ASSERT_TRUE(session.start());
        editor = session.editor();
        ASSERT_NE(editor, nullptr) << session.standard_output();
        ASSERT_TRUE(focus_window(editor));
        ASSERT_TRUE(type_text("nudge slower small"));
        ASSERT_TRUE(session.press_in(editor, {"Down"}));
    }

    void TearDown() override {
        if (editor != nullptr && session.press_in(editor, {"Escape"})) {
            EXPECT_EQ(session.wait_for_exit(), 0);
        }
    }

    // The add-shortcut dialog takes the editor's activation away; closing it gives it back,
    // which is when the editor looks at the file again.
    HWND open_dialog() {
        EXPECT_TRUE(session.press_in(editor, {"Return"}));
        return session.dialog();
    }

    // Opens the dialog, presses Ctrl+Shift+F6 (a free chord) and accepts it.
    void assign_ctrl_shift_f6() {
        HWND dialog = open_dialog();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(session.press_in(dialog, {"ctrl+shift+F6"}));
        ASSERT_TRUE(session.wait_spoken("Ctrl Shift F6, free"));
        ASSERT_TRUE(session.press_in(dialog, {"Return"}));
    }
};

} // namespace

TEST_F(BadInput, AChangeByAnotherProgramIsReadWhenTheEditorIsActivatedAgain) {
    HWND dialog = open_dialog();
    ASSERT_NE(dialog, nullptr);
    session.write_config(base + "\"nudge_slower_small\" = [\"ctrl+alt+shift+f9\"]\n");
    ASSERT_TRUE(session.press_in(dialog, {"Escape"}));
    ASSERT_TRUE(session.window_gone(L"CuevoiceAddShortcut"));
    ASSERT_TRUE(session.press_in(editor, {"Delete"}));
    ASSERT_TRUE(session.wait_spoken("Ctrl Alt Shift F9 removed from " + nudge))
        << ::testing::PrintToString(session.spoken());
    // The key stays away from the function whose default it was, as the other program said.
    EXPECT_EQ(read_file(session.config()), base + "\"say_effects\" = []\n");
}

TEST_F(BadInput, AFileThatBecameInvalidIsReportedAndNeverWritten) {
    HWND dialog = open_dialog();
    ASSERT_NE(dialog, nullptr);
    // Broken outside [shortcuts], so that the rewritten section cannot mend it.
    std::string broken = base;
    broken.replace(broken.find("port = 52764"), 12, "port = ");
    session.write_config(broken);
    ASSERT_TRUE(session.press_in(dialog, {"Escape"}));
    std::string text = session.answer_message_box("Return");
    EXPECT_EQ(text.rfind("The settings file has an error:\n\nerror in ", 0), 0u) << text;

    assign_ctrl_shift_f6();
    text = session.answer_message_box("Return");
    EXPECT_EQ(text.rfind("internal error: ", 0), 0u) << text;
    EXPECT_NE(session.dialog(), nullptr) << "the dialog stays open after a failed save";
    EXPECT_EQ(read_file(session.config()), broken);
    ASSERT_TRUE(session.press_in(session.dialog(), {"Escape"}));
    ASSERT_TRUE(session.window_gone(L"CuevoiceAddShortcut"));
    session.answer_message_box("Return"); // the file is still broken at the next activation
}

TEST_F(BadInput, ADeletedFileIsWrittenAnewFromTheTemplate) {
    HWND dialog = open_dialog();
    ASSERT_NE(dialog, nullptr);
    std::filesystem::remove(session.config());
    ASSERT_TRUE(session.press_in(dialog, {"Escape"}));
    std::string text = session.answer_message_box("Return");
    EXPECT_EQ(text.rfind("The settings file has an error:\n\ncannot read ", 0), 0u) << text;

    assign_ctrl_shift_f6();
    ASSERT_TRUE(session.window_gone(L"CuevoiceAddShortcut"));
    ASSERT_TRUE(session.wait_spoken("Ctrl Shift F6 added to " + nudge));
    std::string written = read_file(session.config());
    EXPECT_EQ(written.rfind("# Cuevoice settings.\n", 0), 0u) << written;
    EXPECT_NE(written.find("\n[shortcuts]\n\"nudge_slower_small\" = [\"ctrl+shift+f6\"]\n\n# --- "
                           "Advanced"),
              std::string::npos)
        << written;
}

TEST_F(BadInput, AReadOnlyFileGivesTheWriteErrorAndKeepsItsText) {
    ASSERT_TRUE(SetFileAttributesW(session.config().c_str(), FILE_ATTRIBUTE_READONLY));
    assign_ctrl_shift_f6();
    std::string text = session.answer_message_box("Return");
    EXPECT_EQ(text.rfind("cannot write " + to_utf8(session.config().wstring()) + ": ", 0), 0u)
        << text;
    EXPECT_EQ(read_file(session.config()), base);
    HWND dialog = session.dialog();
    ASSERT_NE(dialog, nullptr) << "the dialog stays open";
    ASSERT_TRUE(session.press_in(dialog, {"Escape"}));
    ASSERT_TRUE(session.window_gone(L"CuevoiceAddShortcut"));
    SetFileAttributesW(session.config().c_str(), FILE_ATTRIBUTE_NORMAL);
}
