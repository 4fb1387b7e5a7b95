#pragma once
// A key editor's state on a config.toml of its own, with hooks that count reloads and record
// the functions run.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/settings_file.h"
#include "editor/editor_state.h"
#include "test_support.h"

namespace cuevoice::test {

inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

class EditorFixture : public ::testing::Test {
protected:
    TempFolder root;
    std::filesystem::path folder = root.path() / L"Cuevoice";
    std::filesystem::path config = folder / L"config.toml";
    int reloads = 0;
    std::vector<std::string> ran;
    std::shared_ptr<EditorHooks> hooks = std::make_shared<EditorHooks>(EditorHooks{
        {},
        [this](const std::string& id) { ran.push_back(id); },
        [this] { ++reloads; },
    });

    // Writes the file and opens the editor's state on it, as the editor does when it opens.
    EditorState open(const std::string& text) {
        write_file(config, text);
        auto settings = read_settings_file(config);
        EXPECT_TRUE(settings.ok()) << settings.error();
        LoadedSettings loaded{settings.ok() ? *settings : Settings{}, config, false};
        auto state = new_editor_state(loaded, hooks);
        EXPECT_TRUE(state.ok()) << state.error();
        return state.ok() ? std::move(*state) : EditorState{};
    }
};

} // namespace cuevoice::test

namespace cuevoice {
using test::replaced;
}
