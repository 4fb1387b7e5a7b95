#pragma once
// Writing the editor's shortcuts back into config.toml: only the [shortcuts] section is
// regenerated, every other line stays as the user wrote it.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "editor/editor_model.h"
#include "editor/editor_state.h"

namespace cuevoice {

// The same texts in ascending byte order.
std::vector<std::string> sorted_key_texts(std::vector<std::string> texts);

// The [shortcuts] entries to write, by id in byte order: the stray entries, every catalogue
// function whose keys differ from its effective defaults, and deck variants that have keys.
std::map<std::string, std::vector<std::string>> shortcut_entries(const EditorModel& model);
std::map<std::string, std::vector<std::string>>
shortcut_entries(const std::vector<FunctionEntry>& functions, const EditorModel& model);

// "[shortcuts]" and a line feed, then one line per entry.
std::string shortcuts_section_text(const std::map<std::string, std::vector<std::string>>& entries);

// The base text with its [shortcuts] section replaced by the given section text, or with the
// section inserted before the advanced part, the first [[keys]] or at the end. Line ends become
// single line feeds; a leading byte-order mark must already be gone.
std::string replace_shortcuts_section(std::string_view base, std::string_view section);

// Rewrites the section of the state's config.toml from its model, checks the new text, writes
// it in one step, stores the new last-write time and reloads the run's keys. The template takes
// the place of a file that does not exist; any other file that cannot be read is left alone.
Result<void> save_settings(EditorState& state);

} // namespace cuevoice
