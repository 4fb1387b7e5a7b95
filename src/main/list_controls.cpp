// "--list-controls": every control the catalogue reads or writes, once each, in byte order.
#include <set>
#include <string>

#include "catalog/catalog.h"
#include "common/output.h"
#include "main/switches.h"

namespace cuevoice {

int list_controls_switch() {
    std::set<std::string> controls;
    for (const FunctionEntry& function : catalog()) {
        const Binding& binding = function.binding;
        // "{deck}" stays as written: the list names controls for every deck at once.
        const std::string group = binding.group ? *binding.group : "[Channel{deck}]";
        if (binding.control)
            controls.insert(group + "," + *binding.control);
        if (binding.report)
            controls.insert(group + "," + *binding.report);
    }
    std::string text;
    for (const std::string& control : controls)
        text += control + "\n";
    write_stdout(text);
    return 0;
}

} // namespace cuevoice
