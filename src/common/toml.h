#pragma once
// The TOML library, included from this one place by the files that parse or write TOML. Its
// settings (TOML 1.1 features, exceptions) are the project's compile definitions.
//
// The library guards its assumptions about the text with checks of its own (TOML_ASSERT). A
// hand-edited file can break some of them where the parser would otherwise report an ordinary
// syntax error, so a failed check here ends the parse as one: a toml::parse_error at the
// parser's current character, caught wherever the library's syntax errors are. The library's
// copy lets that throw leave every frame of the parse path (its noexcept-checks patch, in
// thirdparty/; scripts/check-toml-noexcept.py fails the build when a check of the parse path sits
// in a noexcept frame again). The checks stay on in every build; without them the library trusts
// the broken assumption instead.
#include <string>
#include <type_traits>

#ifdef NDEBUG
#error "NDEBUG switches the TOML library's checks off, and assertions stay on in every build"
#endif

namespace cuevoice::toml_check {

// What a check sees as `cp` outside the parser: no current character, so no position.
struct NoCharacter {};

// Throws the parse error for a failed check. `character` is the parser's current character
// (its `cp`, null at the end of the text) where the check sits in the parser.
template <typename Character>
[[noreturn]] void failed(const char* check, const Character& character);

} // namespace cuevoice::toml_check

namespace toml {
// Found by the checks outside the parser; inside it, the parser's own `cp` hides this one.
inline constexpr cuevoice::toml_check::NoCharacter cp{};
} // namespace toml

#define TOML_ASSERT(expr)                                                                          \
    ((expr) ? static_cast<void>(0) : ::cuevoice::toml_check::failed(#expr, cp))

#include <toml++/toml.h>

namespace cuevoice::toml_check {

// The description of a failed check, as the parse error's text.
inline std::string failed_check_text(const char* check) {
    return std::string("the TOML library cannot read the text here (its check failed: ") + check +
           ")";
}

template <typename Character> void failed(const char* check, const Character& character) {
    // Line 0: no position known.
    toml::source_position position{0, 0};
    if constexpr (requires { character->position; }) {
        if (character != nullptr)
            position = character->position;
    }
    throw toml::parse_error(failed_check_text(check).c_str(), position);
}

} // namespace cuevoice::toml_check
