// The command-line scan: the test switches and those of an unattended run;
// and the exit codes of the outcomes.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "state/outcome.h"

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

// The switches of an unattended run.

TEST(CommandLine, quiet_switches_and_their_values_are_read_as_written)
{
    CommandLineSwitches s = Scan("/verysilent /Dir=\"C:\\My Games\\Velmo\" /GROUP=\"Card games\\Velmo 3\""
                                 " /nodesktop /LOG=\"C:\\logs and more\\setup.log\"");
    EXPECT_EQ(QuietMode::VerySilent, s.quiet);
    EXPECT_STREQ("C:\\My Games\\Velmo", s.dir);
    EXPECT_STREQ("Card games\\Velmo 3", s.group);
    EXPECT_TRUE(s.noDesktop);
    EXPECT_STREQ("C:\\logs and more\\setup.log", s.log);
    EXPECT_EQ(CommandLineProblem::None, s.problem);

    // Unquoted values run to the next blank; the last occurrence wins; a
    // switch ends at a "/" as well as at a blank.
    s = Scan("x /SILENT/LOG=C:\\a.log /DIR=D:\\Games\\ /DIR=E:\\Velmo y");
    EXPECT_EQ(QuietMode::Silent, s.quiet);
    EXPECT_STREQ("C:\\a.log", s.log);
    EXPECT_STREQ("E:\\Velmo", s.dir);
    EXPECT_FALSE(s.noDesktop);
    // The very silent mode wins over the silent one, whatever the order.
    EXPECT_EQ(QuietMode::VerySilent, Scan("/VERYSILENT /SILENT").quiet);
    EXPECT_EQ(QuietMode::VerySilent, Scan("/SILENT /VERYSILENT").quiet);
    // A trailing backslash is dropped; a share is a folder too.
    EXPECT_STREQ("D:\\Games", Scan("/DIR=D:\\Games\\").dir);
    EXPECT_STREQ("\\\\server\\share\\Velmo", Scan("/DIR=\\\\server\\share\\Velmo").dir);
}

// Tools that quote every argument with a blank in it (Wine from a Linux
// shell, .NET, Python, newer PowerShell) put the quote before the switch
// name; the value is the same as with the quote after "=".
TEST(CommandLine, a_quote_before_the_switch_name_quotes_its_value)
{
    CommandLineSwitches s = Scan("\"/DIR=C:\\My Games\\Velmo\" \"/LOG=C:\\a b.log\" \"/SILENT\" "
                                 "/GROUP=Card\" \"games");
    EXPECT_EQ(CommandLineProblem::None, s.problem);
    EXPECT_STREQ("C:\\My Games\\Velmo", s.dir);
    EXPECT_STREQ("C:\\a b.log", s.log);
    EXPECT_EQ(QuietMode::Silent, s.quiet);
    EXPECT_STREQ("Card games", s.group);
    // A backslash before the closing quote is part of the path.
    EXPECT_STREQ("C:\\My Games\\Velmo", Scan("x \"/DIR=C:\\My Games\\Velmo\\\"").dir);
    // After a value, a quote at the start of the next word opens it; a
    // quote within a word opens nothing.
    s = Scan("/LOG=\"a b\" \"/DIR=C:\\x y\"");
    EXPECT_STREQ("a b", s.log);
    EXPECT_STREQ("C:\\x y", s.dir);
    s = Scan("/LOG=\"a \"/DIR=C:\\x y");
    EXPECT_STREQ("a /DIR=C:\\x", s.log);
    EXPECT_STREQ("", s.dir);
    EXPECT_STREQ("C:\\x", Scan("a\"/DIR=C:\\x y\"").dir);
    // An open quote is a problem.
    s = Scan("\"/DIR=C:\\My Games");
    EXPECT_EQ(CommandLineProblem::OpenQuote, s.problem);
    EXPECT_STREQ("", s.dir);
    // A value that is not taken leaves the one before it in place.
    s = Scan("/LOG=C:\\a.log /LOG=\"C:\\b.log");
    EXPECT_EQ(CommandLineProblem::OpenQuote, s.problem);
    EXPECT_STREQ("C:\\a.log", s.log);
}

TEST(CommandLine, new_and_old_switch_names_are_never_taken_for_each_other)
{
    // Longer words that begin with a new name are no switch...
    CommandLineSwitches s = Scan("/SILENTLY /VERYSILENTX /NODESKTOPS /DIRECTORY=C:\\x /LOGS=y "
                                 "/GROUPS=z");
    EXPECT_EQ(QuietMode::None, s.quiet);
    EXPECT_FALSE(s.noDesktop);
    EXPECT_STREQ("", s.dir);
    EXPECT_STREQ("", s.log);
    EXPECT_STREQ("", s.group);
    EXPECT_EQ(CommandLineProblem::None, s.problem);
    // ...while the old names keep counting with letters behind them.
    EXPECT_TRUE(Scan("/DISKFULLDIR=C:\\x").diskFull);
    EXPECT_STREQ("", Scan("/DISKFULLDIR=C:\\x").dir);
    EXPECT_EQ(4, Scan("/OLDVERSION4/SILENT").oldVersion);
    EXPECT_EQ(QuietMode::Silent, Scan("/OLDVERSION4/SILENT").quiet);
    // A value is data: switch names inside it do nothing.
    s = Scan("/LOG=\"C:\\x /DISKFULL /OLDVERSION 3 /SILENT.log\" /GROUP=a/VERYSILENT");
    EXPECT_FALSE(s.diskFull);
    EXPECT_EQ(0, s.oldVersion);
    EXPECT_EQ(QuietMode::None, s.quiet);
    EXPECT_STREQ("C:\\x /DISKFULL /OLDVERSION 3 /SILENT.log", s.log);
    EXPECT_EQ(CommandLineProblem::NotAFolder, s.problem);  // "a/VERYSILENT" holds a "/"
    EXPECT_STREQ("/GROUP", s.problemSwitch);
}

TEST(CommandLine, unusable_values_name_the_switch_and_the_problem)
{
    struct Case {
        const char *line;
        CommandLineProblem problem;
        const char *which;
    };
    const std::string longFolder = "/DIR=C:\\" + std::string(kMaxDestinationLength - 2, 'a');
    const std::string fitting = "/DIR=C:\\" + std::string(kMaxDestinationLength - 3, 'a');
    const std::string longLog = "/LOG=" + std::string(kMaxLogPathLength + 1, 'l');
    const Case cases[] = {
        {"/DIR", CommandLineProblem::MissingValue, "/DIR"},
        {"/SILENT /DIR /GROUP=x", CommandLineProblem::MissingValue, "/DIR"},
        {"/GROUP=", CommandLineProblem::MissingValue, "/GROUP"},
        {"/LOG=\"\"", CommandLineProblem::MissingValue, "/LOG"},
        {"/DIR=\"C:\\Velmo", CommandLineProblem::OpenQuote, "/DIR"},
        {longFolder.c_str(), CommandLineProblem::TooLong, "/DIR"},
        {longLog.c_str(), CommandLineProblem::TooLong, "/LOG"},
        {"/DIR=Velmo", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=\\Velmo", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=C:Velmo", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=C:\\", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=1:\\Velmo", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=C:\\a\\..\\Windows", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=C:\\a\\\\b", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=C:\\Velmo.", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=\"C:\\Velmo \"", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=C:\\a|b", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=C:\\a:b", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=\"C:\\a\tb\"", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=\\\\server", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=\\\\server\\share", CommandLineProblem::NotAFolder, "/DIR"},
        {"/DIR=\\\\\\share\\x", CommandLineProblem::NotAFolder, "/DIR"},
        {"/GROUP=..\\..\\Startup", CommandLineProblem::NotAFolder, "/GROUP"},
        {"/GROUP=\\Velmo", CommandLineProblem::NotAFolder, "/GROUP"},
        {"/GROUP=C:\\Velmo", CommandLineProblem::NotAFolder, "/GROUP"},
        {"/GROUP=\"a*\"", CommandLineProblem::NotAFolder, "/GROUP"},
        // The first problem counts.
        {"/GROUP= /DIR=x", CommandLineProblem::MissingValue, "/GROUP"},
    };
    for (const Case &c : cases) {
        CommandLineSwitches s = Scan(c.line);
        EXPECT_EQ(c.problem, s.problem) << c.line;
        EXPECT_STREQ(c.which, s.problemSwitch) << c.line;
    }
    EXPECT_EQ(CommandLineProblem::None, Scan(fitting.c_str()).problem);
    EXPECT_EQ(CommandLineProblem::None, Scan("/GROUP=\"Games\\Card games\"").problem);
}

// A property over many generated command lines: whatever values the user
// gives (blanks, slashes, switch names, quotes where the syntax allows them),
// the scan reads back exactly what was written and nothing else.
TEST(CommandLine, generated_command_lines_read_back_what_was_written)
{
    std::mt19937 random(20261208);
    const std::vector<std::string> pieces = {"a", "Z", " ", "\\", "/", "/DISKFULL", "/SILENT",
                                             "/DIR=", "/OLDVERSION 7", "-", ".", "é", "=",
                                             "/LOG", "x y"};
    auto value = [&](bool blanksAllowed) {
        std::string text;
        int parts = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < parts; ++i) {
            const std::string &piece = pieces[random() % pieces.size()];
            if (!blanksAllowed && piece.find(' ') != std::string::npos)
                continue;
            text += piece;
        }
        return text.empty() ? std::string("v") : text;
    };
    auto casing = [&](std::string name) {
        for (char &c : name)
            if (random() % 2)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string line, log, dir;
        bool diskFull = false, silent = false, verySilent = false, noDesktop = false;
        int oldVersion = 0;
        int count = static_cast<int>(random() % 7);
        for (int i = 0; i < count; ++i) {
            line += std::string(1 + random() % 2, ' ');
            switch (random() % 7) {
            case 0: {
                int quoting = static_cast<int>(random() % 3);
                log = value(quoting != 0);
                line += quoting == 0   ? casing("/LOG=") + log
                        : quoting == 1 ? casing("/LOG=") + "\"" + log + "\""
                                       : "\"" + casing("/LOG=") + log + "\"";
                break;
            }
            case 1:
                dir = "C:\\Games\\V " + std::to_string(random() % 1000);
                line += random() % 2 ? casing("/DIR=") + "\"" + dir + "\""
                                     : "\"" + casing("/DIR=") + dir + "\"";
                break;
            case 2: line += random() % 2 ? casing("/SILENT") : "\"" + casing("/SILENT") + "\"";
                silent = true;
                break;
            case 3: line += casing("/VERYSILENT"); verySilent = true; break;
            case 4: line += casing("/NODESKTOP"); noDesktop = true; break;
            case 5: line += casing("/DISKFULL"); diskFull = true; break;
            default:
                oldVersion = static_cast<int>(random() % 50);
                line += casing("/OLDVERSION") + std::to_string(oldVersion);
                break;
            }
        }
        CommandLineSwitches s = Scan(line.c_str());
        ASSERT_EQ(CommandLineProblem::None, s.problem) << line;
        EXPECT_EQ(log, s.log) << line;
        EXPECT_EQ(dir, s.dir) << line;
        EXPECT_EQ(diskFull, s.diskFull) << line;
        EXPECT_EQ(oldVersion, s.oldVersion) << line;
        EXPECT_EQ(noDesktop, s.noDesktop) << line;
        EXPECT_EQ(verySilent ? QuietMode::VerySilent
                  : silent   ? QuietMode::Silent
                             : QuietMode::None,
                  s.quiet)
            << line;
    }
}

// Random bytes, as a hostile caller might pass them: the scan never reads or
// writes outside its text and fields (the sanitizers watch), and whatever
// value it keeps fits its field and passes the checks it claims to apply.
TEST(CommandLine, random_bytes_never_break_the_scan)
{
    std::mt19937 random(8);
    const char alphabet[] = "/\"= \\:.aSILENTDIRGOUPVYKFLDSNOLG\t*";
    for (int round = 0; round < 20000; ++round) {
        std::string line(random() % 80, ' ');
        for (char &c : line)
            c = random() % 4 ? alphabet[random() % (sizeof alphabet - 1)]
                             : static_cast<char>(random() % 256);
        if (random() % 3 == 0)
            line.insert(0, random() % 2 ? "/DIR=" : "/GROUP=\"");
        CommandLineSwitches s = Scan(line.c_str());
        if (s.problem == CommandLineProblem::None) {
            if (s.dir[0]) {
                EXPECT_TRUE(IsUsableDestination(s.dir)) << line;
            }
            if (s.group[0]) {
                EXPECT_TRUE(IsUsableGroup(s.group)) << line;
            }
        } else {
            ASSERT_NE(nullptr, s.problemSwitch) << line;
        }
        EXPECT_LT(std::strlen(s.dir), sizeof s.dir);
        EXPECT_LT(std::strlen(s.log), sizeof s.log);
    }
}

TEST(ExitCode, the_interactive_setup_always_ends_with_0_a_quiet_one_tells_the_outcome)
{
    const SetupOutcome all[] = {
        SetupOutcome::Installed,          SetupOutcome::WizardLeft,
        SetupOutcome::UnusableCommandLine, SetupOutcome::AnotherSetupRunning,
        SetupOutcome::NewerOrIncompatible, SetupOutcome::NotEnoughSpace,
        SetupOutcome::FilesInUse,         SetupOutcome::Failed,
        SetupOutcome::Cancelled};
    std::set<int> quietCodes;
    for (SetupOutcome outcome : all) {
        EXPECT_EQ(0, ExitCodeFor(outcome, false));
        quietCodes.insert(ExitCodeFor(outcome, true));
    }
    // The codes that deployment tools read: each outcome its own, except a
    // wizard that a quiet run never shows, which counts as not installed.
    EXPECT_EQ((std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}), quietCodes);
    EXPECT_EQ(0, ExitCodeFor(SetupOutcome::Installed, true));
    EXPECT_EQ(2, ExitCodeFor(SetupOutcome::AnotherSetupRunning, true));
    EXPECT_EQ(5, ExitCodeFor(SetupOutcome::FilesInUse, true));
    EXPECT_EQ(6, ExitCodeFor(SetupOutcome::WizardLeft, true));
    EXPECT_EQ(7, ExitCodeFor(SetupOutcome::Cancelled, true));
}
