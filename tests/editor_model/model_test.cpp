#include <algorithm>

#include <gtest/gtest.h>

#include "catalog/describe.h"
#include "common/text_case.h"
#include "config/key_chord.h"
#include "editor/editor_model.h"

namespace cuevoice {
namespace {

Binding custom(std::string key, std::string action) {
    Binding binding;
    binding.key = std::move(key);
    binding.action = std::move(action);
    return binding;
}

Settings sample_settings() {
    Settings settings;
    settings.general.mixxx_path = "C:\\m.exe";
    settings.shortcuts = {{"play", {"Shift+Ctrl+P"}},
                          {"play@deck02", {"ctrl+alt+shift+l"}},
                          {"unknown_function", {"ctrl+q+q"}},
                          {"cue", {}}};
    Binding passthrough = custom("ctrl+alt+shift+f1", "toggle");
    passthrough.control = "passthrough";
    passthrough.label = "vinyl passthrough";
    settings.keys = {custom("ctrl+alt+f1", "none"), passthrough};
    return settings;
}

std::size_t index_of(const std::vector<FunctionRow>& rows, std::string_view id) {
    auto at =
        std::find_if(rows.begin(), rows.end(), [&](const FunctionRow& r) { return r.id == id; });
    return static_cast<std::size_t>(at - rows.begin());
}

bool has_row(const std::vector<FunctionRow>& rows, std::string_view id) {
    return index_of(rows, id) < rows.size();
}

std::size_t category_index(std::string_view name) {
    auto categories = catalog_categories();
    auto at = std::find(categories.begin(), categories.end(), name);
    EXPECT_NE(at, categories.end()) << name;
    return static_cast<std::size_t>(at - categories.begin()) + 1;
}

TEST(EditorModel, TakesTheKeysOfTheKeyMapTheStrayEntriesAndTheCustomKeys) {
    const Settings settings = sample_settings();
    auto model = build_editor_model(settings);
    ASSERT_TRUE(model.ok()) << model.error();

    EXPECT_EQ(model->function_keys.at("play"), std::vector<std::string>{"ctrl+shift+p"});
    // Another spelling of a deck variant is held, shown and saved as "id@deckN".
    EXPECT_EQ(model->function_keys.at("play@deck2"), std::vector<std::string>{"ctrl+alt+shift+l"});
    EXPECT_FALSE(model->function_keys.count("play@deck02"));
    EXPECT_FALSE(model->function_keys.count("cue")) << "an empty list removes the defaults";
    EXPECT_FALSE(model->function_keys.count("hotcue_1")) << "its default is switched off";
    EXPECT_FALSE(model->function_keys.count("hotcue_1_clear")) << "a [[keys]] entry has it";
    EXPECT_EQ(model->function_keys.at("hotcue_2"), std::vector<std::string>{"ctrl+alt+f2"});
}

TEST(EditorModel, HoldsStrayEntriesAndCustomKeysAsWritten) {
    const Settings settings = sample_settings();
    auto model = build_editor_model(settings);
    ASSERT_TRUE(model.ok()) << model.error();
    EXPECT_EQ(model->stray_shortcuts, (FunctionKeys{{"unknown_function", {"ctrl+q+q"}}}));
    auto described = describe_binding(settings.keys[1]);
    ASSERT_TRUE(described.ok());
    const std::vector<CustomKey> expected{
        {modifier_ctrl | modifier_alt, 0x70, "switched off"},
        {modifier_ctrl | modifier_alt | modifier_shift, 0x70, described->name}};
    EXPECT_EQ(model->custom_keys, expected);
    EXPECT_EQ(per_deck_ids_of(settings), std::set<std::string>{"play@deck2"});
}

TEST(EditorModel, AKeysEntryThatCannotBeReadIsTheModelsError) {
    Settings settings = sample_settings();
    settings.keys.push_back(custom("ctrl+alt", "toggle"));
    auto model = build_editor_model(settings);
    ASSERT_FALSE(model.ok());
    EXPECT_EQ(model.error(), "'ctrl+alt': no key given");
}

TEST(EditorModel, FunctionDisplayNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"play", "Play / pause"},
        {"play@deck2", "Play / pause, deck 2"},
        {"play@deck+4", "Play / pause, deck 4"},
        {"play@deck5", "play@deck5"},
        {"select_deck_1@deck2", "select_deck_1@deck2"},
        {"Play", "Play"},
        {"not a function", "not a function"},
    };
    for (const auto& [id, name] : cases)
        EXPECT_EQ(function_display_name(id), name) << id;
}

TEST(EditorModel, LowerCasingIsUnicodes) {
    const std::pair<std::string, std::string> cases[] = {
        {"PLAY / Pause", "play / pause"},
        {"\xC3\x84\xC3\x96\xC3\x9C", "\xC3\xA4\xC3\xB6\xC3\xBC"}, // umlauts
        {"\xC4\xB0", "i\xCC\x87"},                                // capital I with dot above
        {"\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82"}, // final sigma
        {"\xCE\xA3", "\xCF\x83"},   // a lone sigma is not final
        {"a\xFF", "a\xEF\xBF\xBD"}, // no UTF-8: replaced
    };
    for (const auto& [text, lower] : cases)
        EXPECT_EQ(lower_case_text(text), lower) << text;
    EXPECT_EQ(split_at_white_space(" deck\xC2\xA0"
                                   "2\t\xE3\x80\x80play  "),
              (std::vector<std::string>{"deck", "2", "play"}));
}

TEST(EditorModel, FilterWordsMatchAnyColumnInAnyOrderAndCase) {
    auto model = build_editor_model(sample_settings());
    ASSERT_TRUE(model.ok()) << model.error();
    const std::set<std::string> per_deck{"play@deck2"};
    struct Case {
        std::string filter;
        std::optional<std::size_t> category;
        std::string id;
        bool found;
    };
    const Case cases[] = {
        {"", std::nullopt, "play", true},
        {"PAUSE play", std::nullopt, "play", true},
        {"  pause\xC2\xA0/  ", std::nullopt, "play", true},
        {"transport pause", std::nullopt, "play", true}, // category column
        {"ctrl+shift+p", std::nullopt, "play", true},    // shortcut column
        {"ctrl+alt+p", std::nullopt, "play", false},     // its default is replaced
        {"ctrl+alt+p", std::nullopt, "cue", false},      // keys removed
        {"d2 play", std::nullopt, "play", false},
        {"deck 2 play", std::nullopt, "play@deck2", true},
        {"play@deck2", std::nullopt, "play@deck2", true},   // id column
        {"deck 3 play", std::nullopt, "play@deck3", false}, // not in per_deck_ids
        {"pause", category_index("Transport"), "play", true},
        {"pause", category_index("Hotcues"), "play", false},
        {"pause", std::size_t{0}, "play", true},   // All categories
        {"pause", std::size_t{999}, "play", true}, // past the list: all
        {"pause xyzzy", std::nullopt, "play", false},
    };
    for (const Case& c : cases) {
        auto rows = filter_function_rows({c.filter, c.category}, model->function_keys, per_deck);
        EXPECT_EQ(has_row(rows, c.id), c.found) << "'" << c.filter << "' " << c.id;
        if (c.category && *c.category > 0 && *c.category <= catalog_categories().size()) {
            for (const FunctionRow& row : rows)
                EXPECT_EQ(row.function->category, catalog_categories()[*c.category - 1]);
        }
    }
}

TEST(EditorModel, DeckRowsFollowTheirFunctionInDeckOrder) {
    const std::set<std::string> per_deck{"play@deck3", "play@deck1", "nothing@deck2"};
    auto rows = filter_function_rows({}, {}, per_deck);
    EXPECT_EQ(rows.size(), catalog().size() + 2);
    std::size_t play = index_of(rows, "play");
    ASSERT_LT(play + 2, rows.size());
    EXPECT_EQ(rows[play].fixed_deck, std::nullopt);
    EXPECT_EQ(rows[play + 1].id, "play@deck1");
    EXPECT_EQ(rows[play + 1].fixed_deck, std::optional<std::uint8_t>(1));
    EXPECT_EQ(rows[play + 2].id, "play@deck3");
    EXPECT_EQ(rows[play + 2].function, rows[play].function);
    // The rows keep catalogue order.
    for (std::size_t i = 0; i + 1 < catalog().size(); ++i)
        EXPECT_EQ(filter_function_rows({}, {}, {})[i].function, &catalog()[i]);
}

TEST(EditorModel, ColumnsOfARow) {
    FunctionKeys keys{{"play@deck2", {"ctrl+alt+shift+l", "ctrl+alt+pageup"}}, {"play", {}}};
    auto rows = filter_function_rows({"play"}, keys, {"play@deck2"});
    std::size_t deck_row = index_of(rows, "play@deck2");
    ASSERT_LT(deck_row, rows.size());
    EXPECT_EQ(
        function_row_columns(rows[deck_row], keys),
        (std::array<std::string, 4>{"Play / pause, deck 2", "Ctrl+Alt+Shift+L, Ctrl+Alt+Page Up",
                                    "Transport", "play@deck2"}));
    // A function whose keys were all removed keeps its row, with an empty column.
    EXPECT_EQ(function_row_columns(rows[index_of(rows, "play")], keys)[1], "");
    EXPECT_EQ(category_box_items().front(), "All categories");
    EXPECT_EQ(category_box_items().size(), catalog_categories().size() + 1);
    EXPECT_EQ(category_box_items()[1], "Decks");
}

TEST(EditorModel, SelectionAfterARefill) {
    auto rows = filter_function_rows({"hotcue 1"}, {}, {});
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(row_to_select(rows, rows[1].id), std::optional<std::size_t>(1));
    EXPECT_EQ(row_to_select(rows, std::string("gone")), std::optional<std::size_t>(0));
    EXPECT_EQ(row_to_select(rows, std::nullopt), std::optional<std::size_t>(0));
    EXPECT_EQ(row_to_select({}, std::string("play")), std::nullopt);

    auto again = filter_function_rows({"hotcue 1"}, {{"hotcue_1", {"ctrl+alt+y"}}}, {});
    EXPECT_TRUE(same_row_ids(rows, again)) << "new keys, same rows";
    auto fewer = filter_function_rows({"hotcue 1 clear"}, {}, {});
    EXPECT_FALSE(same_row_ids(rows, fewer));
    EXPECT_FALSE(same_row_ids(fewer, rows));
}

TEST(EditorModel, TheShortcutListOfTheSelectedRow) {
    const FunctionKeys keys{{"play", {"ctrl+alt+p", "ctrl+shift+x"}}, {"cue", {}}};
    auto rows = filter_function_rows({}, keys, {});
    const FunctionRow& play = rows[index_of(rows, "play")];
    const FunctionRow& cue = rows[index_of(rows, "cue")];
    const FunctionRow& hotcue = rows[index_of(rows, "hotcue_1")];
    struct Case {
        const FunctionRow* row;
        std::optional<std::string> select;
        std::vector<std::string> items;
        std::optional<std::size_t> selection;
    };
    const Case cases[] = {
        {&play, std::nullopt, {"Ctrl+Alt+P", "Ctrl+Shift+X"}, 0},
        {&play, "ctrl+shift+x", {"Ctrl+Alt+P", "Ctrl+Shift+X"}, 1},
        {&play, "Ctrl+Shift+X", {"Ctrl+Alt+P", "Ctrl+Shift+X"}, 0}, // compared byte for byte
        {&play, "ctrl+q", {"Ctrl+Alt+P", "Ctrl+Shift+X"}, 0},
        {&cue, std::nullopt, {}, std::nullopt},
        {&hotcue, std::nullopt, {}, std::nullopt},
        {nullptr, std::nullopt, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        KeyListContents contents = key_list_contents(keys, c.row, c.select);
        EXPECT_EQ(contents.items, c.items);
        EXPECT_EQ(contents.selection, c.selection) << c.select.value_or("-");
    }
}

TEST(EditorModel, EveryCatalogueDefaultKeyIsWrittenCanonically) {
    // Saving compares the defaults with the editor's canonical keys text by text: a default
    // written in another spelling would give every untouched function a line.
    for (const FunctionEntry& function : catalog()) {
        for (const std::string& key : function.default_keys) {
            auto chord = parse_key_chord(key);
            ASSERT_TRUE(chord.ok()) << function.id << ": " << chord.error();
            EXPECT_EQ(format_key_chord(chord->modifiers, chord->vk), key) << function.id;
        }
    }
}

} // namespace
} // namespace cuevoice
