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

} // namespace
