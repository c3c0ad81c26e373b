// Placeholders "%1" to "%4" and text references.
#include <gtest/gtest.h>

#include <string>

#include "tests/locale/load.h"

TEST(LocaleExpand, placeholders_take_product_version_and_earlier_installation)
{
    auto locale = LoadTable("0210.text=%1 %2 (version %3) in:\\n%4 and %1 again\n",
                            "2.0.7", "D:\\Games\\Velmo");
    EXPECT_STREQ(locale->Resolve("$0210"),
                 "Velmo 3.1.51 (version 2.0.7) in:\nD:\\Games\\Velmo and Velmo again");

    auto none = LoadTable("0210.text=%1 (version %3) in:\\n%4.\n");
    EXPECT_STREQ(none->Resolve("$0210"), "Velmo (version ) in:\n.");

    // The two texts are only read while the object is built.
    std::string version = "2.0.7";
    auto copied = LoadTable("0001.text=%3\n", version.c_str(), "");
    version.assign("changed");
    EXPECT_STREQ(copied->Resolve("$0001"), "2.0.7");
}

TEST(LocaleExpand, text_that_gains_nothing_stays_as_written)
{
    auto locale = LoadTable("0312.text=Copying %s...\n"
                            "0001.text=%5 and %x and 100%\n"
                            "0002.text=%3 and %4\n"
                            "0003.text=%%\n");
    EXPECT_STREQ(locale->Resolve("$0312"), "Copying %s...");
    EXPECT_STREQ(locale->Resolve("$0001"), "%5 and %x and 100%");
    EXPECT_STREQ(locale->Resolve("$0002"), "%3 and %4");
    EXPECT_STREQ(locale->Resolve("$0003"), "%%");

    Vlocale nulls("0002.text=%3 and %4", 19, nullptr, nullptr);
    EXPECT_STREQ(nulls.Resolve("$0002"), "%3 and %4");
}

TEST(LocaleExpand, rewritten_text_loses_every_other_percent_pair)
{
    auto locale = LoadTable("0102.text=for %1:\\n- %5\\n\n"
                            "0001.text=%1: %s %5 50% off\n"
                            "0002.text=%1 100%\n"
                            "0003.text=%1%\n");
    EXPECT_STREQ(locale->Resolve("$0102"), "for Velmo:\n- \n");
    EXPECT_STREQ(locale->Resolve("$0001"), "Velmo:   50off");
    // A "%" that ends the text has no partner: it goes, and nothing behind
    // the end of the text is read.
    EXPECT_STREQ(locale->Resolve("$0002"), "Velmo 100");
    EXPECT_STREQ(locale->Resolve("$0003"), "Velmo");
}

// The expansion is built in the 1024-byte scratch buffer: it is cut at 1023
// characters, in the middle of a value if need be.
TEST(LocaleExpand, expansion_is_cut_at_1023_characters)
{
    const std::string folder(2000, 'F');
    auto locale = LoadTable("0001.text=[%4]\n"
                            "0002.text=%4%1\n"
                            "0003.text=%1 short\n",
                            "", folder.c_str());
    EXPECT_EQ(std::string(locale->Resolve("$0001")), "[" + std::string(1022, 'F'));
    EXPECT_EQ(std::string(locale->Resolve("$0002")), std::string(1023, 'F'));
    EXPECT_STREQ(locale->Resolve("$0003"), "Velmo short");
}

TEST(LocaleResolve, references_with_or_without_leading_zeros_give_the_text)
{
    auto locale = LoadTable("0010.caption=%1 Installation\n0201.button=Resume\n");
    for (const char *reference : {"$0010", "$10", "$010", "$0010abc", "$0010 and more"})
        EXPECT_STREQ(locale->Resolve(reference), "Velmo Installation") << reference;
    EXPECT_STREQ(locale->Resolve("$0201"), "Resume");
    // The text lives in the object: the same pointer every time.
    EXPECT_EQ(locale->Resolve("$0201"), locale->Resolve("$201"));
}

TEST(LocaleResolve, anything_but_a_reference_comes_back_as_the_same_pointer)
{
    auto locale = LoadTable("0010.caption=%1 Installation\n");
    for (const char *text : {"$abc", "$", "", "0010", "Resume", " $0010", "$-10", "$ 10"})
        EXPECT_EQ(locale->Resolve(text), text) << text;
    EXPECT_EQ(locale->Resolve(nullptr), nullptr);
}

TEST(LocaleResolve, references_to_ids_without_text_give_a_question_mark)
{
    auto locale = LoadTable("0010.caption=%1 Installation\n");
    // 4294967306 is 10 once it wraps around 32 bits.
    for (const char *reference : {"$0011", "$0000", "$1024", "$5000", "$10000", "$99999999999",
                                  "$4294967306"})
        EXPECT_STREQ(locale->Resolve(reference), "?") << reference;
    EXPECT_STREQ(LoadTable("")->Resolve("$0"), "?");
}
