#include "editor/function_list.h"

#include <windows.h>
#include <commctrl.h>

#include "common/text.h"
#include "editor/editor_speech.h"

namespace cuevoice {
namespace {

std::wstring window_text(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

int selected_item(HWND list) {
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void set_item_text(HWND list, int item, int column, const std::string& text) {
    std::wstring wide = to_wide(text);
    LVITEMW entry{};
    entry.iSubItem = column;
    entry.pszText = wide.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&entry));
}

void insert_row(HWND list, int item, const std::array<std::string, 4>& columns) {
    std::wstring name = to_wide(columns[0]);
    LVITEMW entry{};
    entry.mask = LVIF_TEXT;
    entry.iItem = item;
    entry.pszText = name.data();
    int at =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry)));
    for (int column = 1; column < 4; ++column)
        set_item_text(list, at, column, columns[static_cast<std::size_t>(column)]);
}

} // namespace

std::optional<FunctionRow> selected_function_row(const OpenEditor& editor) {
    int item = selected_item(editor.windows.functions);
    if (item < 0 || static_cast<std::size_t>(item) >= editor.state.rows.size())
        return std::nullopt;
    return editor.state.rows[static_cast<std::size_t>(item)];
}

FunctionFilter current_filter(const OpenEditor& editor) {
    FunctionFilter filter;
    filter.text = to_utf8(window_text(editor.windows.filter));
    LRESULT category = SendMessageW(editor.windows.category, CB_GETCURSEL, 0, 0);
    if (category != CB_ERR)
        filter.category_index = static_cast<std::size_t>(category);
    return filter;
}

void rebuild_function_list(OpenEditor& editor, std::optional<std::string> keep_id) {
    HWND list = editor.windows.functions;
    if (!keep_id) {
        if (auto row = selected_function_row(editor))
            keep_id = row->id;
    }
    EditorState& state = editor.state;
    state.rows =
        filter_function_rows(current_filter(editor), state.model.function_keys, state.per_deck_ids);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < state.rows.size(); ++i)
        insert_row(list, static_cast<int>(i),
                   function_row_columns(state.rows[i], state.model.function_keys));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    if (auto select = row_to_select(state.rows, keep_id)) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, *select, reinterpret_cast<LPARAM>(&item));
        SendMessageW(list, LVM_ENSUREVISIBLE, *select, FALSE);
    }
    InvalidateRect(list, nullptr, TRUE);
    fill_key_list(editor, std::nullopt);
}

void refresh_function_row(OpenEditor& editor, const std::optional<std::string>& keep_id) {
    EditorState& state = editor.state;
    std::vector<FunctionRow> fresh =
        filter_function_rows(current_filter(editor), state.model.function_keys, state.per_deck_ids);
    if (!same_row_ids(state.rows, fresh)) {
        rebuild_function_list(editor, keep_id);
        return;
    }
    state.rows = std::move(fresh);
    for (std::size_t i = 0; i < state.rows.size(); ++i)
        set_item_text(editor.windows.functions, static_cast<int>(i), 1,
                      keys_of_function(state.model.function_keys, state.rows[i].id));
    fill_key_list(editor, std::nullopt);
}

void fill_key_list(OpenEditor& editor, const std::optional<std::string>& select_key) {
    HWND list = editor.windows.shortcuts;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    std::optional<FunctionRow> row = selected_function_row(editor);
    KeyListContents contents =
        key_list_contents(editor.state.model.function_keys, row ? &*row : nullptr, select_key);
    for (const std::string& item : contents.items)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_wide(item).c_str()));
    if (contents.selection)
        SendMessageW(list, LB_SETCURSEL, *contents.selection, 0);
}

void apply_outcome(OpenEditor& editor, const CommandOutcome& outcome) {
    switch (outcome.list_update) {
    case ListUpdate::none:
        break;
    case ListUpdate::refresh_row:
        refresh_function_row(editor, outcome.keep_id);
        fill_key_list(editor, outcome.select_key);
        break;
    case ListUpdate::rebuild:
        rebuild_function_list(editor, outcome.keep_id);
        break;
    }
    if (outcome.speech)
        speak_editor_speech(editor.state, *outcome.speech);
}

void on_filter_changed() {
    if (EditorBorrow editor; editor)
        rebuild_function_list(*editor, std::nullopt);
}

void on_selection_changed() {
    if (EditorBorrow editor; editor)
        fill_key_list(*editor, std::nullopt);
}

} // namespace cuevoice
