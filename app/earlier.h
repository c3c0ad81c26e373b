// What the search for an earlier installation of the product found, and the
// portable steps of that search. No Windows API here: the registry and the
// version resource are read in detect.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

struct EarlierInstallation {
    // File version of the installed program: major << 16 | minor, and
    // build << 16 | revision. Both 0: no installation is known.
    uint32_t versionMs = 0;
    uint32_t versionLs = 0;
    char versionText[64] = "";  // its "ProductVersion" string
    char folder[324] = "";      // folder of the installed program, no trailing "\"
    bool newer = false;         // above the version this setup installs
    bool earlier = false;       // found and not above it (the same version included)
};

// Makes the registry value read into buffer (dataSize bytes of bufferSize) a
// terminated text. A value that leaves no room for its terminating NUL did
// not fit: the buffer is emptied and the result is false, so that a cut
// path is never taken for the installed program.
bool FinishRegistryText(char *buffer, size_t bufferSize, uint32_t dataSize);

// Copies at most 63 characters of a version string into versionText; the
// string ends at its NUL or after `available` bytes, whichever comes first.
void CopyVersionText(char (&versionText)[64], const char *text, size_t available);

// What is left to do once the registry and the version resource have been
// read into `found`: a forced old version n (not 0) replaces the major and
// minor version by n.0 and the version text by n; then the version is
// compared, unsigned, with the product's 3.1.51.0. When any installation is
// known its folder becomes the destination, unless that folder is empty
// (a forced version without an installed program), which keeps the
// destination as it is.
void ConcludeDetection(EarlierInstallation &found, int32_t forcedOldVersion, char *destination,
                       size_t destinationSize);
