// The portable steps of the search for an earlier installation: what a read
// value is worth, the comparison with the product version, the forced
// version, and when the result makes the installation clean up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/earlier.h"
#include "install/cleanup_steps.h"

namespace {

const char kDefault[] = "C:\\Program Files\\Velmo";

EarlierInstallation Installed(uint32_t ms, uint32_t ls, const char *folder = "D:\\Games\\Velmo")
{
    EarlierInstallation found;
    found.versionMs = ms;
    found.versionLs = ls;
    std::strcpy(found.folder, folder);
    return found;
}

struct Outcome {
    EarlierInstallation found;
    std::string destination;
};

Outcome Conclude(EarlierInstallation found, int32_t forced = 0)
{
    char destination[324];
    std::strcpy(destination, kDefault);
    ConcludeDetection(found, forced, destination, sizeof destination);
    return {found, destination};
}

bool CleansUp(const EarlierInstallation &found, const char *destination)
{
    return CleanUpApplies(found.earlier, found.versionMs, found.folder, destination);
}

}  // namespace

TEST(EarlierInstallation, registry_value_that_does_not_fit_is_never_used_cut_short)
{
    char buffer[8 + 4];
    std::memset(buffer, 'G', sizeof buffer);  // guard bytes behind the 8 used
    std::memcpy(buffer, "C:\\abcdef", 8);     // 8 bytes, no NUL: too long
    EXPECT_FALSE(FinishRegistryText(buffer, 8, 8));
    EXPECT_STREQ("", buffer);
    EXPECT_FALSE(FinishRegistryText(buffer, 8, 300));  // what ERROR_MORE_DATA reports
    EXPECT_EQ('G', buffer[8]);

    std::memcpy(buffer, "C:\\abcd\0", 8);  // exactly full with its NUL
    EXPECT_TRUE(FinishRegistryText(buffer, 8, 8));
    EXPECT_STREQ("C:\\abcd", buffer);
    std::memcpy(buffer, "C:\\xyzGGG", 8);  // stored without NUL, shorter than the buffer
    EXPECT_TRUE(FinishRegistryText(buffer, 8, 6));
    EXPECT_STREQ("C:\\xyz", buffer);
    EXPECT_EQ('G', buffer[8]);
}

TEST(EarlierInstallation, version_text_keeps_63_characters_and_stays_inside_its_source)
{
    char text[64 + 4];
    std::memset(text, 'G', sizeof text);
    std::string long_version(100, '7');
    CopyVersionText(reinterpret_cast<char(&)[64]>(text), long_version.c_str(), 1000);
    EXPECT_EQ(std::string(63, '7'), std::string(text));
    EXPECT_EQ('G', text[64]);

    char versionText[64];
    CopyVersionText(versionText, "2.1", 4);
    EXPECT_STREQ("2.1", versionText);
    // A string without NUL at the end of the block: only what is there.
    CopyVersionText(versionText, "3.1.51XXXX", 6);
    EXPECT_STREQ("3.1.51", versionText);
    CopyVersionText(versionText, "3.1.51", 0);
    EXPECT_STREQ("", versionText);
}

TEST(EarlierInstallation, versions_compare_unsigned_with_3_1_51_0)
{
    struct {
        uint32_t ms, ls;
        bool newer;
    } cases[] = {
        {0x00030001, 0x00330000, false},  // the same version counts as earlier
        {0x00030001, 0x0032FFFF, false},  // 3.1.50.65535
        {0x00030001, 0x00330001, true},   // 3.1.51.1
        {0x00030001, 0x00340000, true},   // 3.1.52.0
        {0x00030002, 0x00000000, true},   // 3.2
        {0x00020001, 0xFFFFFFFF, false},  // 2.1 with the highest build
        {0x00010005, 0x00000000, false},  // 1.5
        {0x80000000, 0x00000000, true},   // major 32768: negative if compared signed
        {0x00030001, 0x80330000, true},   // build 32819: negative if compared signed
        {0x00000000, 0x00000001, false},  // 0.0.0.1 is an installation too
    };
    for (const auto &c : cases) {
        Outcome outcome = Conclude(Installed(c.ms, c.ls));
        EXPECT_EQ(c.newer, outcome.found.newer) << std::hex << c.ms << "." << c.ls;
        EXPECT_EQ(!c.newer, outcome.found.earlier) << std::hex << c.ms << "." << c.ls;
        // Earlier or newer, the installation's folder becomes the destination.
        EXPECT_EQ("D:\\Games\\Velmo", outcome.destination);
    }
}

TEST(EarlierInstallation, nothing_found_keeps_the_defaults)
{
    // A program without version resource: its folder is known, yet no
    // installation is reported.
    Outcome outcome = Conclude(Installed(0, 0));
    EXPECT_FALSE(outcome.found.newer);
    EXPECT_FALSE(outcome.found.earlier);
    EXPECT_EQ(kDefault, outcome.destination);
    EXPECT_STREQ("D:\\Games\\Velmo", outcome.found.folder);
}

TEST(EarlierInstallation, forced_old_version_replaces_major_and_minor_only)
{
    EarlierInstallation read = Installed(0x00030002, 0x00070009);
    std::strcpy(read.versionText, "3.2");
    Outcome outcome = Conclude(read, 2);
    EXPECT_EQ(0x00020000u, outcome.found.versionMs);
    EXPECT_EQ(0x00070009u, outcome.found.versionLs);
    EXPECT_STREQ("2", outcome.found.versionText);
    EXPECT_TRUE(outcome.found.earlier);
    EXPECT_TRUE(CleansUp(outcome.found, "d:\\games\\VELMO"));

    // A negative number is a huge unsigned major version: newer.
    outcome = Conclude(Installed(0, 0), -1);
    EXPECT_EQ(0xFFFF0000u, outcome.found.versionMs);
    EXPECT_STREQ("-1", outcome.found.versionText);
    EXPECT_TRUE(outcome.found.newer);

    // Forced without any installed program: no folder to take, so the
    // destination stays and there is nothing to clean up.
    outcome = Conclude(Installed(0, 0, ""), 2);
    EXPECT_TRUE(outcome.found.earlier);
    EXPECT_EQ(kDefault, outcome.destination);
    EXPECT_FALSE(CleansUp(outcome.found, ""));
}

TEST(EarlierInstallation, clean_up_needs_version_2_in_the_destination_folder)
{
    EarlierInstallation v21 = Conclude(Installed(0x00020001, 0, "C:\\Games\\Velmo")).found;
    EXPECT_TRUE(CleansUp(v21, "c:\\GAMES\\velmo"));
    EXPECT_FALSE(CleansUp(v21, "C:\\Program Files\\Velmo"));
    // Accented letters of the ANSI code page have a case too.
    EarlierInstallation accented = Conclude(Installed(0x00020001, 0, "C:\\Jeux\\\xC9" "cole")).found;
    EXPECT_TRUE(CleansUp(accented, "c:\\jeux\\\xE9" "COLE"));

    // Only major version 2 is cleaned up.
    for (uint32_t ms : {0x00010005u, 0x00030001u, 0x00000002u, 0x00120001u}) {
        EarlierInstallation other = Conclude(Installed(ms, 0, "C:\\Games\\Velmo")).found;
        EXPECT_FALSE(CleansUp(other, "C:\\Games\\Velmo")) << std::hex << ms;
    }
    // Without the earlier flag (nothing found) nothing is cleaned up.
    EXPECT_FALSE(CleanUpApplies(false, 0x00020001, "C:\\Games\\Velmo", "C:\\Games\\Velmo"));
}
