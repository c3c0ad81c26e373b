// Exit codes of the outcomes of a run.
#include "state/outcome.h"

int ExitCodeFor(SetupOutcome outcome, bool quiet)
{
    if (!quiet)
        return 0;
    switch (outcome) {
    case SetupOutcome::Installed: return 0;
    case SetupOutcome::UnusableCommandLine: return 1;
    case SetupOutcome::AnotherSetupRunning: return 2;
    case SetupOutcome::NewerOrIncompatible: return 3;
    case SetupOutcome::NotEnoughSpace: return 4;
    case SetupOutcome::FilesInUse: return 5;
    case SetupOutcome::Cancelled: return 7;
    // A quiet run never shows the wizard; should it end there, it did not
    // install.
    case SetupOutcome::WizardLeft:
    case SetupOutcome::Failed: break;
    }
    return 6;
}

const char *OutcomeName(SetupOutcome outcome)
{
    switch (outcome) {
    case SetupOutcome::Installed: return "installed";
    case SetupOutcome::WizardLeft: return "the wizard was left";
    case SetupOutcome::UnusableCommandLine: return "the command line cannot be used";
    case SetupOutcome::AnotherSetupRunning: return "another setup or uninstall is running";
    case SetupOutcome::NewerOrIncompatible: return "a newer or incompatible version is installed";
    case SetupOutcome::NotEnoughSpace: return "not enough disk space";
    case SetupOutcome::FilesInUse: return "files in use";
    case SetupOutcome::Failed: return "the installation failed";
    case SetupOutcome::Cancelled: return "cancelled and rolled back";
    }
    return "unknown";
}
