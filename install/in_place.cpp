// The search for links on the way and the open of a file in its place.
#include "install/in_place.h"

#include <fcntl.h>
#include <io.h>

#include <cstring>

#include "base/paths.h"
#include "base/runlog.h"
#include "base/text.h"
#include "base/volume_names.h"
#include "install/in_use.h"
#include "install/report.h"
#include "state/state.h"

namespace {

// The folders held open: the destination and the folders of the game in
// it, and the program group.
struct HeldFolder {
    char path[MAX_PATH];
    HANDLE handle;
    bool link;  // the destination, a link as it was chosen
};
const int kMostHeld = 32;
HeldFolder g_held[kMostHeld];
int g_heldCount = 0;

// The first file of the run that lies behind a link, or an empty text.
struct LinkSearch {
    char found[MAX_PATH];
};

// Below the destination down to `path`, every part that exists must be
// what it seems: a folder on the way, the file at the end, none a link. The
// destination itself is what whoever installs chose: another volume's
// mount point, say.
void NoteIfBehindLink(const char *path, void *context)
{
    LinkSearch &search = *static_cast<LinkSearch *>(context);
    const char *destination = g_state.destination;
    if (search.found[0] || !LiesInside(path, destination))
        return;
    char part[MAX_PATH];
    if (!CopyText(part, sizeof part, path))
        return;
    for (size_t end = std::strlen(destination) + 1;; ++end) {
        char kept = part[end];
        if (kept != '\\' && kept != '\0')
            continue;
        part[end] = '\0';
        DWORD attributes = GetFileAttributesA(part);
        // What does not exist yet is made by the run itself.
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            CopyText(search.found, sizeof search.found, path);
            return;
        }
        if (kept == '\0')
            return;
        HoldFolder(part);
        part[end] = kept;
    }
}

// The folder `path` among those held, or null.
HeldFolder *FindHeld(const char *path)
{
    for (int i = 0; i < g_heldCount; ++i) {
        if (EqualNoCaseAnsi(g_held[i].path, path))
            return &g_held[i];
    }
    return nullptr;
}

// True when `path` is held and has not become a link since.
bool StillHeld(const char *path)
{
    const HeldFolder *held = FindHeld(path);
    DWORD attributes, names;
    return held && AttributesAndNames(held->handle, attributes, names) &&
           (held->link || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT));
}

// True when every folder from `folder` down to the one of `path` is held
// and none has become a link. A held folder cannot be moved or replaced;
// an empty one can still be made a junction, which its attributes show,
// and once the file is in it, it is no longer empty.
bool FoldersStillHeld(const char *folder, const char *path)
{
    char part[MAX_PATH];
    if (!CopyText(part, sizeof part, path))
        return false;
    CutAtLastBackslash(part);
    for (size_t length = std::strlen(part);; ) {
        if (!StillHeld(part))
            return false;
        if (length <= std::strlen(folder))
            return true;
        CutAtLastBackslash(part);
        size_t shorter = std::strlen(part);
        if (shorter == length)
            return false;
        length = shorter;
    }
}

// True when the file open at `file`, which the open `made` or found at
// `path`, is `name` inside `folder` and has no other name. A file made new
// in held folders is where it was made; a file that stood there already
// may be a link that its attributes do not show (a Unix symbolic link under
// Wine), and is asked for its name on the volume, unless the system cannot
// tell (before Windows Vista).
bool InItsPlace(HANDLE file, bool made, const char *folder, const char *name, const char *path)
{
    DWORD attributes, names;
    if (!AttributesAndNames(file, attributes, names) ||
        (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) || names != 1)
        return false;
    if ((made && FoldersStillHeld(folder, path)) || !VolumeNamesKnown())
        return true;
    // The destination's own name is looked up once: it holds every file. It
    // is the folder that whoever installs chose, a mount point or a link
    // included, and named as what it leads to.
    static FolderOnVolume destination;
    char16_t wideFolder[MAX_PATH], wideName[MAX_PATH], self[kVolumeNameSize];
    return AnsiToUtf16(folder, wideFolder, MAX_PATH) && AnsiToUtf16(name, wideName, MAX_PATH) &&
           NameOnVolume(file, self) &&
           destination.Holds(wideFolder, Length16(wideFolder), true, self, wideName);
}

// Opens the file that stands at `path`, or makes a new one there when
// none does; `made` tells which. Opened as it stands, a final part that is
// a link opens as the link; a new file is made only where no name, not
// even a link to nothing, stands yet.
HANDLE OpenOrMake(const char *path, bool &made)
{
    const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE;
    // New files are the common case: made at the first try. A file that
    // comes or goes between the two opens is looked at again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        made = true;
        HANDLE file = CreateFileA(path, access, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
        made = false;
        file = CreateFileA(path, access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool NoLinksOnTheWay(HWND owner)
{
    // A destination that does not exist yet holds nothing to look at.
    if (GetFileAttributesA(g_state.destination) == INVALID_FILE_ATTRIBUTES)
        return true;
    LinkSearch search;
    search.found[0] = '\0';
    HoldFolder(g_state.destination);
    VisitFilesOfTheRun(NoteIfBehindLink, &search);
    if (!search.found[0])
        return true;
    LetGoOfFolders();
    RunLog("Refused: %s lies behind a link", search.found);
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return ReportError(owner, "$0333", search.found);
}

FILE *OpenInPlace(const char *folder, const char *name, const char *path, bool keepBytes)
{
    // Nothing is cut before the file proves to be in its place.
    bool made;
    HANDLE file = OpenOrMake(path, made);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    if (!InItsPlace(file, made, folder, name, path)) {
        RunLog("Refused: %s leads elsewhere", path);
        // Made through a folder that became a link while the run went.
        if (made)
            DeleteOpenFile(file);
        CloseHandle(file);
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return nullptr;
    }
    // A file made just now is empty already; under Wine cutting it anyway
    // costs a request to the server and two calls of its own per file.
    if (!keepBytes && !made && !SetEndOfFile(file)) {
        CloseHandle(file);
        return nullptr;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(file);
        return nullptr;
    }
    FILE *stream = _fdopen(descriptor, keepBytes ? "r+b" : "wb");
    if (!stream)
        _close(descriptor);
    return stream;
}

void HoldFolder(const char *path)
{
    if (FindHeld(path) || g_heldCount == kMostHeld)
        return;
    HeldFolder &held = g_held[g_heldCount];
    if (!CopyText(held.path, sizeof held.path, path))
        return;
    // Opened for reading, so that its sharing counts: the run may add and
    // write files in it, nobody may take it away.
    held.handle = CreateFileA(path, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (held.handle == INVALID_HANDLE_VALUE)
        return;
    DWORD attributes, names;
    if (!AttributesAndNames(held.handle, attributes, names)) {
        CloseHandle(held.handle);
        return;
    }
    // Only the destination may be a link (a mount point) as it was chosen.
    held.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                EqualNoCaseAnsi(path, g_state.destination);
    ++g_heldCount;
}

void LetGoOfFolder(const char *path)
{
    HeldFolder *held = FindHeld(path);
    if (!held)
        return;
    CloseHandle(held->handle);
    *held = g_held[--g_heldCount];
}

void LetGoOfFolders()
{
    while (g_heldCount > 0)
        CloseHandle(g_held[--g_heldCount].handle);
}
