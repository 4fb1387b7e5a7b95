// Answers honestly until this switch is built.
#include "common/output.h"
#include "main/switches.h"

namespace cuevoice {

int open_settings_switch() {
    write_stderr("--open-settings is not part of this build yet\n");
    return 1;
}

} // namespace cuevoice
