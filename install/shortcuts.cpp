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

// The path of the user's Programs or desktop folder (CSIDL_PROGRAMS or
// CSIDL_DESKTOPDIRECTORY, no other); nullptr when the shell does not know
// it. To answer, the shell builds an item-id list through every folder on
// the way, which costs about as much as saving a link: each folder is
// asked once, and the answer serves every link of the process.
const char *SpecialFolder(int folder)
{
    // All zeros at first, so they take no room in the program file.
    static struct {
        bool asked;
        bool known;
        char path[MAX_PATH];
    } answers[2];
    auto &answer = answers[folder == CSIDL_PROGRAMS];
    if (!answer.asked) {
        ItemIdList list(g_state.shellMalloc);
        answer.known = SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folder, list.Put())) &&
                       SHGetPathFromIDListA(list.get(), answer.path);
        answer.asked = true;
    }
    return answer.known ? answer.path : nullptr;
}

// The program group's folder below the Programs folder into `group` of
// `size` bytes, one of which stays free for the "\" that makes the whole
// group path the folder part of CreateFolderPath's path; false when the
// Programs folder is unknown or the group's path does not fit.
bool GroupFolder(char *group, size_t size)
{
    const char *programs = SpecialFolder(CSIDL_PROGRAMS);
    return programs && JoinPath(group, size - 1, programs, g_state.programGroup);
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

// Creates the program group's folder `group` (of GroupFolder) with its
// parents when it does not exist. Every folder created is recorded, then
// the group folder itself, also when it was there before.
void PrepareGroupFolder(char *group)
{
    if (!Exists(group)) {
        size_t length = std::strlen(group);
        group[length] = '\\';
        group[length + 1] = '\0';
        CreateFolderPath("FOLDER", group);
        group[length] = '\0';
    }
    EngineRecord("FOLDER", group);
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
    bool found = GroupFolder(group, sizeof group);
    if (found)
        NameLinkAhead(group, caption ? caption : "");
    EngineStatus(ResolveText("$0311"));
    if (!found || !EngineKept())
        return ReportError(owner, "$0335");
    PrepareGroupFolder(group);

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
    const char *desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    if (desktop)
        NameLinkAhead(desktop, kSetupConfig.productName);
    EngineStatus(ResolveText("$0311"));
    if (!desktop || !EngineKept())
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
    bool groupKnown = GroupFolder(group, sizeof group);
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_SHORTCUT, [&](int, const ManifestEntry &entry) {
        const char *caption = ResolveText(entry.extra);
        if (groupKnown)
            NameLinkAhead(group, caption ? caption : "");
    });
    const char *desktop = g_state.desktopIcon ? SpecialFolder(CSIDL_DESKTOPDIRECTORY) : nullptr;
    if (desktop)
        NameLinkAhead(desktop, kSetupConfig.productName);
}
