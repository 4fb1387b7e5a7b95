// Answers honestly until this switch is built.
#include "applog/applog.h"
#include "main/switches.h"

namespace cuevoice {

int list_controls_switch() {
    write_stderr("--list-controls is not part of this build yet\n");
    return 1;
}

} // namespace cuevoice
