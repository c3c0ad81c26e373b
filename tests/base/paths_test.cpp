// Paths compared as the file system compares them. The same cases run
// natively and under Wine, so that the native stand-in and the system's
// tables give the programs one answer.
#include <gtest/gtest.h>

#include "base/paths.h"

namespace {

TEST(SameFolder, folds_letters_as_the_file_system_does)
{
    EXPECT_TRUE(SameFolder("C:\\Program Files\\Velmo", "c:\\PROGRAM FILES\\velmo"));
    EXPECT_TRUE(SameFolder("D:\\Spi\xc9LE", "d:\\spi\xe9le"));
    EXPECT_TRUE(SameFolder("\x8a\x8c\x8e\x9f", "\x9a\x9c\x9e\xff"));
    EXPECT_TRUE(SameFolder(nullptr, nullptr));
    // The multiplication and division signs are no letter pair; a sharp s
    // is no "SS".
    EXPECT_FALSE(SameFolder("\xd7", "\xf7"));
    EXPECT_FALSE(SameFolder("C:\\Stra\xdf" "e", "C:\\STRASSE"));
    EXPECT_FALSE(SameFolder("C:\\Velmo", "C:\\Velmo2"));
    EXPECT_FALSE(SameFolder("C:\\Velmo\\", "C:\\Velmo"));
    EXPECT_FALSE(SameFolder("C:\\Velmo", nullptr));
}

TEST(SameText16, folds_every_alphabet_code_unit_by_code_unit)
{
    EXPECT_TRUE(SameText16(u"\uff41\u03b1\u0436\u0451\u0101\u017e", u"\uff21\u0391\u0416\u0401\u0100\u017d"));
    EXPECT_TRUE(SameNoCase16(u"VELMO-x", u"velmo-y", 6));
    EXPECT_FALSE(SameText16(u"\u30a2", u"\u30c2"));
    EXPECT_FALSE(SameText16(u"\uff3c", u"\\"));
    EXPECT_FALSE(SameText16(u"Velmo", u"Velmo "));
    EXPECT_EQ(5u, Length16(u"Velmo"));
}

TEST(AnsiToUtf16, converts_the_code_page_and_says_when_it_does_not_fit)
{
    char16_t out[8];
    ASSERT_TRUE(AnsiToUtf16("\x80\xe9" "a", out, 8));
    EXPECT_EQ(std::u16string(u"\u20ac\u00e9a"), out);
    EXPECT_FALSE(AnsiToUtf16("12345678", out, 8));
    EXPECT_EQ(u'\0', out[0]);
}

TEST(IsNameBelow, takes_only_the_exact_place_below_the_folder)
{
    EXPECT_TRUE(IsNameBelow(u"\\Games\\Velmo\\Cardsets\\Cards.png", u"\\games\\VELMO",
                            u"cardsets\\cards.PNG"));
    EXPECT_TRUE(IsNameBelow(u"\\Velmo.exe", u"\\", u"Velmo.exe"));
    EXPECT_TRUE(IsNameBelow(u"\\Device\\HarddiskVolume2\\Velmo.exe", u"\\Device\\HarddiskVolume2\\",
                            u"Velmo.exe"));
    // The same place on another volume.
    EXPECT_FALSE(IsNameBelow(u"\\Device\\HarddiskVolume2\\Games\\a.txt",
                             u"\\Device\\HarddiskVolume1\\Games", u"a.txt"));
    // A link leads to a name elsewhere, or to a folder whose name only
    // begins like the destination's.
    EXPECT_FALSE(IsNameBelow(u"\\Outside\\Cards.png", u"\\Games\\Velmo", u"Cards.png"));
    EXPECT_FALSE(IsNameBelow(u"\\Games\\VelmoX\\a.txt", u"\\Games\\Velmo", u"X\\a.txt"));
    EXPECT_FALSE(IsNameBelow(u"\\Games\\Velmo\\a.txt\\b", u"\\Games\\Velmo", u"a.txt"));
    EXPECT_FALSE(IsNameBelow(u"\\Games\\Velmo", u"\\Games\\Velmo", u""));
}

}  // namespace
