// The one way the scenarios start the setup: start it and bring it to the
// installation with the user's choices.
#pragma once

#include <windows.h>

#include <string>

#include "driver.h"

namespace e2e {

// What the user chooses on the way to the installation. Empty texts and the
// defaults below leave the setup's own proposals alone.
struct Choices {
    std::string arguments;    // command line of the setup ("/DISKFULL")
    std::string destination;  // typed over the proposed destination folder
    std::string group;        // typed over the proposed program group
    bool desktopIcon = true;
    bool readMe = true;
    bool launch = true;
};

// Starts the setup with `choices.arguments`, makes the choices and lets the
// installation begin. Returns the progress window; nullptr, with the test
// failed, when the setup did not start or did not get there in time.
HWND StartInstallation(driver::SetupProcess &setup, const Choices &choices = Choices());

}  // namespace e2e
