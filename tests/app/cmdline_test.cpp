// The command-line scan of the two test switches.
#include <gtest/gtest.h>

#include "app/cmdline.h"

namespace {

CommandLineSwitches Scan(const char *text) { return ScanCommandLine(text); }

}  // namespace

TEST(CommandLine, no_switches_leave_the_defaults)
{
    for (const char *text : {"", "setup", "C:\\Temp\\x", "/", "//", "/ /x"}) {
        CommandLineSwitches s = Scan(text);
        EXPECT_FALSE(s.diskFull) << text;
        EXPECT_EQ(0, s.oldVersion) << text;
    }
    EXPECT_FALSE(ScanCommandLine(nullptr).diskFull);
}

TEST(CommandLine, switches_are_found_in_any_letter_case_and_anywhere)
{
    EXPECT_TRUE(Scan("/DISKFULL").diskFull);
    EXPECT_TRUE(Scan("/diskfull").diskFull);
    EXPECT_TRUE(Scan("foo bar/DiskFull baz").diskFull);
    EXPECT_EQ(3, Scan("/oldversion3").oldVersion);
    EXPECT_EQ(2, Scan("x /OldVersion 2 y").oldVersion);
}

TEST(CommandLine, a_switch_name_with_more_letters_behind_it_still_counts)
{
    EXPECT_TRUE(Scan("/DISKFULLER").diskFull);
    EXPECT_EQ(0, Scan("/OLDVERSIONS 4").oldVersion);  // "S" is no digit
    EXPECT_EQ(0, Scan("/DISKFUL").oldVersion);
    EXPECT_FALSE(Scan("/DISKFUL").diskFull);
}

TEST(CommandLine, the_number_is_read_like_atoi)
{
    EXPECT_EQ(2, Scan("/OLDVERSION2").oldVersion);
    EXPECT_EQ(12, Scan("/OLDVERSION \t 12abc").oldVersion);
    EXPECT_EQ(-3, Scan("/OLDVERSION -3").oldVersion);
    EXPECT_EQ(5, Scan("/OLDVERSION +5").oldVersion);
    EXPECT_EQ(7, Scan("/OLDVERSION 007").oldVersion);
    EXPECT_EQ(0, Scan("/OLDVERSION=2").oldVersion);  // "=" is no digit: no forced version
    EXPECT_EQ(0, Scan("/OLDVERSION").oldVersion);
    EXPECT_EQ(0, Scan("/OLDVERSION - 3").oldVersion);
}

TEST(CommandLine, numbers_beyond_32_bits_are_clamped_not_wrapped)
{
    EXPECT_EQ(2147483647, Scan("/OLDVERSION 99999999999999999999").oldVersion);
    EXPECT_EQ(-2147483647 - 1, Scan("/OLDVERSION -99999999999999999999").oldVersion);
    EXPECT_EQ(-2147483647 - 1, Scan("/OLDVERSION -2147483648").oldVersion);
}

TEST(CommandLine, the_last_old_version_wins_and_both_switches_combine)
{
    CommandLineSwitches s = Scan("/OLDVERSION 2 /DISKFULL /oldversion 1");
    EXPECT_TRUE(s.diskFull);
    EXPECT_EQ(1, s.oldVersion);
    EXPECT_EQ(0, Scan("/OLDVERSION 2 /OLDVERSION").oldVersion);
}

TEST(CommandLine, a_slash_that_starts_no_switch_is_stepped_over)
{
    EXPECT_TRUE(Scan("/x/y//DISKFULL").diskFull);
    EXPECT_EQ(9, Scan("/OLD /OLDVERSION/OLDVERSION 9").oldVersion);
}
