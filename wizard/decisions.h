// The wizard's decisions that need no window: which pages the sheet has,
// which buttons a page offers, when a warning is due, the free-space
// comparison and the folder texts that the browsers produce. No Windows API
// here.
#pragma once

#include <cstddef>
#include <cstdint>

// Dialog ids of the pages, in sheet order.
enum : int {
    PAGE_WELCOME = 101,
    PAGE_LICENCE = 102,
    PAGE_DESTINATION = 104,
    PAGE_PROGRAM_GROUP = 105,
    PAGE_DESKTOP_ICON = 106,
    PAGE_READY = 107,
};

// Wizard buttons, with the values of PSWIZB_BACK, PSWIZB_NEXT, PSWIZB_FINISH.
enum : uint32_t {
    BUTTON_BACK = 0x1,
    BUTTON_NEXT = 0x2,
    BUTTON_FINISH = 0x4,
};

constexpr int kMaxPages = 6;

// Fills `pages` (room for kMaxPages) with the dialog ids of the sheet's pages
// in order and returns their number: 6, or 5 without the Licence page.
int ListPages(bool hasLicence, int *pages);

// The buttons of a page when it becomes active: Back after the Welcome page,
// Next before the Ready page and Finish on it; on the Licence page Next only
// while the licence is accepted.
uint32_t PageButtons(int pageId, bool licenceAccepted);

// What the wizard knows of an earlier installation and of the product.
struct InstalledProduct {
    bool newerInstalled = false;
    bool earlierInstalled = false;
    uint32_t versionMs = 0;             // most significant word of its version
    uint32_t incompatibleLimit = 0;     // highest incompatible major; 0 = none
};

// The warning due when the Welcome page is left.
enum class WelcomeWarning { None, Downgrade, Incompatible };
WelcomeWarning WarningOnLeavingWelcome(const InstalledProduct &installed);

// True when leaving the Destination page must first warn that the folder
// differs from the earlier installation's (compared without regard to case).
// Without a known installed folder there is nothing to warn about.
bool NeedsEarlierFolderWarning(bool earlierInstalled, const char *destination,
                               const char *installedFolder);

// The root of the volume of `folder`: the text up to and including its first
// backslash ("C:\Program Files\Velmo" gives "C:\"); a text without backslash
// whole. False when the root does not fit `size` bytes.
bool VolumeRoot(const char *folder, char *root, size_t size);

// Whether the extended free-space call may be used on this system: always on
// the NT platform (id 2), on the Windows platform (id 1) only from build 1001
// of its low 16 bits on.
bool MayUseExtendedFreeSpace(uint32_t platformId, uint32_t buildNumber);

// The strict comparison of the free-space check: enough only when more bytes
// are free than required (the required count taken as unsigned).
bool IsEnoughSpace(uint64_t freeBytes, int32_t requiredBytes);

// Free bytes from the classic call: the three counts multiplied as an
// unsigned 32-bit product, as the classic call's callers always did.
uint32_t ClassicFreeBytes(uint32_t bytesPerSector, uint32_t sectorsPerCluster,
                          uint32_t freeClusters);

// The folder the destination browser opens with: the destination without its
// last path element ("C:\Program Files\Velmo" gives "C:\Program Files").
// False when it does not fit.
bool DestinationParent(const char *destination, char *parent, size_t size);

// The destination after the user chose `chosen` in the browser: the chosen
// folder followed by the product folder (`productFolder`, "\Velmo"), without
// doubling the backslash after a drive root ("D:\" gives "D:\Velmo"). False,
// and `destination` untouched, when the result does not fit.
bool DestinationFromChosen(const char *chosen, const char *productFolder, char *destination,
                           size_t size);

// The program group after the user chose `chosen` in the group browser: its
// path relative to the Programs folder `programs` (empty for the Programs
// folder itself), or the whole chosen path when the Programs path is unknown
// (null). False, and `group` untouched, when the result does not fit.
bool GroupFromChosen(const char *chosen, const char *programs, char *group, size_t size);
