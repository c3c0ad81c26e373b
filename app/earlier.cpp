// The portable half of the detection of an earlier installation: finishing
// what was read and the comparison with the product version.
#include "app/earlier.h"

#include <cstring>

#include "base/format.h"
#include "base/text.h"
#include "product/config.h"

bool FinishRegistryText(char *buffer, size_t bufferSize, uint32_t dataSize)
{
    if (bufferSize == 0)
        return false;
    if (dataSize < bufferSize) {
        buffer[dataSize] = '\0';
        return true;
    }
    // Exactly full: usable only when the value brought its own NUL.
    if (dataSize == bufferSize && std::memchr(buffer, '\0', bufferSize))
        return true;
    buffer[0] = '\0';
    return false;
}

void CopyVersionText(char (&versionText)[64], const char *text, size_t available)
{
    size_t length = 0;
    while (length < sizeof versionText - 1 && length < available && text[length] != '\0')
        length++;
    std::memcpy(versionText, text, length);
    versionText[length] = '\0';
}

void ConcludeDetection(EarlierInstallation &found, int32_t forcedOldVersion, char *destination,
                       size_t destinationSize)
{
    if (forcedOldVersion != 0) {
        found.versionMs = static_cast<uint32_t>(forcedOldVersion) << 16;
        FormatText(found.versionText, sizeof found.versionText, "%d", forcedOldVersion);
    }
    if (found.versionMs == 0 && found.versionLs == 0)
        return;
    found.newer = found.versionMs > kSetupConfig.productVersionMs ||
                  (found.versionMs == kSetupConfig.productVersionMs &&
                   found.versionLs > kSetupConfig.productVersionLs);
    found.earlier = !found.newer;
    if (found.folder[0] != '\0' && destinationSize > 0)
        CopyText(destination, destinationSize, found.folder);
}
