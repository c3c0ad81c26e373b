// The search for an earlier installation: the App Paths entry of the
// program and the version resource of the file it names.
#include "app/detect.h"

#include <windows.h>

#include <memory>
#include <new>

#include "app/earlier.h"
#include "base/libraries.h"
#include "base/holders.h"
#include "base/text.h"
#include "product/config.h"
#include "product/registry_keys.h"
#include "state/state.h"

namespace {

// The default value of App Paths\Velmo.exe into found.folder. False when
// there is none or it does not fit.
bool ReadRegisteredPath(EarlierInstallation &found)
{
    RegKey appPaths, program;
    if (appPaths.Open(HKEY_LOCAL_MACHINE, kAppPathsKey, KEY_ALL_ACCESS) != ERROR_SUCCESS ||
        program.Open(appPaths.get(), kSetupConfig.mainExecutable, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof found.folder;
    if (RegQueryValueExA(program.get(), nullptr, nullptr, nullptr,
                         reinterpret_cast<BYTE *>(found.folder), &size) != ERROR_SUCCESS) {
        found.folder[0] = '\0';
        return false;
    }
    return FinishRegistryText(found.folder, sizeof found.folder, size);
}

// The version library's functions. The program does not import it: the
// loader would look for it in the program's own folder first.
struct VersionLibrary {
    decltype(&GetFileVersionInfoSizeA) infoSize = nullptr;
    decltype(&GetFileVersionInfoA) info = nullptr;
    decltype(&VerQueryValueA) query = nullptr;

    bool Load()
    {
        HMODULE library = LoadSystemLibrary("version.dll");
        if (!library)
            return false;
        infoSize = LibraryFunction<decltype(infoSize)>(library, "GetFileVersionInfoSizeA");
        info = LibraryFunction<decltype(info)>(library, "GetFileVersionInfoA");
        query = LibraryFunction<decltype(query)>(library, "VerQueryValueA");
        return infoSize && info && query;
    }
};

// The file version and the "ProductVersion" string of the U.S. English,
// code page 1252 translation, as far as the file has them.
void ReadVersionResource(const char *path, EarlierInstallation &found)
{
    VersionLibrary version;
    if (!version.Load())
        return;
    DWORD ignored = 0;
    DWORD size = version.infoSize(path, &ignored);
    if (size == 0)
        return;
    std::unique_ptr<char[]> block(new (std::nothrow) char[size]);
    if (!block || !version.info(path, 0, size, block.get()))
        return;
    const char *end = block.get() + size;

    void *value = nullptr;
    UINT length = 0;
    if (version.query(block.get(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
        found.versionMs = fixed->dwFileVersionMS;
        found.versionLs = fixed->dwFileVersionLS;
    }
    if (version.query(block.get(), "\\StringFileInfo\\040904E4\\ProductVersion", &value,
                       &length) &&
        length != 0) {
        const char *text = static_cast<const char *>(value);
        // The string lies inside the block; never read past it.
        size_t available = text >= block.get() && text < end ? static_cast<size_t>(end - text) : 0;
        CopyVersionText(found.versionText, text, available);
    }
}

}  // namespace

void DetectEarlierInstallation()
{
    EarlierInstallation found;
    if (ReadRegisteredPath(found)) {
        ReadVersionResource(found.folder, found);
        CutAtLastBackslash(found.folder);
    }
    ConcludeDetection(found, g_state.forcedOldVersion, g_state.destination,
                      sizeof g_state.destination);

    g_state.installedVersionMs = found.versionMs;
    g_state.installedVersionLs = found.versionLs;
    CopyText(g_state.installedVersionText, sizeof g_state.installedVersionText, found.versionText);
    CopyText(g_state.installedFolder, sizeof g_state.installedFolder, found.folder);
    g_state.newerInstalled = found.newer;
    g_state.earlierInstalled = found.earlier;
}
