// Answers honestly until this switch is built.
#include "applog/applog.h"
#include "main/switches.h"

namespace cuevoice {

int find_mixxx_switch() {
    write_stderr("--find-mixxx is not part of this build yet\n");
    return 1;
}

} // namespace cuevoice
