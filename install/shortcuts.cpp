// Shell links in the program group and on the desktop.
#include "install/shortcuts.h"

#include <shlobj.h>

#include <cstring>

#include "base/format.h"
#include "base/holders.h"
#include "base/runlog.h"
#include "base/text.h"
#include "install/engine.h"
#include "install/extract.h"
#include "install/report.h"
#include "product/config.h"
#include "product/manifest.h"
#include "product/queries.h"
#include "state/state.h"

namespace {

// A link file's path as the shell takes it: 520 UTF-16 characters at most.
constexpr int kLinkPathChars = 520;

// The path of a special folder of the user (CSIDL_*) into `path` of
// MAX_PATH bytes; false when the shell does not know it.
bool GetSpecialFolder(int folder, char *path)
{
    ItemIdList list(g_state.shellMalloc);
    return SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folder, list.Put())) &&
           SHGetPathFromIDListA(list.get(), path);
}

bool Exists(const char *path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

// Programs folder + "\" + the program group, created with its parents when
// it does not exist; `group` holds MAX_PATH + the group's 260 bytes.
// Every folder created is recorded, then the group folder itself, also when
// it was there before. False when the Programs folder is unknown or the
// group's path does not fit.
bool PrepareGroupFolder(char *group, size_t size)
{
    char programs[MAX_PATH];
    // One byte stays free for the "\" that makes the whole group path the
    // folder part of CreateFolderPath's path.
    if (!GetSpecialFolder(CSIDL_PROGRAMS, programs) ||
        !JoinPath(group, size - 1, programs, g_state.programGroup))
        return false;
    if (!Exists(group)) {
        size_t length = std::strlen(group);
        group[length] = '\\';
        group[length + 1] = '\0';
        CreateFolderPath("FOLDER", group);
        group[length] = '\0';
    }
    EngineRecord("FOLDER", group);
    return true;
}

// The path of the link `caption` in `linkFolder` into `linkPath` (of
// kLinkPathChars bytes); false when it does not fit.
bool LinkPath(char *linkPath, const char *linkFolder, const char *caption)
{
    int length = FormatText(linkPath, kLinkPathChars, "%s\\%s.lnk", linkFolder, caption);
    return length >= 0 && length < kLinkPathChars;
}

// Names the link in `linkFolder` and the folders on its way in the record on
// disk, before any of them is made: ahead, then written in the pause of the
// status line.
void NameLinkAhead(const char *linkFolder, const char *caption)
{
    char linkPath[kLinkPathChars];
    if (LinkPath(linkPath, linkFolder, caption)) {
        EngineAheadFolders(linkPath);
        EngineAhead("FILE", linkPath);
    }
}

}  // namespace

bool CreateShortcut(const char *linkFolder, const char *targetFolder, const char *target,
                    const char *arguments, const char *caption)
{
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid())))
        return false;
    // A target or link path that does not fit is never used cut short: it
    // would name another file.
    char targetPath[MAX_PATH];
    bool fits = targetFolder ? JoinPath(targetPath, sizeof targetPath, targetFolder, target)
                             : CopyText(targetPath, sizeof targetPath, target);
    if (!fits)
        return false;
    link->SetPath(targetPath);
    link->SetDescription(caption);
    link->SetWorkingDirectory(targetFolder ? targetFolder : "");
    if (arguments)
        link->SetArguments(arguments);

    ComPtr<IPersistFile> file;
    if (FAILED(link.QueryInto(IID_IPersistFile, file)))
        return false;
    char linkPath[kLinkPathChars];
    if (!LinkPath(linkPath, linkFolder, caption))
        return false;
    WCHAR widePath[kLinkPathChars];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, kLinkPathChars))
        return false;
    HRESULT saved = file->Save(widePath, TRUE);
    if (FAILED(saved)) {
        SetLastError(static_cast<DWORD>(saved));
        return false;
    }
    EngineRecord("FILE", linkPath);
    RunLog("Link: %s", linkPath);
    return true;
}

bool CreateGroupShortcut(HWND owner, int index)
{
    const ManifestEntry &entry = kInstallTable[index];
    // A caption is a text reference or the text itself (ResolveText keeps
    // any other text as it is); it names the link and describes it. A web
    // address is linked as it stands.
    const char *caption = ResolveText(entry.extra);
    char group[MAX_PATH + sizeof g_state.programGroup];
    char programs[MAX_PATH];
    if (GetSpecialFolder(CSIDL_PROGRAMS, programs) &&
        JoinPath(group, sizeof group - 1, programs, g_state.programGroup))
        NameLinkAhead(group, caption ? caption : "");
    EngineStatus(ResolveText("$0311"));
    if (!EngineKept() || !PrepareGroupFolder(group, sizeof group))
        return ReportError(owner, "$0335");

    const char *targetFolder =
        (entry.flags & ENTRY_EXTERNAL_TARGET) ? nullptr : g_state.destination;
    bool ok = CreateShortcut(group, targetFolder, entry.name, nullptr, caption ? caption : "");
    EngineAdvanceStep();
    if (!ok)
        return ReportError(owner, "$0335");
    return true;
}

bool CreateDesktopShortcut(HWND owner)
{
    char desktop[MAX_PATH];
    bool found = GetSpecialFolder(CSIDL_DESKTOPDIRECTORY, desktop);
    if (found)
        NameLinkAhead(desktop, kSetupConfig.productName);
    EngineStatus(ResolveText("$0311"));
    if (!found || !EngineKept())
        return ReportError(owner, "$0335");
    bool ok = CreateShortcut(desktop, g_state.destination, kSetupConfig.mainExecutable, nullptr,
                             kSetupConfig.productName);
    EngineAdvanceStep();
    if (!ok)
        return ReportError(owner, "$0335");
    return true;
}

void NameShortcutsAhead()
{
    char group[MAX_PATH + sizeof g_state.programGroup];
    char programs[MAX_PATH];
    bool groupKnown = GetSpecialFolder(CSIDL_PROGRAMS, programs) &&
                      JoinPath(group, sizeof group - 1, programs, g_state.programGroup);
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_SHORTCUT, [&](int, const ManifestEntry &entry) {
        const char *caption = ResolveText(entry.extra);
        if (groupKnown)
            NameLinkAhead(group, caption ? caption : "");
    });
    char desktop[MAX_PATH];
    if (g_state.desktopIcon && GetSpecialFolder(CSIDL_DESKTOPDIRECTORY, desktop))
        NameLinkAhead(desktop, kSetupConfig.productName);
}
