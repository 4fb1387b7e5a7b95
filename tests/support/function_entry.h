#pragma once
// Catalogue entries made by hand, for small catalogues in the shape of the built-in one.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalog/catalog.h"

namespace cuevoice::test {

struct FunctionFlags {
    bool deck_function = false;
    std::optional<bool> repeat;
};

// The entry's binding carries its id as the key, as the catalogue's own entries do.
inline FunctionEntry function(std::string id, std::string name, std::string category,
                              std::vector<std::string> keys, Action action,
                              FunctionFlags flags = {}) {
    FunctionEntry entry{};
    entry.binding.key = id;
    entry.binding.repeat = flags.repeat;
    entry.id = std::move(id);
    entry.name = std::move(name);
    entry.category = std::move(category);
    entry.default_keys = std::move(keys);
    entry.action = std::move(action);
    entry.deck_function = flags.deck_function;
    return entry;
}

} // namespace cuevoice::test
