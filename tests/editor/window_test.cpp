// The key editor's window as the system builds it, the two ways "--open-settings" goes, and a
// settings file that keeps the editor from opening.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "common/files.h"
#include "common/text.h"
#include "common/text_case.h"
#include "desktop.h"
#include "editor_session.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

const std::string plain_config = "[general]\nmixxx_path = 'C:\\Mixxx\\mixxx.exe'\n"
                                 "mixxx_args = []\nport = 52764\n\n[shortcuts]\n";

std::vector<HWND> children_of(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// The program file of the process that owns the window; empty when it cannot be read.
std::wstring program_of(HWND window) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
    if (process == nullptr)
        return {};
    wchar_t name[MAX_PATH];
    DWORD size = MAX_PATH;
    const bool read = QueryFullProcessImageNameW(process, 0, name, &size);
    CloseHandle(process);
    return read ? std::wstring(name, size) : std::wstring();
}

std::wstring system_notepad() {
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length) + L"\\notepad.exe";
}

// The Notepad window that shows config.toml, once it appears (null after 10 s without one).
HWND wait_for_notepad_with_the_settings() {
    HWND notepad = nullptr;
    const bool shown = eventually(
        [&] {
            notepad = FindWindowW(L"Notepad", nullptr);
            return notepad != nullptr &&
                   window_text(notepad).find("config.toml") != std::string::npos;
        },
        std::chrono::seconds(10));
    return shown ? notepad : nullptr;
}

// The test closes the Notepad it found, and waits until it is gone.
void close_notepad(HWND notepad) {
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    EXPECT_TRUE(eventually([] { return FindWindowW(L"Notepad", nullptr) == nullptr; },
                           std::chrono::seconds(10)));
}

} // namespace

TEST(KeyEditorWindow, ClassTitleSizeAndTheControlsInTabOrder) {
    EditorSession session;
    session.write_config(plain_config);
    ASSERT_TRUE(session.start());
    HWND editor = session.editor();
    ASSERT_NE(editor, nullptr) << session.standard_output();
    EXPECT_EQ(window_text(editor), "Cuevoice key editor");
    RECT frame{};
    GetWindowRect(editor, &frame);
    EXPECT_EQ(frame.right - frame.left, 960);
    EXPECT_EQ(frame.bottom - frame.top, 640);
    const LONG style = GetWindowLongW(editor, GWL_STYLE);
    EXPECT_EQ(style & (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN),
              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);

    const struct {
        const char* class_name;
        const char* text;
        int id;
    } expected[] = {
        {"Static", "&Filter:", -1},
        {"Edit", "", 100},
        {"Static", "&Category:", -1},
        {"ComboBox", "All categories", 101},
        {"Static", "F&unctions:", -1},
        {"SysListView32", "", 102},
        {"Static", "&Shortcuts of the selected function:", -1},
        {"ListBox", "", 103},
        {"Button", "&Add shortcut...", 1},
        {"Button", "&Delete shortcut", 104},
        {"Button", "Reset to defaul&t", 105},
        {"Button", "&Run", 106},
        {"Button", "Reset a&ll shortcuts...", 107},
        {"Button", "&Open settings file", 108},
        {"Button", "Close", 2},
    };
    std::vector<HWND> children = children_of(editor);
    ASSERT_EQ(children.size(), std::size(expected));
    RECT client{};
    GetClientRect(editor, &client);
    for (std::size_t i = 0; i < children.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_STRCASEEQ(class_name_of(children[i]).c_str(), expected[i].class_name);
        EXPECT_EQ(window_text(children[i]), expected[i].text);
        EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(children[i]))), expected[i].id);
    }
    // The function list fills the width; the buttons stand in two rows under it.
    RECT list{};
    GetWindowRect(children[5], &list);
    EXPECT_EQ(list.right - list.left, client.right - 20);
    EXPECT_EQ(list.bottom - list.top, client.bottom - 214);
    RECT close{};
    GetWindowRect(children[14], &close);
    MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&close), 2);
    EXPECT_EQ(close.left, 325 + 150 * 2);
    EXPECT_EQ(close.top, client.bottom - 120 + 36);

    HWND category = children[3];
    EXPECT_EQ(SendMessageW(category, CB_GETCOUNT, 0, 0), 23) << "All categories and the 22";
    EXPECT_EQ(SendMessageW(category, CB_GETCURSEL, 0, 0), 0);
    wchar_t first[64] = {};
    SendMessageW(category, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_EQ(to_utf8(first), "All categories");
    EXPECT_EQ(SendMessageW(children[5], LVM_GETITEMCOUNT, 0, 0), 489) << "every function";
    EXPECT_EQ(SendMessageW(children[5], LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED),
              0);
    EXPECT_FALSE(IsWindowEnabled(children[11])) << "Run needs a run";

    // Alt+F4 closes the editor, and the program ends with 0.
    ASSERT_TRUE(session.press_in(editor, {"alt+F4"}));
    EXPECT_EQ(session.wait_for_exit(), 0);
}

TEST(KeyEditorWindow, OpenSettingsSignalsARunningCopyAndReturnsAtOnce) {
    // The test plays the running copy: it holds the event that the run waits on.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, L"Local\\CuevoiceOpenKeyEditor");
    ASSERT_NE(event, nullptr);
    EditorSession session;
    session.write_config(plain_config);
    ASSERT_TRUE(session.start());
    EXPECT_EQ(session.wait_for_exit(), 0);
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(session.window_gone(L"CuevoiceKeyEditor"));
    CloseHandle(event);
}

TEST(KeyEditorWindow, ASettingsFileWithAnErrorIsShownAndOpenedInNotepad) {
    // An unfinished header, and slips inside values that break what the TOML library assumes
    // about the text: each is the editor's own settings error, never a box of the C runtime.
    const struct {
        std::string settings;
        std::string where;
    } cases[] = {
        {"[general\nport = 1\n", "line 1, column 9"},
        {"[general]\nmixxx_args = [}\n", "line 2, column 15"},
        {"[general]\nx = 1979-05-27 7\n", "line 2, column 17"},
        {"[general]\nport = 52764 \xC3\xA9\n", "line 2, column 14"},
        // A long value before a date's tail, which the library once could not step back from.
        {"port = " + long_date_like_value(115, " 12") + "\n", "line 1, column 9"},
        {"[general]\na = " + long_date_like_value(117, " x") + "\n", "line 2, column 6"},
        {"[general]\nmixxx_args = [" + long_date_like_value(117, " ]") + "\n", "line 2, column 16"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        EditorSession session;
        session.write_config(c.settings);
        ASSERT_TRUE(session.start());
        std::string text = session.answer_message_box("Return");
        const std::string start =
            "The settings file has an error, so the key editor can't open.\n\n";
        const std::string end = "\n\nIt opens in Notepad now.";
        ASSERT_EQ(text.rfind(start, 0), 0u) << text;
        ASSERT_GT(text.size(), start.size() + end.size());
        EXPECT_EQ(text.substr(text.size() - end.size()), end);
        std::string error = text.substr(start.size(), text.size() - start.size() - end.size());
        EXPECT_EQ(error.rfind("error in " + path_text(session.config()) + ": TOML parse error at " +
                                  c.where + "\n",
                              0),
                  0u)
            << error;
        EXPECT_EQ(session.wait_for_exit(), 0);
        EXPECT_NE(session.standard_output().find("key editor: " + error + "\n"), std::string::npos)
            << session.standard_output();
        EXPECT_EQ(read_file(session.config()), c.settings) << "nothing written";

        // Notepad shows the file; the test closes the window it found.
        HWND notepad = wait_for_notepad_with_the_settings();
        EXPECT_NE(notepad, nullptr);
        if (notepad != nullptr)
            close_notepad(notepad);
    }
}

TEST(KeyEditorWindow, NotepadIsTheSystemsEvenWithOnePlantedBesideTheProgramOrInTheCurrentFolder) {
    // A bare "notepad.exe" is looked for beside the program and in the current folder before the
    // system folder. Both ways of opening the file are tried, each with one of those folders.
    const struct {
        const char* what;
        bool beside_program;
        bool from_button;
    } cases[] = {
        {"planted beside the program, opened for a settings error", true, false},
        {"planted in the current folder, opened by the button", false, true},
    };
    const std::filesystem::path planted = bin_folder() / L"planted_notepad.exe";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EditorSession session;
        TempFolder current;
        const std::filesystem::path folder =
            c.beside_program ? session.program_folder() : current.path();
        std::filesystem::copy_file(planted, folder / L"notepad.exe");
        const std::filesystem::path marker = folder / L"planted-notepad-ran.txt";
        session.write_config(c.from_button ? plain_config : "[general\n");
        ASSERT_TRUE(session.start(current.path()));
        if (c.from_button) {
            HWND editor = session.editor();
            ASSERT_NE(editor, nullptr) << session.standard_output();
            ASSERT_TRUE(session.press_in(editor, {"alt+o"}));
        } else {
            session.answer_message_box("Return");
        }

        HWND notepad = wait_for_notepad_with_the_settings();
        EXPECT_NE(notepad, nullptr)
            << (std::filesystem::exists(marker) ? "the planted one ran: " + read_file(marker)
                                                : std::string("no Notepad at all"));
        if (notepad != nullptr) {
            EXPECT_EQ(lower_case_text(to_utf8(program_of(notepad))),
                      lower_case_text(to_utf8(system_notepad())));
            close_notepad(notepad);
        }
        // Only one Notepad is started, and the system's came: the planted one had its chance.
        EXPECT_FALSE(std::filesystem::exists(marker));
        if (c.from_button) {
            ASSERT_TRUE(session.press_in(session.editor(), {"Escape"}));
        }
        EXPECT_EQ(session.wait_for_exit(), 0);
    }
}
