// How much of the setup the user sees, how a run of the setup ended, and
// the exit code that tells it: the one place where outcomes become exit
// codes. No Windows API here.
#pragma once

// How much of the setup the user sees.
enum class QuietMode : unsigned char {
    None,        // the wizard
    Silent,      // no wizard and no questions; the progress window shows
    VerySilent,  // no window at all and no reading pauses
};

// How a run ended.
enum class SetupOutcome {
    Installed,             // everything was installed
    WizardLeft,            // the user left the wizard (interactive only)
    UnusableCommandLine,   // a value missing or too long, a folder that cannot be one
    AnotherSetupRunning,   // another setup or uninstall of the product runs
    NewerOrIncompatible,   // a newer or an incompatible version is installed
    NotEnoughSpace,        // the destination's volume is too small
    FilesInUse,            // files of the installation are in use
    Failed,                // a step failed and was reported; the record names what was made
    Cancelled,             // cancelled in the progress window and rolled back
};

// The exit code of an outcome. The interactive setup ends with 0 on every
// path; a quiet one tells the outcome: 0 installed, 1 unusable command line,
// 2 another setup running, 3 newer or incompatible version, 4 not enough
// disk space, 5 files in use, 6 failed, 7 cancelled.
int ExitCodeFor(SetupOutcome outcome, bool quiet);

// A short English name of the outcome for the log.
const char *OutcomeName(SetupOutcome outcome);
