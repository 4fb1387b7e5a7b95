#include "main/not_built_yet.h"

namespace cuevoice {

void open_key_editor(const std::shared_ptr<EditorHooks>& hooks) {
    say_str(hooks->speech, "The key editor is not part of this build yet.");
}

} // namespace cuevoice
