// The shared text helpers: bounded copies, joins and formatting never write
// past their buffer and say when the text was cut; case folding as the user
// sees it. Run natively and under Wine: the formatting stands on a
// different C runtime in each.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/format.h"
#include "base/text.h"

namespace {

// A buffer of `size` bytes between guard bytes that must stay untouched.
struct Guarded {
    explicit Guarded(size_t size) : size(size) { std::memset(bytes, '#', sizeof bytes); }
    char *data() { return bytes + 8; }
    bool GuardsIntact() const
    {
        for (size_t i = 0; i < 8; ++i) {
            if (bytes[i] != '#' || bytes[8 + size + i] != '#')
                return false;
        }
        return true;
    }
    size_t size;
    char bytes[8 + 64 + 8];
};

}  // namespace

TEST(CopyText, reports_whether_the_whole_text_fit)
{
    Guarded exact(6);
    EXPECT_TRUE(CopyText(exact.data(), exact.size, "Velmo"));
    EXPECT_STREQ("Velmo", exact.data());
    EXPECT_TRUE(exact.GuardsIntact());

    Guarded shorter(5);
    EXPECT_FALSE(CopyText(shorter.data(), shorter.size, "Velmo"));
    EXPECT_STREQ("Velm", shorter.data());
    EXPECT_TRUE(shorter.GuardsIntact());

    Guarded one(1);
    EXPECT_FALSE(CopyText(one.data(), one.size, "V"));
    EXPECT_STREQ("", one.data());
    EXPECT_TRUE(CopyText(one.data(), one.size, nullptr));
    EXPECT_TRUE(one.GuardsIntact());
}

TEST(JoinPath, joins_with_a_backslash_and_refuses_what_does_not_fit)
{
    Guarded fits(16);
    EXPECT_TRUE(JoinPath(fits.data(), fits.size, "C:\\Games", "Velmo"));
    EXPECT_STREQ("C:\\Games\\Velmo", fits.data());
    EXPECT_TRUE(fits.GuardsIntact());

    // One byte short: the cut path must not be taken for a path.
    Guarded tight(14);
    EXPECT_FALSE(JoinPath(tight.data(), tight.size, "C:\\Games", "Velmo"));
    EXPECT_EQ(13u, std::strlen(tight.data()));
    EXPECT_TRUE(tight.GuardsIntact());

    std::string longFolder(400, 'x');
    Guarded small(64);
    EXPECT_FALSE(JoinPath(small.data(), small.size, longFolder.c_str(), "Velmo.exe"));
    EXPECT_TRUE(small.GuardsIntact());
}

TEST(FormatText, says_when_the_text_was_cut)
{
    Guarded exact(6);
    EXPECT_EQ(5, FormatText(exact.data(), exact.size, "%s%d", "Velm", 0));
    EXPECT_STREQ("Velm0", exact.data());
    EXPECT_TRUE(exact.GuardsIntact());

    // Each length up to the text's own leaves no room for the NUL.
    for (size_t size = 1; size <= 5; ++size) {
        Guarded tight(size);
        int length = FormatText(tight.data(), tight.size, "%s%d", "Velm", 0);
        EXPECT_GE(length, static_cast<int>(size)) << "size " << size;
        EXPECT_EQ(size - 1, std::strlen(tight.data())) << "size " << size;
        EXPECT_EQ(0, std::strncmp("Velm0", tight.data(), size - 1));
        EXPECT_TRUE(tight.GuardsIntact()) << "size " << size;
    }
}

TEST(CaseFolding, ascii_names_and_ansi_folders)
{
    EXPECT_TRUE(EqualNoCase("/DiskFull", "/DISKFULL"));
    EXPECT_TRUE(EqualNoCase("/DISKFULLER", "/diskfull", 9));
    EXPECT_FALSE(EqualNoCase("/DISKFUL", "/DISKFULL"));
    // Names of the program's own making know no accented letters.
    EXPECT_FALSE(EqualNoCase("\xc9T\xc9", "\xe9t\xe9"));

    EXPECT_TRUE(EqualNoCaseAnsi("C:\\Program Files\\Velmo", "c:\\PROGRAM FILES\\velmo"));
    EXPECT_TRUE(EqualNoCaseAnsi("D:\\Spi\xc9LE", "d:\\spi\xe9le"));
    EXPECT_TRUE(EqualNoCaseAnsi("\x8a\x8c\x8e\x9f", "\x9a\x9c\x9e\xff"));
    // The multiplication and division signs are no letter pair.
    EXPECT_FALSE(EqualNoCaseAnsi("\xd7", "\xf7"));
    EXPECT_FALSE(EqualNoCaseAnsi("C:\\Velmo", "C:\\Velmo2"));
    EXPECT_FALSE(EqualNoCaseAnsi("C:\\Velmo", nullptr));
}

TEST(LiesInside, only_what_is_below_the_folder)
{
    EXPECT_TRUE(LiesInside("C:\\Games\\Velmo\\Cardsets\\Cards.png", "c:\\games\\VELMO"));
    EXPECT_FALSE(LiesInside("C:\\Games\\Velmo", "C:\\Games\\Velmo"));
    EXPECT_FALSE(LiesInside("C:\\Games\\VelmoX\\a.txt", "C:\\Games\\Velmo"));
    EXPECT_FALSE(LiesInside("C:\\Games\\Velmo\\a.txt", ""));
}
