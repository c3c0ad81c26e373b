// Which existing files a run changes, and so must find free before it
// begins.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/cleanup_steps.h"
#include "install/touched.h"

namespace {

void Collect(const char *path, void *context)
{
    static_cast<std::vector<std::string> *>(context)->push_back(path);
}

const ManifestEntry kInstall[] = {
    {"Velmo.exe", 1, 1, 1, ENTRY_EXTRACT | ENTRY_SHORTCUT, "Velmo"},
    {"Velmo.ini", 0, 0, 0, ENTRY_REMOVE_FILE, nullptr},
    {"Cardsets\\Cards.png", 2, 1, 1, ENTRY_EXTRACT, nullptr},
    {"Velmolog-*.txt", 0, 0, 0, ENTRY_REMOVE_PATTERN, nullptr},
    {"Uninstall.exe", 3, 1, 1, ENTRY_UNINSTALLER | ENTRY_SHORTCUT, "$0320"},
    {"http://example.invalid/", 0, 0, 0, ENTRY_SHORTCUT | ENTRY_EXTERNAL_TARGET, "$0321"},
};
const ManifestEntry kCleanUp[] = {
    {"Deal.wav", 0, 0, 0, CLEANUP_DELETE, nullptr},
    {"Français.qlf", 0, 0, 0, CLEANUP_RENAME, nullptr},
    {"Cardsets", 0, 0, 0, CLEANUP_FOLDER, nullptr},
    {"Uninstall.exe", 0, 0, 0, CLEANUP_SHARED_UNINSTALLER, nullptr},
    {"Other.txt", 0, 0, 0, 0x8000, nullptr},
};
const char *const kNoProducts[] = {nullptr};

TEST(TouchedFiles, are_the_written_files_and_what_the_clean_up_deletes_or_renames)
{
    std::vector<std::string> plain;
    VisitTouchedFiles(kInstall, 6, kCleanUp, 5, "C:\\Velmo", nullptr, Collect, &plain);
    // Files the run writes, then the record it replaces; names that only
    // the uninstaller deals with and web links are no files of the run.
    EXPECT_EQ((std::vector<std::string>{"C:\\Velmo\\Velmo.exe", "C:\\Velmo\\Cardsets\\Cards.png",
                                        "C:\\Velmo\\Uninstall.exe", "C:\\Velmo\\Uninstall.dat"}),
              plain);

    CleanUpPlace place = {"C:\\Velmo", "C:\\Velmo", 0x00020001, "C:\\Common", kNoProducts};
    std::vector<std::string> upgrade;
    VisitTouchedFiles(kInstall, 6, kCleanUp, 5, "C:\\Velmo", &place, Collect, &upgrade);
    std::vector<std::string> expected = plain;
    expected.insert(expected.end(), {"C:\\Velmo\\Velmo.dat", "C:\\Velmo\\Deal.wav",
                                     "C:\\Velmo\\Français.qlf",
                                     "C:\\Common\\Uninstall\\Uninstall.exe"});
    EXPECT_EQ(expected, upgrade);

    // A path longer than a Windows path is never handed on cut short.
    std::vector<std::string> longPaths;
    std::string deep = "C:\\" + std::string(245, 'v');
    VisitTouchedFiles(kInstall, 6, kCleanUp, 5, deep.c_str(), nullptr, Collect, &longPaths);
    EXPECT_EQ((std::vector<std::string>{deep + "\\Velmo.exe"}), longPaths);
}

}  // namespace
