// The command-line scan: the test switches "/DISKFULL" and "/OLDVERSION n",
// and the switches of an unattended run ("/SILENT", "/VERYSILENT",
// "/DIR=", "/GROUP=", "/NODESKTOP", "/LOG="), anywhere in the command line,
// in any letter case.
#pragma once

#include <cstdint>

#include "state/outcome.h"

// Why a command line cannot be used; the first problem found counts.
enum class CommandLineProblem : uint8_t {
    None,
    MissingValue,  // "/DIR" without "=" and a value, or with an empty one
    OpenQuote,     // a quoted value without its closing quote
    TooLong,       // a value longer than its field can hold
    NotAFolder,    // a destination or program group that cannot be a folder
    NotCreated,    // the log file cannot be created (found by the caller)
};

// Longest destination folder: what CreateDirectory accepts (MAX_PATH less
// the 12 characters of an 8.3 name).
constexpr int kMaxDestinationLength = 247;
constexpr int kMaxGroupLength = 259;
constexpr int kMaxLogPathLength = 259;

struct CommandLineSwitches {
    bool diskFull = false;        // "/DISKFULL" seen
    int32_t oldVersion = 0;       // number after the last "/OLDVERSION"; 0 = none
    QuietMode quiet = QuietMode::None;  // "/VERYSILENT" wins over "/SILENT"
    bool noDesktop = false;       // "/NODESKTOP"
    // Values; the last occurrence of a switch wins. Empty when not given.
    char dir[kMaxDestinationLength + 1] = "";
    char group[kMaxGroupLength + 1] = "";
    char log[kMaxLogPathLength + 1] = "";
    CommandLineProblem problem = CommandLineProblem::None;
    // The name of the switch at fault ("/DIR"); null without a problem.
    // (A null start keeps the record all zeros: no copy of it in the program.)
    const char *problemSwitch = nullptr;
};

// Scans the command line (the text after the program name; nullptr counts
// as empty).
//
// "/DISKFULL" and "/OLDVERSION" count wherever their names stand, even
// with more letters behind them, as they always did. The new switches
// count only as whole words: the name ends at the end of the text, a blank,
// a "/" or a quote ("/SILENTLY" is no switch), and a switch with a value is
// followed by "=" and the value, up to the next blank that no quote holds.
// Quotes are dropped wherever they stand, as a program's arguments are
// split: "/DIR="C:\My Games\Velmo"" and ""/DIR=C:\My Games\Velmo"" (the form
// of tools that quote whole arguments) both give C:\My Games\Velmo. A value
// is taken whole: whatever it holds, "/DISKFULL" included, is no switch. A
// "/" that starts no switch is stepped over.
//
// "/DIR" must name an absolute folder below a drive root ("C:\...") or a
// share ("\\server\share\..."), without characters a folder name cannot
// hold, without empty, "." or ".." parts; a trailing "\" is dropped.
// "/GROUP" must be a relative path below the Programs folder on the same
// terms.
CommandLineSwitches ScanCommandLine(const char *commandLine);

// Checks of the values, as the scan applies them.
bool IsUsableDestination(const char *folder);
bool IsUsableGroup(const char *group);
