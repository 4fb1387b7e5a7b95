#include <gtest/gtest.h>

#include <filesystem>

#include "mixxxcheck/version_check.h"
#include "test_support.h"

namespace cuevoice {
namespace {

namespace fs = std::filesystem;

fs::path variant(const char* name) {
    return test::bin_folder() / "variants" / name;
}

std::string refusal(const std::string& mixxx, const std::string& qt) {
    return mixxx + " is not supported by this version of Cuevoice. It uses " + qt +
           ", Cuevoice needs Qt 6.5 or newer within Qt 6. Please check for a Cuevoice update.";
}

TEST(FileVersion, ReadsMajorMinorAndBuildFromTheVersionResource) {
    EXPECT_EQ(file_version(test::bin_folder() / "Qt6Core.dll"), (FileVersion{6, 5, 3}));
    EXPECT_EQ(file_version(test::bin_folder() / "mixxx.exe"), (FileVersion{2, 5, 0}));
    EXPECT_EQ(file_version(variant("qt-6.8.2") / "Qt6Core.dll"), (FileVersion{6, 8, 2}));
}

TEST(FileVersion, NoneWithoutVersionInformation) {
    test::TempFolder temp;
    test::write_file(temp.path() / "notes.txt", "not a program");
    EXPECT_EQ(file_version(variant("unversioned") / "mixxx.exe"), std::nullopt);
    EXPECT_EQ(file_version(variant("unversioned") / "Qt6Core.dll"), std::nullopt);
    EXPECT_EQ(file_version(temp.path() / "notes.txt"), std::nullopt);
    EXPECT_EQ(file_version(temp.path() / "missing.exe"), std::nullopt);
    EXPECT_EQ(file_version(temp.path()), std::nullopt);
}

TEST(MixxxVersionText, NamesTheVersionOrSaysItIsUnknown) {
    EXPECT_EQ(mixxx_version_text(test::bin_folder() / "mixxx.exe"), "Mixxx 2.5.0");
    EXPECT_EQ(mixxx_version_text(variant("qt-6.4.3") / "mixxx.exe"), "Mixxx 2.4.1");
    EXPECT_EQ(mixxx_version_text(variant("unversioned") / "mixxx.exe"), "Mixxx unknown version");
    EXPECT_EQ(mixxx_version_text(variant("nowhere") / "mixxx.exe"), "Mixxx unknown version");
}

TEST(CheckQtVersion, AcceptsQtSixFromFivePointFiveOn) {
    EXPECT_EQ(check_qt_version(variant("qt-6.5.0") / "mixxx.exe"), std::nullopt);
    EXPECT_EQ(check_qt_version(test::bin_folder() / "mixxx.exe"), std::nullopt);
    EXPECT_EQ(check_qt_version(variant("qt-6.8.2") / "mixxx.exe"), std::nullopt);
}

TEST(CheckQtVersion, RefusesEveryOtherQtWithTheWholeText) {
    struct Case {
        const char* folder;
        std::string text;
    };
    const Case cases[] = {
        {"qt-6.4.3", refusal("Mixxx 2.4.1", "Qt 6.4.3")},
        {"qt-7.0.0", refusal("Mixxx 2.7.0", "Qt 7.0.0")},
        {"qt5", refusal("Mixxx 2.3.6", "a different Qt version")},
        {"qt-unversioned", refusal("Mixxx 2.5.1", "Qt unknown version")},
        {"unversioned", refusal("Mixxx unknown version", "Qt unknown version")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(check_qt_version(variant(c.folder) / "mixxx.exe"), c.text);
    }
}

TEST(CheckQtVersion, AMissingMixxxFolderHasNoQtEither) {
    EXPECT_EQ(check_qt_version(variant("nowhere") / "mixxx.exe"),
              refusal("Mixxx unknown version", "a different Qt version"));
}

TEST(CheckQtVersion, ReadsFilesInFoldersWithNonAsciiNames) {
    test::TempFolder temp;
    const fs::path folder = temp.path() / L"Mïxxx Ω";
    fs::create_directories(folder);
    fs::copy_file(variant("qt-6.4.3") / "mixxx.exe", folder / "mixxx.exe");
    fs::copy_file(variant("qt-6.4.3") / "Qt6Core.dll", folder / "Qt6Core.dll");
    EXPECT_EQ(check_qt_version(folder / "mixxx.exe"), refusal("Mixxx 2.4.1", "Qt 6.4.3"));
    fs::copy_file(variant("qt-6.8.2") / "Qt6Core.dll", folder / "Qt6Core.dll",
                  fs::copy_options::overwrite_existing);
    EXPECT_EQ(check_qt_version(folder / "mixxx.exe"), std::nullopt);
}

// Restores the working folder when the test ends, also on failure.
class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~WorkingFolder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

TEST(FileVersion, ABareFileNameIsTheFileInTheWorkingFolder) {
    // Not the one beside the test program, which a library search would find first.
    WorkingFolder inside(variant("qt-6.4.3"));
    EXPECT_EQ(file_version("Qt6Core.dll"), (FileVersion{6, 4, 3}));
    EXPECT_EQ(mixxx_version_text("mixxx.exe"), "Mixxx 2.4.1");
}

TEST(CheckQtVersion, APathWithoutAFolderIsNotChecked) {
    // The working folder holds a refused Qt: the check must not look there.
    WorkingFolder inside(variant("qt-6.4.3"));
    EXPECT_EQ(check_qt_version("mixxx.exe"), std::nullopt);
    EXPECT_NE(check_qt_version(fs::path(".") / "mixxx.exe"), std::nullopt);
}

} // namespace
} // namespace cuevoice
