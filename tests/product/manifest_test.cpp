// The product's generated manifest tables: the order, flags, ids and sizes
// that the wizard, the installation and the clean-up rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "product/manifest.h"
#include "product/queries.h"

namespace {

const uint32_t kPayloadBits = ENTRY_EXTRACT | ENTRY_UNINSTALLER;

bool HasPayload(const ManifestEntry &entry)
{
    return (entry.flags & kPayloadBits) != 0;
}

std::string Name(const ManifestEntry &entry)
{
    return entry.name != nullptr ? entry.name : "(null)";
}

std::string Extra(const ManifestEntry &entry)
{
    return entry.extra != nullptr ? entry.extra : "(none)";
}

int IndexOf(const ManifestEntry *table, int count, const char *name)
{
    for (int i = 0; i < count; i++) {
        if (table[i].name != nullptr && std::strcmp(table[i].name, name) == 0)
            return i;
    }
    return -1;
}

TEST(InstallTable, StartsWithTheMainProgramAsShortcut)
{
    const ManifestEntry &main = kInstallTable[0];
    EXPECT_EQ("Velmo.exe", Name(main));
    EXPECT_EQ(ENTRY_EXTRACT | ENTRY_SHORTCUT, main.flags);
    EXPECT_EQ("Velmo", Extra(main));
    EXPECT_EQ(10000, main.resourceId);
}

TEST(InstallTable, EndsWithLogPatternUninstallerAndWebAddress)
{
    const ManifestEntry &pattern = kInstallTable[97];
    EXPECT_EQ("Velmolog-*.txt", Name(pattern));
    EXPECT_EQ(ENTRY_REMOVE_PATTERN, pattern.flags);

    const ManifestEntry &uninstaller = kInstallTable[98];
    EXPECT_EQ("Uninstall.exe", Name(uninstaller));
    EXPECT_EQ(ENTRY_SHORTCUT | ENTRY_UNINSTALLER, uninstaller.flags);
    EXPECT_EQ("$0320", Extra(uninstaller));
    EXPECT_EQ(10093, uninstaller.resourceId);

    const ManifestEntry &web = kInstallTable[99];
    EXPECT_EQ(0, Name(web).compare(0, 7, "http://")) << Name(web);
    EXPECT_EQ(ENTRY_SHORTCUT | ENTRY_EXTERNAL_TARGET, web.flags);
    EXPECT_EQ("$0321", Extra(web));
}

TEST(InstallTable, PayloadIdsAscendFrom10000WithoutGaps)
{
    int expected = 10000;
    for (int i = 0; i < kInstallCount; i++) {
        const ManifestEntry &entry = kInstallTable[i];
        if (HasPayload(entry)) {
            EXPECT_EQ(expected, entry.resourceId) << "entry " << i << " " << Name(entry);
            EXPECT_GE(entry.packedSize, 8u) << Name(entry);  // the smallest zlib stream
            expected++;
        } else {
            EXPECT_EQ(0, entry.resourceId) << Name(entry);
            EXPECT_EQ(0u, entry.packedSize) << Name(entry);
            EXPECT_EQ(0u, entry.unpackedSize) << Name(entry);
        }
    }
    EXPECT_EQ(10094, expected) << "94 payload entries";
}

TEST(InstallTable, FlagsOfTheGroupsBetweenMainProgramAndLogPattern)
{
    const uint32_t known = ENTRY_EXTRACT | ENTRY_LICENSE | ENTRY_REMOVE_FILE | ENTRY_SHORTCUT |
                           ENTRY_UNINSTALLER | ENTRY_README | ENTRY_REMOVE_PATTERN |
                           ENTRY_EXTERNAL_TARGET;
    int plain = 0, licences = 0;
    std::vector<std::string> removed;
    for (int i = 0; i < kInstallCount; i++) {
        const ManifestEntry &entry = kInstallTable[i];
        EXPECT_EQ(0u, entry.flags & ~known) << Name(entry);
        EXPECT_EQ(0u, entry.flags & ENTRY_README) << Name(entry);
        if ((entry.flags & ENTRY_SHORTCUT) != 0) {
            EXPECT_NE(nullptr, entry.extra) << Name(entry);
        }
        if (i == 0 || i >= 97)
            continue;
        switch (entry.flags) {
        case ENTRY_EXTRACT:
            plain++;
            EXPECT_EQ(nullptr, entry.extra) << Name(entry);
            break;
        case ENTRY_EXTRACT | ENTRY_LICENSE:
            licences++;
            break;
        case ENTRY_REMOVE_FILE:
            removed.push_back(Name(entry));
            break;
        default:
            ADD_FAILURE() << "entry " << i << " " << Name(entry) << " has flags " << entry.flags;
        }
    }
    EXPECT_EQ(90, plain);
    EXPECT_EQ(2, licences);
    ASSERT_EQ(4u, removed.size());
    EXPECT_NE(removed.end(), std::find(removed.begin(), removed.end(), "Velmo.dat"));
    EXPECT_NE(removed.end(), std::find(removed.begin(), removed.end(), "Uninstall.dat"));
    // They stand between the data files, not at the ends of the group.
    EXPECT_EQ(ENTRY_EXTRACT, kInstallTable[1].flags);
    EXPECT_EQ(ENTRY_EXTRACT, kInstallTable[96].flags);
}

TEST(InstallTable, DefaultLicenceBeforeTheDutchOne)
{
    int english = IndexOf(kInstallTable, kInstallCount, "License.txt");
    int dutch = IndexOf(kInstallTable, kInstallCount, "License-NL.txt");
    ASSERT_GE(english, 0);
    ASSERT_EQ(english + 1, dutch);
    EXPECT_EQ(ENTRY_EXTRACT | ENTRY_LICENSE, kInstallTable[english].flags);
    EXPECT_EQ(nullptr, kInstallTable[english].extra);
    EXPECT_EQ(10008, kInstallTable[english].resourceId);
    EXPECT_EQ(ENTRY_EXTRACT | ENTRY_LICENSE, kInstallTable[dutch].flags);
    EXPECT_EQ("Nederlands", Extra(kInstallTable[dutch]));
    EXPECT_EQ(10009, kInstallTable[dutch].resourceId);

    EXPECT_EQ(english, ChooseLanguageEntry(kInstallTable, kInstallCount, ENTRY_LICENSE, ""));
    EXPECT_EQ(dutch,
              ChooseLanguageEntry(kInstallTable, kInstallCount, ENTRY_LICENSE, "Nederlands"));
    EXPECT_EQ(english, ChooseLanguageEntry(kInstallTable, kInstallCount, ENTRY_LICENSE, "Deutsch"));
    EXPECT_EQ(-1, ChooseLanguageEntry(kInstallTable, kInstallCount, ENTRY_README, ""));
    EXPECT_FALSE(HasEntryWithFlag(kInstallTable, kInstallCount, ENTRY_README));
}

TEST(InstallTable, PayloadKeepsTheExtractionEdgeCases)
{
    bool multipleOf1024 = false, empty = false, nested = false, accented = false;
    uint64_t total = 0;
    for (const ManifestEntry &entry : kInstallTable) {
        if (!HasPayload(entry))
            continue;
        std::string name = Name(entry);
        total += entry.unpackedSize;
        if (entry.unpackedSize > 0 && entry.unpackedSize % 1024 == 0)
            multipleOf1024 = true;
        empty = empty || entry.unpackedSize == 0;
        nested = nested || std::count(name.begin(), name.end(), '\\') >= 2;
        accented = accented || name == "Fran\xE7" "ais.qlf";
        // Relative paths below the destination folder, nothing else.
        EXPECT_EQ(std::string::npos, name.find(':')) << name;
        EXPECT_EQ(std::string::npos, name.find('/')) << name;
        EXPECT_EQ(std::string::npos, name.find("..")) << name;
        EXPECT_NE('\\', name[0]) << name;
    }
    EXPECT_TRUE(multipleOf1024) << "a file of a multiple of 1024 bytes";
    EXPECT_TRUE(empty) << "an empty file";
    EXPECT_TRUE(nested) << "a file two folders deep";
    EXPECT_TRUE(accented) << "a name with a cp1252 letter";
    EXPECT_GT(total, 3300000u);
    EXPECT_LT(total, 3900000u);

    int32_t space = ComputeRequiredSpace(kInstallTable, kInstallCount);
    EXPECT_LE(space, static_cast<int64_t>(total * 12 / 10));
    EXPECT_GT(space, static_cast<int64_t>(total * 12 / 10) - 94);
}

TEST(CleanUpTable, FollowsTheUpgradeOrder)
{
    std::vector<uint32_t> codes;
    for (const ManifestEntry &entry : kCleanUpTable) {
        codes.push_back(entry.flags);
        EXPECT_EQ(0, entry.resourceId) << Name(entry);
        EXPECT_EQ(0u, entry.packedSize) << Name(entry);
        EXPECT_EQ(0u, entry.unpackedSize) << Name(entry);
        EXPECT_EQ(nullptr, entry.extra) << Name(entry);
    }
    std::vector<uint32_t> expected(4, CLEANUP_DELETE);
    expected.insert(expected.end(), {CLEANUP_DELETE, CLEANUP_DELETE, CLEANUP_RENAME,
                                     CLEANUP_RENAME, CLEANUP_FOLDER});
    expected.insert(expected.end(), 10, CLEANUP_DELETE);
    expected.push_back(CLEANUP_SHARED_UNINSTALLER);
    EXPECT_EQ(expected, codes);

    for (int i = 0; i < 4; i++) {
        std::string name = Name(kCleanUpTable[i]);
        EXPECT_EQ(".wav", name.substr(name.size() - 4)) << name;
    }
    EXPECT_EQ("Velmo.dat", Name(kCleanUpTable[4]));
    EXPECT_EQ("Uninstall.dat", Name(kCleanUpTable[5]));
    EXPECT_EQ("Fran\xE7" "ais.qlf", Name(kCleanUpTable[6]));
    std::string other = Name(kCleanUpTable[7]);
    EXPECT_EQ(".qlf", other.substr(other.size() - 4));
    EXPECT_EQ("Cardsets", Name(kCleanUpTable[8]));
    for (int i = 9; i < 19; i++)
        EXPECT_EQ(0, Name(kCleanUpTable[i]).compare(0, 9, "Cardsets\\")) << Name(kCleanUpTable[i]);
    EXPECT_EQ("Uninstall.exe", Name(kCleanUpTable[19]));
}

}  // namespace
