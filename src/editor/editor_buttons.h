#pragma once
// The editor's commands on the selected function, wired to the model: each borrows this
// thread's editor and does nothing when it is absent or in use.
#include "editor/editor_slot.h"

namespace cuevoice {

void delete_selected_shortcut();
void reset_selected_function();
void reset_every_shortcut();
void run_selected_row();
void open_settings_file();

// The settings check when the window is activated: another program's change is read again,
// a broken file is reported and the old model kept.
void check_settings_now(OpenEditor& editor);

} // namespace cuevoice
