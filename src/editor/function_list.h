#pragma once
// The editor's two lists on screen: the function list (a report list view) and the shortcut
// list below it, filled from the model and kept on the selected row across refills.
#include <optional>
#include <string>

#include "editor/editor_commands.h"
#include "editor/editor_slot.h"

namespace cuevoice {

// The row whose list item is selected, or none.
std::optional<FunctionRow> selected_function_row(const OpenEditor& editor);

// What the filter box and the category box say now.
FunctionFilter current_filter(const OpenEditor& editor);

// Refills the function list; the row of `keep_id` (or, without one, of the selection now) is
// selected again and scrolled into view, else the first row. The shortcut list follows.
void rebuild_function_list(OpenEditor& editor, std::optional<std::string> keep_id);

// After a change of shortcuts: rewrites the "Shortcuts" column in place when the rows stay the
// same (selection and scroll position stay), else rebuilds.
void refresh_function_row(OpenEditor& editor, const std::optional<std::string>& keep_id);

// Refills the shortcut list from the selected row, selecting the given key text.
void fill_key_list(OpenEditor& editor, const std::optional<std::string>& select_key);

// Updates the lists and speaks as a command's outcome says.
void apply_outcome(OpenEditor& editor, const CommandOutcome& outcome);

// Handlers on this thread's editor; each does nothing when the editor is absent or in use.
void on_filter_changed();
void on_selection_changed();

} // namespace cuevoice
