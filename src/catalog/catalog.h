#pragma once
// The built-in catalogue of functions: expanded once, read-only for the life of the process.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/action.h"
#include "catalog/binding.h"
#include "common/result.h"

namespace cuevoice {

// One expanded catalogue function.
struct FunctionEntry {
    Binding binding; // after placeholder replacement; `key` holds the id
    std::string id;
    std::string name;
    std::string category;
    std::vector<std::string> default_keys;
    Action action;
    bool deck_function = false; // acts on a deck chosen when it runs; accepts "@deckN"
};

// What one copy of a template entry puts in place of {n}, {name}, {i} and {m}.
struct TemplateCopy {
    std::string value;
    std::string name_text;
    std::uint64_t position = 0;
    std::string value2;
};

// The process-wide catalogue, built on first use from the compiled-in text (any thread).
const std::vector<FunctionEntry>& catalog();

// Builds the catalogue from the compiled-in text; a failure ends the process.
std::vector<FunctionEntry> build_catalog();

// Builds a catalogue from any catalogue text, or gives the first error.
Result<std::vector<FunctionEntry>> build_catalog_from(std::string_view text);

// Replaces {n}, {name}, {i} and {m}, in that order; other braces stay.
std::string expand_template_text(std::string_view text, const TemplateCopy& copy);

// Whether a function with this action acts on a deck chosen at run time.
bool is_deck_function(const Action& action);

// A function found by its id, with the deck of an "@deckN" id.
struct FoundFunction {
    const FunctionEntry* entry = nullptr;
    std::optional<std::uint8_t> deck;
};

// Resolves "id" or "id@deckN" (N 1 to 4, deck functions only) in the built-in catalogue.
std::optional<FoundFunction> find_function(std::string_view text);
// The same in a given list of functions.
std::optional<FoundFunction> find_function_in(const std::vector<FunctionEntry>& entries,
                                              std::string_view text);

// The distinct category names in catalogue order.
std::vector<std::string_view> catalog_categories();
std::vector<std::string_view> categories_of(const std::vector<FunctionEntry>& entries);

} // namespace cuevoice
