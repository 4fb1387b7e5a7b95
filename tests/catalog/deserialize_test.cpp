#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "catalog/deserialize.h"

using namespace cuevoice;

namespace {

// One [[function]] table with the three required texts, followed by `body`.
std::string one_function(const std::string& body) {
    return "[[function]]\nid = \"f\"\nname = \"F\"\ncategory = \"C\"\n" + body;
}

struct DocumentFault {
    const char* what;
    std::string text;
    std::string error;
};

// Failure messages name the case, not its bytes.
void PrintTo(const DocumentFault& fault, std::ostream* out) {
    *out << fault.what;
}

class CatalogDocumentFaults : public testing::TestWithParam<DocumentFault> {};

TEST_P(CatalogDocumentFaults, AreRefusedWithTheirMessage) {
    auto result = deserialize_catalog_document(GetParam().text);
    ASSERT_FALSE(result.ok()) << GetParam().what;
    EXPECT_EQ(result.error(), GetParam().error) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogDocumentFaults,
    testing::Values(
        DocumentFault{"no function list", "title = \"x\"\n", "missing field `function`"},
        DocumentFault{"function list as text", "function = \"x\"\n",
                      "invalid type: string \"x\", expected a sequence"},
        DocumentFault{"function as one table", "[function]\nid = \"f\"\n",
                      "invalid type: map, expected a sequence"},
        DocumentFault{"member that is no table", "function = [\"x\"]\n",
                      "invalid type: string \"x\", expected struct RawFunction"},
        DocumentFault{"member that is a number", "function = [1.5]\n",
                      "invalid type: floating point `1.5`, expected struct RawFunction"},
        DocumentFault{"no id",
                      "[[function]]\nname = \"F\"\ncategory = \"C\"\naction = \"stop_speech\"\n",
                      "missing field `id`"},
        DocumentFault{"no name",
                      "[[function]]\nid = \"f\"\ncategory = \"C\"\naction = \"stop_speech\"\n",
                      "missing field `name`"},
        DocumentFault{"no category",
                      "[[function]]\nid = \"f\"\nname = \"F\"\naction = \"stop_speech\"\n",
                      "missing field `category`"},
        DocumentFault{"no action", one_function("control = \"play\"\n"), "missing field `action`"},
        DocumentFault{"id as number", "[[function]]\nid = 1\nname = \"F\"\ncategory = \"C\"\n",
                      "invalid type: integer `1`, expected a string"},
        DocumentFault{"values of numbers", one_function("action = \"toggle\"\nvalues = [1, 2]\n"),
                      "invalid type: integer `1`, expected a string"},
        DocumentFault{"keys as one text",
                      one_function("action = \"toggle\"\nkeys = \"ctrl+alt+p\"\n"),
                      "invalid type: string \"ctrl+alt+p\", expected a sequence"},
        DocumentFault{"keys_each as table", one_function("action = \"toggle\"\nkeys_each = {}\n"),
                      "invalid type: map, expected a sequence"},
        DocumentFault{"deck above 255", one_function("action = \"select_deck\"\ndeck = 256\n"),
                      "invalid value: integer `256`, expected u8"},
        DocumentFault{"negative deck", one_function("action = \"select_deck\"\ndeck = -1\n"),
                      "invalid value: integer `-1`, expected u8"},
        DocumentFault{"deck as float", one_function("action = \"select_deck\"\ndeck = 1.0\n"),
                      "invalid type: floating point `1.0`, expected u8"},
        DocumentFault{"value as text", one_function("action = \"set\"\nvalue = \"x\"\n"),
                      "invalid type: string \"x\", expected f64"},
        DocumentFault{"step as boolean", one_function("action = \"adjust\"\nstep = true\n"),
                      "invalid type: boolean `true`, expected f64"},
        DocumentFault{"repeat as number", one_function("action = \"press\"\nrepeat = 1\n"),
                      "invalid type: integer `1`, expected a boolean"},
        DocumentFault{"label as list", one_function("action = \"press\"\nlabel = [\"a\"]\n"),
                      "invalid type: sequence, expected a string"},
        DocumentFault{"action as date", one_function("action = 1979-05-27\n"),
                      "invalid type: date `1979-05-27`, expected a string"},
        DocumentFault{"quotes in found text", one_function("action = \"set\"\nvalue = 'a\"b\\c'\n"),
                      "invalid type: string \"a\\\"b\\\\c\", expected f64"},
        // The first fault as the text is written is reported, not the first in key order.
        DocumentFault{"two faults", one_function("action = \"x\"\nrepeat = 1\ndeck = 300\n"),
                      "invalid type: integer `1`, expected a boolean"},
        // The entry's own fields are checked before its binding.
        DocumentFault{"own fields first",
                      "[[function]]\ndeck = 300\nname = \"F\"\ncategory = \"C\"\n",
                      "missing field `id`"},
        DocumentFault{"second entry broken",
                      one_function("action = \"stop_speech\"\n") +
                          "[[function]]\nid = \"g\"\nname = \"G\"\naction = \"stop_speech\"\n",
                      "missing field `category`"}));

TEST(CatalogDocument, SyntaxErrorsNameLineColumnAndShowTheLine) {
    const std::string text = "[[function]]\nid = \"f\"\nname = = \"F\"\n";
    auto result = deserialize_catalog_document(text);
    ASSERT_FALSE(result.ok());
    const std::string& error = result.error();
    EXPECT_EQ(error.rfind("TOML parse error at line 3, column ", 0), 0u) << error;
    EXPECT_NE(error.find("\n3 | name = = \"F\"\n"), std::string::npos) << error;
    EXPECT_NE(error.find("^\n"), std::string::npos) << error;
    // The parser's own words follow the pointer.
    EXPECT_NE(error.back(), '\n') << error;
    EXPECT_GT(error.size(), error.find("^\n") + 2) << error;
}

namespace {

std::string syntax_error_text(std::string_view text, std::size_t line, std::size_t column,
                              const std::string& words = "the words") {
    const toml::source_position where{static_cast<toml::source_index>(line),
                                      static_cast<toml::source_index>(column)};
    return toml_syntax_error_text(toml::parse_error(words.c_str(), where), text);
}

// The error as it should read: the line as shown, and the caret after `before_caret` blanks.
std::string shown_error(std::size_t line, std::size_t column, const std::string& shown,
                        std::size_t before_caret, const std::string& words = "the words") {
    const std::string number = std::to_string(line);
    const std::string gutter(number.size(), ' ');
    return "TOML parse error at line " + number + ", column " + std::to_string(column) + "\n" +
           gutter + " |\n" + number + " | " + shown + "\n" + gutter + " | " +
           std::string(before_caret, ' ') + "^\n" + words;
}

} // namespace

TEST(TomlSyntaxErrorText, ControlCharactersOfTheLineAreEscapedAndTheCaretStaysUnderItsCharacter) {
    using namespace std::string_literals;
    const struct {
        const char* what;
        std::string text;
        std::size_t line;
        std::size_t column;
        std::string shown;
        std::size_t before_caret;
    } cases[] = {
        // A file saved as UTF-16 without a byte-order mark: a NUL after every character.
        {"NUL at the column", "#\0 \0C\0\n\0#\0"s, 1, 2, "#\\u0000 \\u0000C\\u0000", 1},
        {"NUL before the column", "a\0b = ]\n"s, 1, 7, "a\\u0000b = ]", 11},
        {"NUL on a later line", "a = 1\n\0b = ]\n"s, 2, 2, "\\u0000b = ]", 6},
        {"tab before the column", "\tx = ]\n", 1, 6, "\\tx = ]", 6},
        {"CR in the middle, at the column", "x = 1\r y\r\n", 1, 6, "x = 1\\r y", 5},
        {"CR in the middle, before the column", "x = 1\r y\r\n", 1, 8, "x = 1\\r y", 8},
        {"DEL", "x = \x7F\n", 1, 5, "x = \\u007F", 4},
        {"C1 control", "x = 1 \xC2\x85\n", 1, 7, "x = 1 \\u0085", 6},
        {"control after the column", "x = ]\x01\x1F\n", 1, 5, "x = ]\\u0001\\u001F", 4},
        {"control before and after the column", "\b\f = ]\x1B\n", 1, 6, "\\b\\f = ]\\u001B", 7},
        {"letters of two and three bytes before the column", "\xC3\xA9\xE2\x82\xAC = \x01\n", 1, 6,
         "\xC3\xA9\xE2\x82\xAC = \\u0001", 5},
        {"letters and a control before the column", "\xC3\xA9\x01\xC3\xA9 = ]\n", 1, 7,
         "\xC3\xA9\\u0001\xC3\xA9 = ]", 11},
        {"column past the end of the line", "x\0\n"s, 1, 4, "x\\u0000", 8},
        {"no control character", "[general\n", 1, 9, "[general", 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string error = syntax_error_text(c.text, c.line, c.column);
        EXPECT_EQ(error, shown_error(c.line, c.column, c.shown, c.before_caret));
    }
}

TEST(TomlSyntaxErrorText, EveryControlCharacterIsEscapedAsTheLibraryEscapesItsOwn) {
    // The library's own table for U+0000 to U+001F, and what it writes for DEL.
    std::vector<std::pair<char, std::string>> escapes;
    for (int c = 0; c < 0x20; ++c)
        escapes.emplace_back(static_cast<char>(c),
                             std::string(toml::impl::control_char_escapes[c]));
    escapes.emplace_back('\x7F', "\\u007F");
    for (const auto& [character, escape] : escapes) {
        SCOPED_TRACE(escape);
        // A line feed ends the line, so it is tried in the words alone.
        const std::string line =
            character == '\n' ? std::string("x y") : std::string("x") + character + "y";
        const std::string shown = character == '\n' ? std::string("x y") : "x" + escape + "y";
        const std::size_t before_caret = character == '\n' ? 2 : 1 + escape.size();
        // The words come as a C string: they hold no NUL.
        const std::string words =
            character == '\0' ? std::string("saw") : std::string("saw '") + character + "'";
        const std::string shown_words =
            character == '\0' ? std::string("saw") : "saw '" + escape + "'";
        EXPECT_EQ(syntax_error_text(line + "\n", 1, 3, words),
                  shown_error(1, 3, shown, before_caret, shown_words));
    }
}

TEST(TomlSyntaxErrorText, ControlCharactersTheLibraryQuotesFromTheTextAreEscapedToo) {
    // The library's words quote keys and values as written, tabs and all.
    const struct {
        const char* what;
        std::string text;
        std::string where;
        std::string words;
    } cases[] = {
        {"a table header with a tab, twice", "[\"a\tb\"]\n[\"a\tb\"]\n", "at line 2, column 1",
         "Error while parsing table header: cannot redefine existing table '\"a\\ta\\tb\"'"},
        {"a tab inside a word", "x = tr\tue\n", "at line 1, column 7",
         "Error while parsing boolean: expected 'true', saw 'tr\\t'"},
        // The words then hold a line feed of their own.
        {"a line end inside a word", "x = t\ny = 1\n", "at line 1, column 6",
         "Error while parsing boolean: expected 'true', saw 't\\n'"},
        {"a C1 control after a value", "x = 1 \xC2\x85\n", "at line 1, column 7",
         "Error while parsing key-value pair: expected a comment or whitespace, saw '\\u0085'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        try {
            auto parsed = toml::parse(c.text, std::string_view{"test.toml"});
            ADD_FAILURE() << "parsed";
        } catch (const toml::parse_error& e) {
            error = toml_syntax_error_text(e, c.text);
        }
        EXPECT_EQ(error.rfind("TOML parse error " + c.where + "\n", 0), 0u) << error;
        EXPECT_EQ(error.substr(error.rfind("^\n") + 2), c.words);
    }
    // A failed check of the library's that knows no position: its words alone.
    EXPECT_EQ(syntax_error_text("x", 0, 0, "a\tb"), "TOML parse error\na\\tb");
}

TEST(CatalogDocument, AKeyWrittenTwiceIsASyntaxError) {
    auto result = deserialize_catalog_document(one_function("action = \"a\"\naction = \"b\"\n"));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().rfind("TOML parse error at line 6, column ", 0), 0u) << result.error();
}

TEST(CatalogDocument, ReadsEveryFieldAndIgnoresUnknownKeys) {
    const std::string text = R"(
comment = "top-level keys other than function are skipped"

[[function]]
id = "effect_{n}_{m}"
name = "Effect {n} {m}"
category = "Effects"
keys = ["ctrl+alt+p", "ctrl+alt+shift+p"]
values = ["1", "0.5"]
names = ["one", ""]
values2 = ["16"]
keys_each = ["", "ctrl+alt+e"]
key = "written but replaced later"
action = "press"
deck = 255
group = "[Channel{deck}]"
control = "play"
value = 1
step = -0.25
what = "status"
label = ""
format = "percent"
report = "bpm"
report_label = "tempo"
report_format = "bpm"
confirm = "done"
repeat = false
lable = "a misspelt key"

[[function]]
id = "plain"
name = "Plain"
category = "Cuevoice"
action = "stop_speech"
)";
    auto result = deserialize_catalog_document(text);
    ASSERT_TRUE(result.ok()) << result.error();
    ASSERT_EQ(result->size(), 2u);

    RawFunction expected{
        .id = "effect_{n}_{m}",
        .name = "Effect {n} {m}",
        .category = "Effects",
        .keys = {"ctrl+alt+p", "ctrl+alt+shift+p"},
        .values = {"1", "0.5"},
        .names = {"one", ""},
        .values2 = {"16"},
        .keys_each = {"", "ctrl+alt+e"},
        .binding = {.key = "written but replaced later",
                    .action = "press",
                    .deck = 255,
                    .group = "[Channel{deck}]",
                    .control = "play",
                    .value = 1.0,
                    .step = -0.25,
                    .what = "status",
                    .label = "",
                    .format = "percent",
                    .report = "bpm",
                    .report_label = "tempo",
                    .report_format = "bpm",
                    .confirm = "done",
                    .repeat = false},
    };
    EXPECT_EQ((*result)[0], expected);

    // Absent optional fields stay absent; absent lists are empty.
    RawFunction plain{.id = "plain",
                      .name = "Plain",
                      .category = "Cuevoice",
                      .binding = {.action = "stop_speech"}};
    EXPECT_EQ((*result)[1], plain);
    EXPECT_FALSE((*result)[1].binding.label.has_value());
    EXPECT_FALSE((*result)[1].binding.repeat.has_value());
}

TEST(CatalogDocument, AnEmptyFunctionListIsAnEmptyCatalogue) {
    auto result = deserialize_catalog_document("function = []\n");
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_TRUE(result->empty());
}

TEST(CatalogDocument, InlineTablesAndTomlOnePointOneSyntaxAreRead) {
    auto result =
        deserialize_catalog_document("function = [\n  { id = \"a\", name = \"A\", category = "
                                     "\"C\",\n    action = \"stop_speech\", },\n]\n");
    ASSERT_TRUE(result.ok()) << result.error();
    ASSERT_EQ(result->size(), 1u);
    EXPECT_EQ((*result)[0].id, "a");
}

// Reads the first [[keys]] table of a settings-like text.
Result<Binding> first_binding(const std::string& text) {
    toml::table document = toml::parse(text, std::string_view{"config.toml"});
    return deserialize_binding(*document["keys"][0].as_table());
}

TEST(BindingTable, IntegerAndFloatValuesGiveTheSameBinding) {
    auto as_integer =
        first_binding("[[keys]]\nkey = \"ctrl+alt+1\"\naction = \"set\"\nvalue = 1\nstep = 2\n");
    auto as_float = first_binding(
        "[[keys]]\nkey = \"ctrl+alt+1\"\naction = \"set\"\nvalue = 1.0\nstep = 2.0\n");
    ASSERT_TRUE(as_integer.ok()) << as_integer.error();
    ASSERT_TRUE(as_float.ok()) << as_float.error();
    EXPECT_EQ(*as_integer, *as_float);
    EXPECT_EQ(as_integer->value, 1.0);
    EXPECT_EQ(as_integer->step, 2.0);
}

TEST(BindingTable, EmptyLabelIsPresentAndMisspeltLabelIsAbsent) {
    auto empty = first_binding("[[keys]]\naction = \"toggle\"\nlabel = \"\"\n");
    auto misspelt = first_binding("[[keys]]\naction = \"toggle\"\nlable = \"mute\"\n");
    ASSERT_TRUE(empty.ok()) << empty.error();
    ASSERT_TRUE(misspelt.ok()) << misspelt.error();
    EXPECT_EQ(empty->label, std::optional<std::string>(""));
    EXPECT_EQ(misspelt->label, std::nullopt);
    EXPECT_EQ(misspelt->key, "");
}

TEST(BindingTable, FaultsUseTheSameMessages) {
    struct Case {
        std::string text;
        std::string error;
    };
    for (const Case& c : {
             Case{"[[keys]]\nkey = \"ctrl+alt+1\"\n", "missing field `action`"},
             Case{"[[keys]]\naction = \"select_deck\"\ndeck = 256\n",
                  "invalid value: integer `256`, expected u8"},
             Case{"[[keys]]\naction = \"toggle\"\nkey = 5\n",
                  "invalid type: integer `5`, expected a string"},
             Case{"[[keys]]\naction = \"toggle\"\nrepeat = \"yes\"\n",
                  "invalid type: string \"yes\", expected a boolean"},
             // Extra keys meant for a catalogue entry are not binding fields.
             Case{"[[keys]]\nvalues = 3\n", "missing field `action`"},
         }) {
        auto result = first_binding(c.text);
        ASSERT_FALSE(result.ok()) << c.text;
        EXPECT_EQ(result.error(), c.error) << c.text;
    }
}

TEST(BindingTable, TablesBuiltInCodeAreReadToo) {
    toml::table table{
        {"action", "adjust"}, {"control", "volume"}, {"step", 0.05}, {"deck", 2}, {"repeat", true}};
    auto result = deserialize_binding(table);
    ASSERT_TRUE(result.ok()) << result.error();
    Binding expected{
        .action = "adjust", .deck = 2, .control = "volume", .step = 0.05, .repeat = true};
    EXPECT_EQ(*result, expected);
}

TEST(FoundValueText, FloatsAreWrittenWithoutExponentAndWithAPoint) {
    struct Case {
        double value;
        const char* text;
    };
    for (const Case& c : {Case{1.0, "floating point `1.0`"}, Case{-0.5, "floating point `-0.5`"},
                          Case{1e20, "floating point `100000000000000000000.0`"},
                          Case{std::numeric_limits<double>::infinity(), "floating point `inf`"},
                          Case{std::nan(""), "floating point `NaN`"}}) {
        toml::value<double> node(c.value);
        EXPECT_EQ(invalid_type_text(node, "u8"),
                  std::string("invalid type: ") + c.text + ", expected u8");
    }
}

TEST(FoundValueText, ControlCharactersOfATextAreEscapesAndOtherCharactersStayAsTheyAre) {
    struct Case {
        std::string value;
        const char* text;
    };
    for (const Case& c : {
             // C1 controls (U+0080 to U+009F), as unseen and unspoken as C0 and DEL.
             Case{"a\u0080", R"(string "a\u{80}")"},
             Case{"a\u0085b\u009b", R"(string "a\u{85}b\u{9b}")"},
             Case{"\u009f", R"(string "\u{9f}")"},
             // Characters past them stay, also those with later bytes from 0x80 to 0x9F (U+0100
             // is C4 80, U+1F3B5 is F0 9F 8E B5): the text is read as characters, not bytes.
             Case{"a\u00a0b", "string \"a\u00a0b\""},
             Case{"caf\u00e9", "string \"caf\u00e9\""},
             Case{"\u0100\U0001F3B5", "string \"\u0100\U0001F3B5\""},
             // C0 and DEL as before.
             Case{std::string("\0\x01\x1B\x7F", 4), R"(string "\0\u{1}\u{1b}\u{7f}")"},
             Case{"\t\n\r", R"(string "\t\n\r")"},
         }) {
        toml::value<std::string> node(c.value);
        EXPECT_EQ(invalid_type_text(node, "u16"),
                  std::string("invalid type: ") + c.text + ", expected u16");
    }
}

} // namespace
