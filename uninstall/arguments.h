// The command line of the uninstaller.
//
//   Uninstall.exe [/S] [/LOG="file"]
//       removes the product; "/S" asks no questions and shows nothing, the
//       exit code tells the outcome; "/LOG" writes a log of the run.
//   <copy>.exe /FINISH <handle> <0|1> <file> <folder> "<program>"
//       the temporary copy that the uninstaller starts at its end: it waits
//       for the process behind the inherited <handle> to end, deletes
//       <program> (the uninstaller itself) through the inherited handle
//       <file> and, with 1, its folder through <folder> if that is empty
//       then; handles of 0 (before Windows Vista) delete by path.
// Other arguments are ignored.
#pragma once

#include <cstddef>
#include <cstdint>

// The uninstaller's exit codes.
enum UninstallExit {
    kRemoved = 0,        // everything the record names is gone
    kNothingRemoved = 1, // the record is missing, unreadable, too large or not this product's
    kDeclined = 2,       // the user answered No
    kLeftSome = 3,       // the removal ran; something the record names was left (listed
                         // at the end); folders kept for the user's files do not count
    kBusy = 4,           // another setup or uninstall of the product runs: nothing was done
};

struct UninstallArguments {
    bool quiet = false;
    char log[260] = "";  // "/LOG=file"; empty without one, or when it did not fit
    bool finish = false;
    uintptr_t waitHandle = 0;
    bool removeFolder = false;
    uintptr_t fileHandle = 0;
    uintptr_t folderHandle = 0;
    char program[260] = "";
};

// Reads the arguments (the command line without the program's name). A
// "/FINISH" without a handle and a program that fits is no finish run.
UninstallArguments ParseArguments(const char *commandLine);

// Copies the next argument (quotes group, and are dropped) into `out`
// (`size` bytes) and advances `cursor` past it. False when no argument is
// left or it does not fit.
bool NextArgument(const char *&cursor, char *out, size_t size);
