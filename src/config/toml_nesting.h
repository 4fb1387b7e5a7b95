#pragma once
// A bound on how deeply a settings text nests, checked before the TOML library parses it: the
// library recurses once per dotted key part and per array or inline table, so a crafted file
// could otherwise exhaust the stack of whichever thread reads it.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace cuevoice {

// Far more than any hand-written settings file uses, and little enough that the parse fits in a
// thread stack of 64 KiB.
inline constexpr std::size_t max_key_parts = 32;
inline constexpr std::size_t max_value_nesting = 8;

struct NestingProblem {
    std::size_t line = 0;   // 1-based
    std::size_t column = 0; // 1-based, in characters
    std::string reason;
};

// The first key or table header with more than `max_key_parts` dotted parts, or the first array
// or inline table nested more than `max_value_nesting` deep. Quoted keys and strings are read as
// TOML reads them, so dots and brackets inside them count for nothing. Linear in the text.
std::optional<NestingProblem> find_excessive_nesting(std::string_view text);

} // namespace cuevoice
