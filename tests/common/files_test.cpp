#include <string>
#include <vector>

#include <windows.h>
#include <gtest/gtest.h>

#include "common/files.h"
#include "common/text.h"
#include "common/win_handle.h"
#include "test_support.h"

using namespace cuevoice;
using test::files_in;
using test::read_file;
using test::write_file;

TEST(Files, BothWaysOfWritingLeaveExactlyTheNewText) {
    using Writer = Result<void> (*)(const std::filesystem::path&, std::string_view);
    for (Writer write : {Writer{replace_file}, Writer{write_whole_file}}) {
        SCOPED_TRACE(write == Writer{replace_file} ? "replace_file" : "write_whole_file");
        test::TempFolder folder;
        const auto path = folder.path() / L"keys.txt";
        write_file(path, std::string(100000, 'o'));
        ASSERT_TRUE(write(path, "a\r\nb\r\n").ok());
        EXPECT_EQ(read_file(path), "a\r\nb\r\n");
        auto read = read_whole_file(path);
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_EQ(*read, "a\r\nb\r\n");
        EXPECT_EQ(files_in(folder.path()), std::vector<std::filesystem::path>{L"keys.txt"});

        auto refused = write(folder.path() / L"missing" / L"keys.txt", "x");
        ASSERT_FALSE(refused.ok());
        EXPECT_FALSE(refused.error().empty());
    }
    test::TempFolder folder;
    auto unread = read_whole_file(folder.path() / L"missing.txt");
    ASSERT_FALSE(unread.ok());
    EXPECT_FALSE(unread.error().empty());
}

TEST(Files, AFailedReplacementLeavesTheOldFileWhole) {
    test::TempFolder folder;
    const auto path = folder.path() / L"config.toml";
    write_file(path, "new\n");

    // While a reader holds the file without letting it be deleted, it cannot be replaced: the
    // reader keeps seeing the whole old text and no temporary file stays behind.
    {
        UniqueHandle reader(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader);
        auto refused = replace_file(path, std::string(200000, 'n'));
        ASSERT_FALSE(refused.ok());
        EXPECT_FALSE(refused.error().empty());
    }
    EXPECT_EQ(read_file(path), "new\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::filesystem::path>{L"config.toml"});

    // A read-only file keeps its text.
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    auto read_only = replace_file(path, "changed\n");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_FALSE(read_only.ok());
    EXPECT_EQ(read_only.error(), error_code_text(ERROR_ACCESS_DENIED));
    EXPECT_EQ(read_file(path), "new\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::filesystem::path>{L"config.toml"});

    // A folder where the file should be stays as it is.
    const auto occupied = folder.path() / L"occupied";
    std::filesystem::create_directories(occupied / L"inside");
    EXPECT_FALSE(replace_file(occupied, "text\n").ok());
    EXPECT_TRUE(std::filesystem::is_directory(occupied / L"inside"));
    EXPECT_EQ(files_in(folder.path()),
              (std::vector<std::filesystem::path>{L"config.toml", L"occupied"}));
}

TEST(Files, CreatingANewFileNeverTouchesWhatIsThere) {
    // The settings file's own tests cover a file of that name; a folder counts as well.
    test::TempFolder folder;
    const auto taken = folder.path() / L"taken";
    std::filesystem::create_directories(taken / L"inside");
    auto created = create_new_file(taken, "text\n");
    ASSERT_TRUE(created.ok()) << created.error();
    EXPECT_FALSE(*created);
    EXPECT_TRUE(std::filesystem::is_directory(taken / L"inside"));

    const auto fresh = folder.path() / L"fresh.txt";
    created = create_new_file(fresh, std::string(300000, 'f'));
    ASSERT_TRUE(created.ok()) << created.error();
    EXPECT_TRUE(*created);
    EXPECT_EQ(read_file(fresh), std::string(300000, 'f'));
    EXPECT_EQ(files_in(folder.path()),
              (std::vector<std::filesystem::path>{L"fresh.txt", L"taken"}));
}

TEST(Files, CreatesEveryMissingFolderButNotOverAFile) {
    test::TempFolder folder;
    const auto deep = folder.path() / L"a" / L"b" / L"c";
    ASSERT_TRUE(create_folders(deep).ok());
    EXPECT_TRUE(std::filesystem::is_directory(deep));
    EXPECT_TRUE(create_folders(deep).ok()) << "an existing folder is no failure";

    write_file(folder.path() / L"file", "x");
    auto refused = create_folders(folder.path() / L"file" / L"below");
    ASSERT_FALSE(refused.ok());
    EXPECT_FALSE(refused.error().empty());
    EXPECT_EQ(read_file(folder.path() / L"file"), "x");
}

TEST(Files, TellsPresentFromMissing) {
    test::TempFolder folder;
    write_file(folder.path() / L"there", "x");
    EXPECT_TRUE(path_exists(folder.path() / L"there"));
    EXPECT_TRUE(path_exists(folder.path()));
    EXPECT_FALSE(path_exists(folder.path() / L"gone"));
    EXPECT_EQ(inspect_path(folder.path() / L"there").presence, Presence::present);
    EXPECT_EQ(inspect_path(folder.path() / L"gone").presence, Presence::missing);
    EXPECT_EQ(inspect_path(folder.path() / L"gone" / L"deeper").presence, Presence::missing);
}
