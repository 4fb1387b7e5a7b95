#include "config/toml_nesting.h"

#include <vector>

#include "common/toml.h"
#include "common/utf8.h"

namespace cuevoice {
namespace {

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::optional<NestingProblem> run();

private:
    enum class Expect { key, value, other };

    bool at_end() const { return at_ >= text_.size(); }
    char peek(std::size_t ahead = 0) const {
        return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0';
    }
    bool starts_with(std::string_view prefix) const {
        return text_.substr(at_).starts_with(prefix);
    }
    // Steps over one byte, keeping the line count.
    void advance() {
        if (text_[at_] == '\n') {
            ++line_;
            line_start_ = at_ + 1;
        }
        ++at_;
    }
    NestingProblem problem_here(std::size_t at, std::string reason) const;
    void skip_string();
    void skip_comment() {
        while (!at_end() && peek() != '\n')
            ++at_;
    }
    // Steps over a header's brackets and the blanks after them. The TOML library assumes that
    // a name follows (it asserts so, and trusts it without assertions); a header that ends
    // there, or holds something else, is refused here.
    std::optional<NestingProblem> check_header_start();
    // Counts one more part of the key being read; a problem when there are too many.
    std::optional<NestingProblem> count_key_part();

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
    std::size_t line_start_ = 0;
    std::size_t key_start_ = 0;
    std::size_t key_parts_ = 0;
};

NestingProblem Scanner::problem_here(std::size_t at, std::string reason) const {
    // Columns count characters, as the TOML library's do: UTF-8 continuation bytes add nothing.
    std::size_t column = 1;
    for (std::size_t i = line_start_; i < at && i < text_.size(); ++i)
        if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80)
            ++column;
    return {line_, column, std::move(reason)};
}

// Skips a basic, literal or multi-line string starting at the quote under the cursor. A
// single-line string ends at its line end at the latest, as in TOML.
void Scanner::skip_string() {
    const char quote = peek();
    const bool basic = quote == '"';
    const std::string_view triple = basic ? "\"\"\"" : "'''";
    if (starts_with(triple)) {
        at_ += 3;
        while (!at_end()) {
            if (basic && peek() == '\\') {
                ++at_;
                if (!at_end())
                    advance();
            } else if (peek() == quote && starts_with(triple)) {
                // Up to two more quotes right before the closing three belong to the text.
                while (peek() == quote)
                    ++at_;
                return;
            } else {
                advance();
            }
        }
        return;
    }
    ++at_;
    while (!at_end() && peek() != '\n') {
        char c = peek();
        ++at_;
        if (c == quote)
            return;
        if (basic && c == '\\' && !at_end() && peek() != '\n')
            ++at_;
    }
}

std::optional<NestingProblem> Scanner::check_header_start() {
    auto skip_blanks = [this] {
        const std::size_t from = at_;
        while (peek() == ' ' || peek() == '\t')
            ++at_;
        return at_ != from;
    };
    ++at_;
    const bool blank = skip_blanks();
    if (peek() == '[') {
        // "[ [" is the library's own error, found before it looks for a name.
        if (blank)
            return std::nullopt;
        ++at_;
        skip_blanks();
    }
    // The end of the text, an empty name ("[]") and a blank other than space or tab are the
    // library's own errors too. What may start a name is the library's to say: TOML 1.1 lets a
    // bare key start with a letter of any script.
    if (at_end())
        return std::nullopt;
    const char32_t c = decode_utf8_at(text_, at_).value;
    if (c == U']' || toml::impl::is_bare_key_character(c) || toml::impl::is_string_delimiter(c) ||
        toml::impl::is_horizontal_whitespace(c))
        return std::nullopt;
    return problem_here(at_, "a table header without a name");
}

std::optional<NestingProblem> Scanner::count_key_part() {
    if (++key_parts_ > max_key_parts)
        return problem_here(key_start_, "a key with more than " + std::to_string(max_key_parts) +
                                            " dotted parts");
    return std::nullopt;
}

std::optional<NestingProblem> Scanner::run() {
    // Open arrays ('[') and inline tables ('{') of the value being read.
    std::vector<char> open;
    Expect expect = Expect::key;
    bool in_header = false;
    // Whether the key being read has a part yet, and whether a dot awaits the next part.
    bool key_begun = false;

    auto begin_key = [&] {
        key_start_ = at_;
        key_parts_ = 0;
        key_begun = false;
    };
    // The library's reader drops a byte-order mark at the start, as the loader drops one
    // before: lines and columns count from after it.
    if (starts_with("\xEF\xBB\xBF"))
        at_ = line_start_ = 3;
    begin_key();

    while (!at_end()) {
        const char c = peek();
        if (c == '\n') {
            advance();
            // A line end closes a statement, unless a value is still open.
            if (open.empty()) {
                expect = Expect::key;
                in_header = false;
                begin_key();
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at_;
            continue;
        }
        if (c == '#') {
            skip_comment();
            continue;
        }
        if (expect == Expect::key) {
            if (!key_begun && c == '[' && open.empty() && !in_header) {
                // A table header: [a.b] or [[a.b]].
                in_header = true;
                key_start_ = at_;
                if (auto problem = check_header_start())
                    return problem;
                continue;
            }
            if (c == '.') {
                ++at_;
                key_begun = false;
                continue;
            }
            if (c == '=' && !in_header) {
                ++at_;
                expect = Expect::value;
                continue;
            }
            if (c == ']' && in_header) {
                while (peek() == ']')
                    ++at_;
                expect = Expect::other;
                continue;
            }
            if (c == '}' && !open.empty()) {
                // An empty inline table, or one that ends after a comma.
                ++at_;
                open.pop_back();
                expect = Expect::other;
                continue;
            }
            if (!key_begun) {
                key_begun = true;
                if (key_parts_ == 0 && !in_header)
                    key_start_ = at_;
                if (auto problem = count_key_part())
                    return problem;
            }
            if (c == '"' || c == '\'')
                skip_string();
            else
                ++at_;
            continue;
        }
        // Inside or after a value.
        if (c == '"' || c == '\'') {
            skip_string();
        } else if (c == '[' || c == '{') {
            if (expect == Expect::value && open.size() >= max_value_nesting)
                return problem_here(at_, "arrays or inline tables nested more than " +
                                             std::to_string(max_value_nesting) + " deep");
            open.push_back(c);
            ++at_;
            if (c == '{') {
                expect = Expect::key;
                begin_key();
            }
        } else if (c == ']' || c == '}') {
            ++at_;
            if (!open.empty())
                open.pop_back();
            expect = Expect::other;
        } else if (c == ',') {
            ++at_;
            if (!open.empty() && open.back() == '{') {
                expect = Expect::key;
                begin_key();
            } else {
                expect = Expect::value;
            }
        } else {
            ++at_;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<NestingProblem> find_excessive_nesting(std::string_view text) {
    return Scanner(text).run();
}

} // namespace cuevoice
