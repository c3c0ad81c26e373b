// Language tables: lines, ids, joining, escapes and the unsafe inputs.
#include <gtest/gtest.h>

#include <string>

#include "tests/locale/load.h"

TEST(LocaleTable, numbered_line_stores_everything_after_the_first_equals_sign)
{
    auto locale = LoadTable("0001.text=a=b  \n"
                            "0002=no kind word\n"
                            "0003 whatever stands here=x\n");
    EXPECT_STREQ(locale->Resolve("$0001"), "a=b  ");
    EXPECT_STREQ(locale->Resolve("$0002"), "no kind word");
    EXPECT_STREQ(locale->Resolve("$0003"), "x");
}

TEST(LocaleTable, leading_zeros_name_the_same_id_and_a_later_line_replaces_the_text)
{
    auto locale = LoadTable("0010.caption=first\n"
                            "   with a continuation\n"
                            "10.caption=second\n");
    EXPECT_STREQ(locale->Resolve("$0010"), "second");
    EXPECT_STREQ(locale->Resolve("$10"), "second");
}

TEST(LocaleTable, lines_that_are_no_entries_are_ignored)
{
    auto locale = LoadTable("   before any numbered line\n"
                            "0001.text=One\n"
                            "0002.text no equals sign\n"
                            "   two\n"
                            "*\n"
                            "   three\n"
                            "#0003.text=hash\n"
                            "\t0004.text=tab\n"
                            "A0005.text=letter\n"
                            "        \n");
    EXPECT_STREQ(locale->Resolve("$0001"), "One two three");
    for (const char *missing : {"$0000", "$0002", "$0003", "$0004", "$0005"})
        EXPECT_STREQ(locale->Resolve(missing), "?") << missing;
}

TEST(LocaleTable, continuation_gets_one_space_only_where_the_text_needs_one)
{
    auto locale = LoadTable(
        "0200.text=Installation is not yet complete. If you quit the setup program now,\n"
        "   %1 will not be installed.\\n\\nYou may run the \n"
        "   setup program at a later time to complete the\n"
        "0001.text=line feed\\n\n   next\n"
        "0002.text=space \n   next\n"
        "0003.text=word\n         next  with  spaces  \n"
        "0004.text=\n   after an empty text\n");
    EXPECT_STREQ(locale->Resolve("$0200"),
                 "Installation is not yet complete. If you quit the setup program now, Velmo "
                 "will not be installed.\n\nYou may run the setup program at a later time to "
                 "complete the");
    EXPECT_STREQ(locale->Resolve("$0001"), "line feed\nnext");
    EXPECT_STREQ(locale->Resolve("$0002"), "space next");
    EXPECT_STREQ(locale->Resolve("$0003"), "word next  with  spaces  ");
    EXPECT_STREQ(locale->Resolve("$0004"), "after an empty text");
}

TEST(LocaleTable, escapes_give_line_feed_tab_or_the_escaped_character)
{
    auto locale = LoadTable("0001.text=a\\\\b\\nc\\Nd\\te\\Tf\\xg\\=h\n"
                            "0002.text=x\n"
                            "   \\ty\\\\\n"
                            "0003.text=ends in a backslash\\\n"
                            "0004.text=\\\n"
                            "0005.text=next line\n");
    EXPECT_STREQ(locale->Resolve("$0001"), "a\\b\nc\nd\te\tfxg=h");
    EXPECT_STREQ(locale->Resolve("$0002"), "x \ty\\");
    // A backslash with nothing behind it is dropped; the next line stays a
    // line of its own.
    EXPECT_STREQ(locale->Resolve("$0003"), "ends in a backslash");
    EXPECT_STREQ(locale->Resolve("$0004"), "");
    EXPECT_STREQ(locale->Resolve("$0005"), "next line");
}

TEST(LocaleTable, lines_end_at_any_run_of_cr_and_lf_and_the_last_needs_none)
{
    auto locale = LoadTable("\r\n0001.text=a\r\n\r\n0002.text=b\r0003.text=c\n\n\n\r0004.text=d");
    EXPECT_STREQ(locale->Resolve("$0001"), "a");
    EXPECT_STREQ(locale->Resolve("$0002"), "b");
    EXPECT_STREQ(locale->Resolve("$0003"), "c");
    EXPECT_STREQ(locale->Resolve("$0004"), "d");
}

TEST(LocaleTable, table_ends_at_its_size_or_at_a_nul_byte)
{
    const char withNul[] = "0001.text=a\n0002.text=b\0" "0003.text=c\n";
    auto cut = LoadTable(std::string(withNul, sizeof withNul - 1));
    EXPECT_STREQ(cut->Resolve("$0002"), "b");
    EXPECT_STREQ(cut->Resolve("$0003"), "?");

    const char data[] = "0001.text=abcdef";
    Vlocale sized(data, 13, "", "");
    EXPECT_STREQ(sized.Resolve("$0001"), "abc");

    Vlocale none(nullptr, 0, "", "");
    EXPECT_EQ(none.Capacity(), 0);
    EXPECT_STREQ(none.Resolve("$0001"), "?");
}

TEST(LocaleTable, table_grows_in_steps_of_1024_slots)
{
    EXPECT_EQ(LoadTable("*\n")->Capacity(), 0);
    EXPECT_EQ(LoadTable("0000.text=x\n1023.text=y\n")->Capacity(), 1024);
    EXPECT_EQ(LoadTable("1024.text=x\n")->Capacity(), 2048);

    auto locale = LoadTable("0001.text=low\n5000.text=high\n");
    EXPECT_EQ(locale->Capacity(), 5120);
    EXPECT_STREQ(locale->Resolve("$0001"), "low");
    EXPECT_STREQ(locale->Resolve("$5000"), "high");
    EXPECT_STREQ(locale->Resolve("$4999"), "?");
}

// A line longer than the 1023 characters of the scratch buffer keeps its
// first 1023; the rest of it is dropped and never read as a line of its own.
TEST(LocaleTable, overlong_lines_keep_their_first_1023_characters)
{
    const std::string head = "0001.text=";
    const std::string kept(1023 - head.size(), 'a');
    const std::string longContinuation = "   " + std::string(1500, 'b');
    auto locale = LoadTable(head + kept + "0002.text=tail of the long line\n" +
                            "0003.text=c\n" + longContinuation + "\n" + "0004.text=after\n");
    EXPECT_EQ(std::string(locale->Resolve("$0001")), kept);
    EXPECT_STREQ(locale->Resolve("$0002"), "?");
    EXPECT_EQ(std::string(locale->Resolve("$0003")), "c " + std::string(1020, 'b'));
    EXPECT_STREQ(locale->Resolve("$0004"), "after");

    // The cut leaves a backslash as the last character of the buffer.
    const std::string escaped = "0005.text=" + std::string(1012, 'e');
    auto cut = LoadTable(escaped + "\\n and more\n");
    EXPECT_EQ(std::string(cut->Resolve("$0005")), std::string(1012, 'e'));
}

// Ids are written with four digits; a larger number is refused like a line
// without "=", rather than allocating for it or overflowing while reading it.
TEST(LocaleTable, ids_above_9999_are_refused)
{
    auto locale = LoadTable("0001.text=one\n"
                            "99999999999.text=huge\n"
                            "   continued\n"
                            "4294967306.text=wraps to 10 in 32 bits\n"
                            "10000.text=five digits\n"
                            "0000000000000000000000000009999.text=many leading zeros\n");
    EXPECT_EQ(locale->Capacity(), 10240);
    EXPECT_STREQ(locale->Resolve("$0001"), "one continued");
    EXPECT_STREQ(locale->Resolve("$0010"), "?");
    EXPECT_STREQ(locale->Resolve("$9999"), "many leading zeros");
}

TEST(LocaleTable, dutch_table_is_chosen_for_nederlands_in_any_letter_case)
{
    for (const char *name : {"Nederlands", "NEDERLANDS", "nEdErLaNdS"})
        EXPECT_TRUE(Vlocale::IsDutchName(name)) << name;
    for (const char *name : {"English", "Nederlandse", "Nederland", "", " Nederlands"})
        EXPECT_FALSE(Vlocale::IsDutchName(name)) << name;
    EXPECT_FALSE(Vlocale::IsDutchName(nullptr));
}
