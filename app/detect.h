// The search for an earlier installation of the product, run once at
// start-up before the language object is made.
#pragma once

// Looks up the installed program under App Paths, reads its version
// resource and writes what it found into the setup state: the installed
// version, its text and folder, the two flags and, when an installation is
// known, the destination folder. Nothing is reported; whatever cannot be
// read is done without.
void DetectEarlierInstallation();
