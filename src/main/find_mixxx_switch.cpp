#include "common/output.h"
#include "main/switches.h"
#include "registry/find_mixxx.h"

namespace cuevoice {

int find_mixxx_switch() {
    if (auto path = find_mixxx()) {
        write_stdout(*path + "\n");
        return 0;
    }
    write_stderr("Mixxx not found\n");
    return 1;
}

} // namespace cuevoice
