// The manifest queries on small hand-made tables.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "product/queries.h"

namespace {

ManifestEntry Entry(const char *name, uint32_t flags, const char *extra = nullptr,
                    uint32_t unpackedSize = 0)
{
    return ManifestEntry{name, 0, 0, unpackedSize, flags, extra};
}

int Choose(const std::vector<ManifestEntry> &table, const char *language,
           uint32_t bit = ENTRY_LICENSE)
{
    return ChooseLanguageEntry(table.data(), static_cast<int>(table.size()), bit, language);
}

int32_t Space(const std::vector<ManifestEntry> &table)
{
    return ComputeRequiredSpace(table.data(), static_cast<int>(table.size()));
}

const uint32_t kLicence = ENTRY_EXTRACT | ENTRY_LICENSE;

TEST(ChooseLanguageEntry, FirstEntryWhoseExtraMatchesWinsIgnoringCase)
{
    std::vector<ManifestEntry> table = {
        Entry("License.txt", kLicence),
        Entry("License-NL.txt", kLicence, "Nederlands"),
        Entry("License-NL2.txt", kLicence, "NEDERLANDS"),
        Entry("License-default2.txt", kLicence),
    };
    EXPECT_EQ(1, Choose(table, "Nederlands"));
    EXPECT_EQ(1, Choose(table, "nEDERLANDS"));
}

TEST(ChooseLanguageEntry, MatchComparesAccentedLettersWithoutCase)
{
    std::vector<ManifestEntry> table = {
        Entry("License.txt", kLicence),
        Entry("License-FR.txt", kLicence, "Fran\xC7" "ais"),
    };
    EXPECT_EQ(1, Choose(table, "fran\xE7" "ais"));
    EXPECT_EQ(0, Choose(table, "francais"));
}

TEST(ChooseLanguageEntry, WithoutMatchTheLastDefaultEntryWins)
{
    std::vector<ManifestEntry> table = {
        Entry("License-A.txt", kLicence),
        Entry("License-DE.txt", kLicence, "Deutsch"),
        Entry("License-B.txt", kLicence),
        Entry("License-FR.txt", kLicence, "Fran\xE7" "ais"),
    };
    EXPECT_EQ(2, Choose(table, "Nederlands"));
    EXPECT_EQ(2, Choose(table, ""));
    EXPECT_EQ(1, Choose(table, "deutsch"));
}

TEST(ChooseLanguageEntry, EmptyOrMissingLanguageNameNeverMatchesAnExtra)
{
    std::vector<ManifestEntry> onlyEmptyExtra = {Entry("License-X.txt", kLicence, "")};
    EXPECT_EQ(-1, Choose(onlyEmptyExtra, ""));
    EXPECT_EQ(-1, Choose(onlyEmptyExtra, nullptr));

    std::vector<ManifestEntry> withDefault = {
        Entry("License-X.txt", kLicence, ""),
        Entry("License.txt", kLicence),
    };
    EXPECT_EQ(1, Choose(withDefault, nullptr));
}

TEST(ChooseLanguageEntry, NoDefaultAndNoMatchGivesMinusOne)
{
    std::vector<ManifestEntry> table = {
        Entry("License-DE.txt", kLicence, "Deutsch"),
        Entry("License-NL.txt", kLicence, "Nederlands"),
    };
    EXPECT_EQ(-1, Choose(table, "English"));
    EXPECT_EQ(-1, Choose(table, ""));
    EXPECT_EQ(-1, Choose({}, "Nederlands"));
}

TEST(ChooseLanguageEntry, LooksOnlyAtEntriesWithTheBit)
{
    std::vector<ManifestEntry> table = {
        Entry("Velmo.exe", ENTRY_EXTRACT | ENTRY_SHORTCUT, "Velmo"),
        Entry("ReadMe-NL.txt", ENTRY_EXTRACT | ENTRY_README, "Nederlands"),
        Entry("License.txt", kLicence),
        Entry("ReadMe.txt", ENTRY_EXTRACT | ENTRY_README),
        Entry("Data.bin", ENTRY_EXTRACT),
    };
    EXPECT_EQ(2, Choose(table, "Nederlands", ENTRY_LICENSE));
    EXPECT_EQ(1, Choose(table, "Nederlands", ENTRY_README));
    EXPECT_EQ(3, Choose(table, "English", ENTRY_README));
    EXPECT_EQ(-1, Choose(table, "Velmo", ENTRY_REMOVE_FILE));
}

TEST(ComputeRequiredSpace, AddsTwentyPercentTruncatedPerEntry)
{
    // 9 * 12 / 10 = 10 twice, where 18 * 12 / 10 would be 21.
    EXPECT_EQ(20, Space({Entry("a", ENTRY_EXTRACT, nullptr, 9),
                         Entry("b", ENTRY_EXTRACT, nullptr, 9)}));
    EXPECT_EQ(0, Space({Entry("tiny", ENTRY_EXTRACT, nullptr, 0)}));
    EXPECT_EQ(1228, Space({Entry("k", ENTRY_EXTRACT, nullptr, 1024)}));
    EXPECT_EQ(0, Space({}));
}

TEST(ComputeRequiredSpace, CountsOnlyExtractAndUninstallerEntriesEachOnce)
{
    std::vector<ManifestEntry> table = {
        Entry("Velmo.dat", ENTRY_REMOVE_FILE, nullptr, 1000),
        Entry("log-*.txt", ENTRY_REMOVE_PATTERN, nullptr, 1000),
        Entry("http://x.example", ENTRY_SHORTCUT | ENTRY_EXTERNAL_TARGET, nullptr, 1000),
        Entry("Uninstall.exe", ENTRY_SHORTCUT | ENTRY_UNINSTALLER, "$0320", 100),
        Entry("Both.exe", ENTRY_EXTRACT | ENTRY_UNINSTALLER, nullptr, 10),
        Entry("License.txt", kLicence, nullptr, 50),
    };
    EXPECT_EQ(120 + 12 + 60, Space(table));
}

TEST(ComputeRequiredSpace, LargeSizesNeitherWrapNorTurnNegative)
{
    // 200,000,000 * 12 is beyond the signed 32-bit range; the term is still
    // exact, not a wrapped negative number.
    EXPECT_EQ(240000000, Space({Entry("big", ENTRY_EXTRACT, nullptr, 200000000u)}));
    // Sizes with the top bit set are sizes, not negative numbers.
    EXPECT_EQ(INT32_MAX, Space({Entry("huge", ENTRY_EXTRACT, nullptr, 0x80000000u)}));
    EXPECT_EQ(INT32_MAX, Space({Entry("a", ENTRY_EXTRACT, nullptr, 1000000000u),
                                Entry("b", ENTRY_EXTRACT, nullptr, 1000000000u)}));
    EXPECT_EQ(INT32_MAX, Space({Entry("max", ENTRY_EXTRACT, nullptr, UINT32_MAX),
                                Entry("more", ENTRY_EXTRACT, nullptr, UINT32_MAX)}));
    // Just below the limit the sum is exact.
    EXPECT_EQ(INT32_MAX - 1, Space({Entry("a", ENTRY_EXTRACT, nullptr, 1789569705u),
                                    Entry("b", ENTRY_EXTRACT, nullptr, 0)}));
}

TEST(TableWalks, ForEachEntryVisitsInOrderWithOriginalIndexes)
{
    std::vector<ManifestEntry> table = {
        Entry("a", ENTRY_EXTRACT), Entry("b", ENTRY_REMOVE_FILE), Entry("c", kLicence),
        Entry("d", ENTRY_SHORTCUT | ENTRY_EXTERNAL_TARGET, "$0321"),
    };
    std::vector<int> all, extracted, none;
    ForEachEntry(table.data(), 4, 0, [&](int index, const ManifestEntry &entry) {
        EXPECT_EQ(&table[index], &entry);
        all.push_back(index);
    });
    ForEachEntry(table.data(), 4, ENTRY_EXTRACT, [&](int index, const ManifestEntry &) {
        extracted.push_back(index);
    });
    ForEachEntry(table.data(), 3, ENTRY_EXTERNAL_TARGET, [&](int index, const ManifestEntry &) {
        none.push_back(index);  // the only such entry lies beyond the count
    });
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), all);
    EXPECT_EQ((std::vector<int>{0, 2}), extracted);
    EXPECT_TRUE(none.empty());

    EXPECT_TRUE(HasEntryWithFlag(table.data(), 4, ENTRY_LICENSE));
    EXPECT_TRUE(HasEntryWithFlag(table.data(), 4, ENTRY_README | ENTRY_REMOVE_FILE));
    EXPECT_FALSE(HasEntryWithFlag(table.data(), 4, ENTRY_README));
    EXPECT_FALSE(HasEntryWithFlag(table.data(), 3, ENTRY_EXTERNAL_TARGET));
    EXPECT_FALSE(HasEntryWithFlag(table.data(), 0, ENTRY_EXTRACT));
}

}  // namespace
