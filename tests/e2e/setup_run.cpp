// Starting the setup and bringing it to the installation.
#include "setup_run.h"

#include <gtest/gtest.h>

#include "ids.h"

namespace e2e {

namespace {

// How long the setup may take to show its first window: a 32-bit program
// that runs through an emulated loader starts slowly.
DWORD FirstWindowWait()
{
    return driver::Env("VELMO_SLOW_START").empty() ? 60000 : 360000;
}

}  // namespace

HWND StartInstallation(driver::SetupProcess &setup, const Choices &choices)
{
    // The setup goes straight to the installation with its proposals; it
    // offers no way to choose otherwise.
    Choices proposed;
    if (!choices.destination.empty() || !choices.group.empty() ||
        choices.desktopIcon != proposed.desktopIcon || choices.readMe != proposed.readMe ||
        choices.launch != proposed.launch) {
        ADD_FAILURE() << "the setup has no way to make other choices than its own";
        return nullptr;
    }
    if (!setup.Start(choices.arguments)) {
        ADD_FAILURE() << "cannot start " << driver::Env("VELMO_SETUP");
        return nullptr;
    }
    HWND progress = driver::WaitForDialogWithControl(setup.Id(), ids::kProgressBar, FirstWindowWait());
    if (!progress)
        ADD_FAILURE() << "the installation did not begin: no progress window";
    return progress;
}

}  // namespace e2e
