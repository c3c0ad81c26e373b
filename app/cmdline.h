// The command-line scan: the two test switches "/DISKFULL" and
// "/OLDVERSION n", anywhere in the command line, in any letter case.
#pragma once

#include <cstdint>

struct CommandLineSwitches {
    bool diskFull = false;        // "/DISKFULL" seen
    int32_t oldVersion = 0;       // number after the last "/OLDVERSION"; 0 = none
};

// Scans the command line (the text after the program name; nullptr counts
// as empty). A "/" that starts neither switch is stepped over.
CommandLineSwitches ScanCommandLine(const char *commandLine);
