// Folder browsers, the folder display and the free-space check.
#include "wizard/folders.h"

#include <shlobj.h>

#include "base/holders.h"
#include "base/libraries.h"
#include "product/config.h"
#include "state/state.h"
#include "wizard/decisions.h"

namespace {

// The browse buffer: receives the display name and then the path chosen in
// the destination browser, and holds the initial selection of the browsers.
char g_browseBuffer[MAX_PATH];

// Runs a folder browser below the special folder `root` over `owner`; the
// chosen folder's path goes to `path` (MAX_PATH bytes). False when the root
// is not available, the user cancelled or the choice has no file path.
bool BrowseBelow(HWND owner, int root, const char *title, char *displayName, char *path,
                 char *rootPath)
{
    ItemIdList rootList(g_state.shellMalloc);
    if (FAILED(SHGetSpecialFolderLocation(owner, root, rootList.Put())))
        return false;
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = rootList.get();
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseInitCallback;
    info.lParam = 0;
    ItemIdList chosen(g_state.shellMalloc);
    chosen.Attach(SHBrowseForFolderA(&info));
    if (!chosen || !SHGetPathFromIDListA(chosen.get(), path))
        return false;
    if (rootPath && !SHGetPathFromIDListA(rootList.get(), rootPath))
        rootPath[0] = '\0';
    return true;
}

}  // namespace

int CALLBACK BrowseInitCallback(HWND browser, UINT message, LPARAM, LPARAM)
{
    // A destination too long for the buffer selects nothing rather than a
    // folder cut short.
    if (message == BFFM_INITIALIZED &&
        DestinationParent(g_state.destination, g_browseBuffer, sizeof g_browseBuffer))
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(g_browseBuffer));
    return 0;
}

void BrowseDestination(HWND display)
{
    if (!BrowseBelow(display, CSIDL_DRIVES, ResolveText("$0301"), g_browseBuffer, g_browseBuffer,
                     nullptr))
        return;
    if (DestinationFromChosen(g_browseBuffer, kSetupConfig.productFolderName, g_state.destination,
                              sizeof g_state.destination))
        SetWindowTextA(display, g_state.destination);
}

void BrowseProgramGroup(HWND edit)
{
    char displayName[MAX_PATH];
    char path[MAX_PATH];
    char programs[MAX_PATH];
    if (!BrowseBelow(edit, CSIDL_PROGRAMS, ResolveText("$0302"), displayName, path, programs))
        return;
    if (GroupFromChosen(path, programs[0] ? programs : nullptr, g_state.programGroup,
                        sizeof g_state.programGroup))
        SetWindowTextA(edit, g_state.programGroup);
}

void DrawFolderDisplay(const DRAWITEMSTRUCT *item)
{
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    RECT area = item->rcItem;
    // Without DT_MODIFYSTRING the ellipsis exists on screen only.
    DrawTextA(item->hDC, g_state.destination, -1, &area,
              DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS);
}

bool HasEnoughFreeSpace(const char *folder, int32_t required)
{
    char root[sizeof g_state.destination];
    VolumeRoot(folder, root, sizeof root);

    bool enough = true;
    bool known = false;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) &&
        MayUseExtendedFreeSpace(version.dwPlatformId, version.dwBuildNumber)) {
        using FreeSpaceEx = BOOL(WINAPI *)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                           PULARGE_INTEGER);
        HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
        if (kernel) {
            auto freeSpaceEx = LibraryFunction<FreeSpaceEx>(kernel, "GetDiskFreeSpaceExA");
            ULARGE_INTEGER available, total;
            if (freeSpaceEx && freeSpaceEx(root, &available, &total, nullptr)) {
                enough = IsEnoughSpace(available.QuadPart, required);
                known = true;
            }
            FreeLibrary(kernel);
        }
    }
    if (!known) {
        DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
        if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                              &clusters))
            enough = IsEnoughSpace(ClassicFreeBytes(bytesPerSector, sectorsPerCluster,
                                                    freeClusters),
                                   required);
    }
    return enough && !g_state.fullDiskTest;
}
