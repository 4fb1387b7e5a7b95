// Answers honestly until this switch is built.
#include "applog/applog.h"
#include "main/switches.h"

namespace cuevoice {

int write_keys_switch(const std::vector<std::string>&) {
    write_stderr("--write-keys is not part of this build yet\n");
    return 1;
}

} // namespace cuevoice
