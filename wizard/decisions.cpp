// The wizard's decisions that need no window.
#include "wizard/decisions.h"

#include <cstring>

#include "base/paths.h"
#include "base/text.h"

int ListPages(bool hasLicence, int *pages)
{
    int count = 0;
    pages[count++] = PAGE_WELCOME;
    if (hasLicence)
        pages[count++] = PAGE_LICENCE;
    pages[count++] = PAGE_DESTINATION;
    pages[count++] = PAGE_PROGRAM_GROUP;
    pages[count++] = PAGE_DESKTOP_ICON;
    pages[count++] = PAGE_READY;
    return count;
}

uint32_t PageButtons(int pageId, bool licenceAccepted)
{
    uint32_t buttons = 0;
    if (pageId > PAGE_WELCOME)
        buttons |= BUTTON_BACK;
    if (pageId < PAGE_READY)
        buttons |= BUTTON_NEXT;
    else
        buttons |= BUTTON_FINISH;
    if (pageId == PAGE_LICENCE && !licenceAccepted)
        buttons &= ~BUTTON_NEXT;
    return buttons;
}

WelcomeWarning WarningOnLeavingWelcome(const InstalledProduct &installed)
{
    if (installed.newerInstalled)
        return WelcomeWarning::Downgrade;
    if (installed.incompatibleLimit != 0 && installed.versionMs != 0 &&
        installed.incompatibleLimit >= (installed.versionMs >> 16))
        return WelcomeWarning::Incompatible;
    return WelcomeWarning::None;
}

bool NeedsEarlierFolderWarning(bool earlierInstalled, const char *destination,
                               const char *installedFolder)
{
    // A version forced with "/OLDVERSION" and no installed program give no
    // folder: there is nothing to go back to.
    return earlierInstalled && installedFolder[0] != '\0' &&
           !SameFolder(destination, installedFolder);
}

bool VolumeRoot(const char *folder, char *root, size_t size)
{
    const char *slash = std::strchr(folder, '\\');
    size_t length = slash ? static_cast<size_t>(slash - folder) + 1 : std::strlen(folder);
    if (length >= size) {
        root[0] = '\0';
        return false;
    }
    std::memcpy(root, folder, length);
    root[length] = '\0';
    return true;
}

bool MayUseExtendedFreeSpace(uint32_t platformId, uint32_t buildNumber)
{
    return platformId == 2 || (platformId == 1 && (buildNumber & 0xFFFFu) > 1000);
}

bool IsEnoughSpace(uint64_t freeBytes, int32_t requiredBytes)
{
    return freeBytes > static_cast<uint32_t>(requiredBytes);
}

uint32_t ClassicFreeBytes(uint32_t bytesPerSector, uint32_t sectorsPerCluster,
                          uint32_t freeClusters)
{
    return bytesPerSector * sectorsPerCluster * freeClusters;
}

bool DestinationParent(const char *destination, char *parent, size_t size)
{
    if (!CopyText(parent, size, destination))
        return false;
    CutAtLastBackslash(parent);
    return true;
}

bool DestinationFromChosen(const char *chosen, const char *productFolder, char *destination,
                           size_t size)
{
    size_t length = std::strlen(chosen);
    // A drive root ends in its own backslash.
    if (length > 0 && chosen[length - 1] == '\\' && productFolder[0] == '\\')
        length--;
    size_t total = length + std::strlen(productFolder);
    if (total >= size)
        return false;
    std::memmove(destination, chosen, length);
    std::strcpy(destination + length, productFolder);
    return true;
}

bool GroupFromChosen(const char *chosen, const char *programs, char *group, size_t size)
{
    const char *rest = chosen;
    if (programs) {
        const char *p = programs;
        while (*p != '\0' && *rest == *p) {
            p++;
            rest++;
        }
        if (*rest == '\\')
            rest++;
    }
    if (std::strlen(rest) >= size)
        return false;
    std::memmove(group, rest, std::strlen(rest) + 1);
    return true;
}
