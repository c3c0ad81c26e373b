// The uninstaller's command line: the quiet switch, the log and the finish run of
// its temporary copy.
#include <gtest/gtest.h>

#include <string>

#include "uninstall/arguments.h"

TEST(Arguments, quiet_switch_in_any_case_among_other_words)
{
    EXPECT_FALSE(ParseArguments("").quiet);
    EXPECT_FALSE(ParseArguments(nullptr).quiet);
    EXPECT_TRUE(ParseArguments("/S").quiet);
    EXPECT_TRUE(ParseArguments("  \"C:\\Program Files\\Velmo\\Uninstall.dat\"\t/s ").quiet);
    EXPECT_TRUE(ParseArguments((std::string(400, 'x') + " /S").c_str()).quiet);
    EXPECT_FALSE(ParseArguments("/SILENT").quiet);
    EXPECT_FALSE(ParseArguments("\"/S x\"").quiet);
    EXPECT_FALSE(ParseArguments("/S").finish);
}

TEST(Arguments, finish_run_needs_a_handle_and_the_program)
{
    UninstallArguments finish =
        ParseArguments("/FINISH 1234 1 56 78 \"C:\\Program Files\\Velmo\\Uninstall.exe\"");
    EXPECT_TRUE(finish.finish);
    EXPECT_EQ(1234u, finish.waitHandle);
    EXPECT_TRUE(finish.removeFolder);
    EXPECT_EQ(56u, finish.fileHandle);
    EXPECT_EQ(78u, finish.folderHandle);
    EXPECT_STREQ("C:\\Program Files\\Velmo\\Uninstall.exe", finish.program);
    EXPECT_FALSE(finish.quiet);

    UninstallArguments keep = ParseArguments("/finish 8 0 0 0 C:\\Velmo\\Uninstall.exe");
    EXPECT_TRUE(keep.finish);
    EXPECT_FALSE(keep.removeFolder);
    EXPECT_EQ(0u, keep.fileHandle);

    for (const char *broken :
         {"/FINISH", "/FINISH 12", "/FINISH 12 1", "/FINISH 12 1 4 8", "/FINISH 0 1 4 8 C:\\a.exe",
          "/FINISH 12x 1 4 8 C:\\a.exe", "/FINISH 12 1 4 8x C:\\a.exe",
          "/FINISH 12 1 \"\" 8 C:\\a.exe", "/FINISH 12 1 4 8 \"\""}) {
        EXPECT_FALSE(ParseArguments(broken).finish) << broken;
    }
    std::string tooLong = "/FINISH 12 1 4 8 C:\\" + std::string(300, 'a') + ".exe";
    EXPECT_FALSE(ParseArguments(tooLong.c_str()).finish);
}

TEST(Arguments, log_file_may_hold_blanks_and_is_no_switch_itself)
{
    UninstallArguments arguments = ParseArguments("/S /LOG=\"C:\\My logs\\uninstall.log\"");
    EXPECT_TRUE(arguments.quiet);
    EXPECT_STREQ("C:\\My logs\\uninstall.log", arguments.log);
    EXPECT_STREQ("C:\\u.log", ParseArguments("/log=C:\\u.log").log);
    EXPECT_STREQ("", ParseArguments("/LOG C:\\u.log").log);
    EXPECT_FALSE(ParseArguments("/LOG=\"C:\\x /S\"").quiet);
}
