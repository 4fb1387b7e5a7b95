#include "catalog/catalog.h"

#include <algorithm>
#include <type_traits>
#include <variant>

#include "catalog/deserialize.h"
#include "common/fatal.h"

namespace cuevoice::embedded {
extern const std::string_view functions_toml;
}

namespace cuevoice {
namespace {

void replace_all(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

void expand(std::optional<std::string>& field, const TemplateCopy& copy) {
    if (field)
        field = expand_template_text(*field, copy);
}

// The copies of one entry: `values` outer, `values2` inner; no `values` gives one plain copy.
std::vector<TemplateCopy> template_copies(const RawFunction& raw) {
    if (raw.values.empty())
        return {TemplateCopy{}};
    std::vector<TemplateCopy> copies;
    for (std::size_t h = 0; h < raw.values.size(); ++h) {
        TemplateCopy copy{.value = raw.values[h],
                          .name_text = h < raw.names.size() ? raw.names[h] : raw.values[h],
                          .position = h + 1};
        if (raw.values2.empty()) {
            copies.push_back(copy);
            continue;
        }
        for (const std::string& value2 : raw.values2) {
            copy.value2 = value2;
            copies.push_back(copy);
        }
    }
    return copies;
}

bool mentions_deck(const ControlTarget& target) {
    constexpr std::string_view deck = "{deck}";
    return target.group.find(deck) != std::string::npos ||
           target.control.find(deck) != std::string::npos;
}

template <typename Kind, typename... Kinds>
constexpr bool is_one_of = (std::is_same_v<Kind, Kinds> || ...);

} // namespace

std::string expand_template_text(std::string_view text, const TemplateCopy& copy) {
    std::string expanded(text);
    // Most texts hold no placeholder at all.
    if (expanded.find('{') == std::string::npos)
        return expanded;
    replace_all(expanded, "{n}", copy.value);
    replace_all(expanded, "{name}", copy.name_text);
    replace_all(expanded, "{i}", std::to_string(copy.position));
    replace_all(expanded, "{m}", copy.value2);
    return expanded;
}

bool is_deck_function(const Action& action) {
    return std::visit(
        [](const auto& kind) {
            using Kind = std::decay_t<decltype(kind)>;
            if constexpr (is_one_of<Kind, BeatgridClicksAction, BeatgridMoveAction,
                                    BeatgridTapAction, MarkerAction, BeatmatchAction,
                                    BeatmatchMonitorAction>)
                return true;
            else if constexpr (std::is_same_v<Kind, SayAction>)
                return kind.what != SayWhat::selected_track && kind.what != SayWhat::effects;
            else if constexpr (is_one_of<Kind, ToggleAction, PressAction, HoldAction, SetAction,
                                         AdjustAction, SayControlAction, ChangeEffectAction>)
                return mentions_deck(kind.target);
            else if constexpr (is_one_of<Kind, SelectDeckAction, StopSpeechAction,
                                         ToggleAnnounceAction, DumpWidgetsAction, KeyHelpAction,
                                         PreviewAction, ClearMarkerAction, StopSamplersAction,
                                         KeyEditorAction>)
                return false;
            else
                static_assert(unhandled_action_kind<Kind>);
        },
        action);
}

Result<std::vector<FunctionEntry>> build_catalog_from(std::string_view text) {
    auto raw_functions = deserialize_catalog_document(text);
    if (!raw_functions)
        return Error{raw_functions.error()};
    std::vector<std::vector<TemplateCopy>> copies_per_entry;
    std::size_t total = 0;
    for (const RawFunction& raw : *raw_functions) {
        copies_per_entry.push_back(template_copies(raw));
        total += copies_per_entry.back().size();
    }
    std::vector<FunctionEntry> entries;
    entries.reserve(total);
    for (std::size_t r = 0; r < raw_functions->size(); ++r) {
        const RawFunction& raw = (*raw_functions)[r];
        std::size_t p = 0;
        for (const TemplateCopy& copy : copies_per_entry[r]) {
            Binding binding = raw.binding;
            for (auto field : {&Binding::group, &Binding::control, &Binding::what, &Binding::label,
                               &Binding::report, &Binding::report_label, &Binding::confirm})
                expand(binding.*field, copy);
            std::string id = expand_template_text(raw.id, copy);
            // Messages about the binding then name the function.
            binding.key = id;

            std::vector<std::string> default_keys = raw.keys;
            if (p < raw.keys_each.size() && !raw.keys_each[p].empty())
                default_keys.push_back(raw.keys_each[p]);

            auto action = action_from_function(binding);
            if (!action)
                return Error{action.error()};
            bool deck_function = is_deck_function(*action);
            entries.push_back(FunctionEntry{
                .binding = std::move(binding),
                .id = std::move(id),
                .name = expand_template_text(raw.name, copy),
                .category = raw.category,
                .default_keys = std::move(default_keys),
                .action = std::move(action).value(),
                .deck_function = deck_function,
            });
            ++p;
        }
    }
    return entries;
}

std::vector<FunctionEntry> build_catalog() {
    auto entries = build_catalog_from(embedded::functions_toml);
    if (!entries)
        fatal_error("functions.toml is valid", entries.error());
    return std::move(entries).value();
}

const std::vector<FunctionEntry>& catalog() {
    // Built once, concurrent first callers waiting; never freed, since detached threads may
    // still read it while the process ends.
    static const std::vector<FunctionEntry>* const entries =
        new std::vector<FunctionEntry>(build_catalog());
    return *entries;
}

std::optional<FoundFunction> find_function_in(const std::vector<FunctionEntry>& entries,
                                              std::string_view text) {
    constexpr std::string_view marker = "@deck";
    std::string_view id = text;
    std::optional<std::uint8_t> deck;
    if (std::size_t at = text.find(marker); at != std::string_view::npos) {
        id = text.substr(0, at);
        std::string_view number = text.substr(at + marker.size());
        if (!number.empty() && number.front() == '+')
            number.remove_prefix(1);
        if (number.empty())
            return std::nullopt;
        unsigned value = 0;
        for (char c : number) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > 255)
                return std::nullopt;
        }
        if (value < 1 || value > 4)
            return std::nullopt;
        deck = static_cast<std::uint8_t>(value);
    }
    for (const FunctionEntry& entry : entries) {
        if (entry.id != id)
            continue;
        if (deck && !entry.deck_function)
            return std::nullopt;
        return FoundFunction{.entry = &entry, .deck = deck};
    }
    return std::nullopt;
}

std::optional<FoundFunction> find_function(std::string_view text) {
    return find_function_in(catalog(), text);
}

std::vector<std::string_view> categories_of(const std::vector<FunctionEntry>& entries) {
    std::vector<std::string_view> categories;
    for (const FunctionEntry& entry : entries) {
        if (std::find(categories.begin(), categories.end(), entry.category) == categories.end())
            categories.push_back(entry.category);
    }
    return categories;
}

std::vector<std::string_view> catalog_categories() {
    return categories_of(catalog());
}

} // namespace cuevoice
