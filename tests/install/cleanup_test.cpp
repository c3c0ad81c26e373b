// The clean-up of a version-2 installation: what the walk over the table
// does to the machine, what it records and the product data file it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "install/cleanup_steps.h"
#include "install/record.h"
#include "product/config.h"
#include "product/manifest.h"
#include "record_folder.h"
#include "xml/vxml.h"

namespace {

// Watches what the clean-up asks of the machine.
class WatchedMachine : public CleanUpTarget {
public:
    void RemoveFile(const char *path) override { calls.push_back("delete " + std::string(path)); }
    void Rename(const char *from, const char *to) override
    {
        calls.push_back("rename " + std::string(from) + " -> " + to);
    }
    void RemoveFolder(const char *path) override { calls.push_back("rmdir " + std::string(path)); }
    bool AnyProductRegistered(const char *const *products) override
    {
        for (const char *const *p = products; *p; p++)
            asked.push_back(*p);
        return registered;
    }

    std::vector<std::string> calls;
    std::vector<std::string> asked;
    bool registered = false;
};

const char *const kOthers[] = {"Kestrin Solitaire", "Kestrin Mahjongg", nullptr};

class CleanUp : public RecordFolderTest {
protected:
    // The data file as the setup names it: the folder, "\" and its name.
    std::string DataFile() const { return In("Velmo.dat"); }
    std::string ReadDataFile() const { return ReadFile(DataFile()); }
    CleanUpPlace Place(uint32_t versionMs = 0x00020001) const
    {
        return {folder_.c_str(), folder_.c_str(), versionMs, "C:\\Common\\Kestrin", kOthers};
    }
};

std::vector<std::string> Folders(Vxml *list)
{
    std::vector<std::string> folders;
    for (Vxml *f = list->FindFirst("FOLDER"); f; f = list->FindNext())
        folders.push_back(f->GetText());
    return folders;
}

}  // namespace

TEST_F(CleanUp, product_table_deletes_renames_records_and_writes_version_201)
{
    // Version 2's record, with an element that only version 2 knew.
    WriteRecordFile("<UNINSTALL><REGVALUE>HKCU\\Velmo</REGVALUE></UNINSTALL>");
    Log record(folder_.c_str());
    WatchedMachine machine;
    ApplyCleanUpTable(kCleanUpTable, kCleanUpCount, Place(), record, machine);

    // The old language files keep their contents under a new name; the name
    // is ANSI, "c cedilla" is the byte E7.
    auto has = [&](const std::string &call) {
        for (const std::string &c : machine.calls)
            if (c == call)
                return true;
        return false;
    };
    EXPECT_TRUE(has("rename " + In("Fran\xE7" "ais.qlf") + " -> " + In("Fran\xE7" "ais (v2.1).qlf")));
    EXPECT_TRUE(has("delete " + In("Velmo.dat")));
    // The old record is not deleted but replaced by the new one, so that a
    // record is on disk at every instant; its own elements go with it.
    EXPECT_FALSE(has("delete " + In("Uninstall.dat")));
    ASSERT_TRUE(record.Commit());
    const Elements written = Written();
    EXPECT_FALSE(written.empty()) << "no record written";
    for (const std::string &element : written)
        EXPECT_NE(0u, element.rfind("REGVALUE=", 0)) << element;
    std::remove(RecordFile().c_str());
    EXPECT_TRUE(has("delete " + In("Cardsets\\Clubs.bmp")));
    // No other product registered: the shared uninstaller goes, with its
    // folder and the common folder, in that order and last.
    ASSERT_GE(machine.calls.size(), 3u);
    std::vector<std::string> last(machine.calls.end() - 3, machine.calls.end());
    EXPECT_EQ((std::vector<std::string>{"delete C:\\Common\\Kestrin\\Uninstall\\Uninstall.exe",
                                        "rmdir C:\\Common\\Kestrin\\Uninstall",
                                        "rmdir C:\\Common\\Kestrin"}),
              last);
    EXPECT_EQ((std::vector<std::string>{"Kestrin Solitaire", "Kestrin Mahjongg"}), machine.asked);
    EXPECT_EQ(15 + 2 + 3u, machine.calls.size());

    // The old card-set folder is left to the new uninstaller.
    EXPECT_EQ(std::vector<std::string>{In("Cardsets")}, Folders(record.sessionList));

    EXPECT_EQ("<?xml version=\"1.0\"?>\r\n<VELMO>\r\n  <VERSION>201</VERSION>\r\n</VELMO>\r\n",
              ReadDataFile());
}

TEST_F(CleanUp, action_codes_are_compared_for_equality_not_as_bits)
{
    const ManifestEntry table[] = {
        {"a.wav", 0, 0, 0, 0x1004, nullptr},    {"b.qlf", 0, 0, 0, 0x2004, nullptr},
        {"c.exe", 0, 0, 0, 0x0014, nullptr},    {"d", 0, 0, 0, 0x3000, nullptr},
        {"e.wav", 0, 0, 0, 0x0000, nullptr},    {"f.wav", 0, 0, 0, CLEANUP_DELETE, nullptr},
    };
    Log record(folder_.c_str());
    WatchedMachine machine;
    ApplyCleanUpTable(table, 6, Place(), record, machine);
    EXPECT_EQ(std::vector<std::string>{"delete " + In("f.wav")}, machine.calls);
    EXPECT_TRUE(Folders(record.sessionList).empty());
}

TEST(CleanUpRename, replaces_the_extension_of_the_file_name_only)
{
    const char *suffix = " (v2.1).qlf";
    struct {
        const char *path, *renamed;
    } cases[] = {
        {"C:\\Velmo\\Fran\xE7" "ais.qlf", "C:\\Velmo\\Fran\xE7" "ais (v2.1).qlf"},
        {"C:\\Velmo\\Deutsch.qlf", "C:\\Velmo\\Deutsch (v2.1).qlf"},
        {"C:\\Velmo\\old.lang.txt", "C:\\Velmo\\old.lang (v2.1).qlf"},
        {"C:\\Velmo\\Deutsch", "C:\\Velmo\\Deutsch"},
        // A "." in a folder name must not move the file out of its folder.
        {"C:\\Velmo 2.1\\Deutsch", "C:\\Velmo 2.1\\Deutsch"},
        {"C:\\Velmo 2.1\\Deutsch.qlf", "C:\\Velmo 2.1\\Deutsch (v2.1).qlf"},
        {"Deutsch.", "Deutsch (v2.1).qlf"},
    };
    for (const auto &c : cases) {
        char renamed[64];
        ASSERT_TRUE(RenamedPath(renamed, sizeof renamed, c.path, suffix)) << c.path;
        EXPECT_STREQ(c.renamed, renamed) << c.path;
    }

    // A new name that does not fit is refused, never cut short.
    char small[24 + 4];
    std::memset(small, 'G', sizeof small);
    EXPECT_FALSE(RenamedPath(small, 24, "C:\\Velmo\\Deutsch.qlf", suffix));
    EXPECT_EQ('G', small[24]);
    EXPECT_TRUE(RenamedPath(small, 24, "C:\\V\\Deutsch.qlf", suffix));  // 23 characters
    EXPECT_STREQ("C:\\V\\Deutsch (v2.1).qlf", small);
}
