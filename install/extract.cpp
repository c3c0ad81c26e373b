// Extraction of payload entries into files.
#include "install/extract.h"

#include <cstdio>
#include <cstring>

#include "base/format.h"
#include "base/runlog.h"
#include "base/text.h"
#include "install/engine.h"
#include "install/in_place.h"
#include "install/progress.h"
#include "install/record.h"
#include "install/report.h"
#include "product/inflate.h"
#include "product/manifest.h"
#include "product/payload.h"
#include "state/state.h"

namespace {

// Reports the inflation loop's events through the engine.
class EngineChunkSink : public ChunkSink {
public:
    explicit EngineChunkSink(HWND owner) : owner_(owner) {}
    bool Fail(const char *message) override { return ReportError(owner_, message); }
    void Advance(int32_t count) override
    {
        if (g_engine.progress)
            g_engine.progress->AdvanceBytes(count);
    }
    bool Cancelled() const override { return g_state.cancelled; }

private:
    HWND owner_;
};

void ShowStatus(const char *name)
{
    char status[1024];
    FormatText(status, sizeof status, ResolveText("$0312"), name);
    EngineStatus(status);
}

}  // namespace

bool ExtractEntry(HWND owner, const char *folder, int index, bool record)
{
    const ManifestEntry &entry = kInstallTable[index];

    char path[1024];
    // A path beyond the buffer cannot be opened as it stands: opening the
    // cut text could hit another file.
    if (!JoinPath(path, sizeof path, folder, entry.name)) {
        ShowStatus(entry.name);
        return ReportError(owner, "$0333", path);
    }

    // Staged over an uninstaller that stands in its place (an earlier
    // installation's, which the list of installed programs offers), the new
    // one is written beside it and then takes its name in one step: a run
    // ended at any instant leaves a whole uninstaller under that name.
    char besideName[MAX_PATH];
    char beside[1024];
    bool replace = record && g_engine.record && g_engine.record->staging &&
                   (entry.flags & ENTRY_UNINSTALLER) &&
                   GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES &&
                   FormatText(besideName, sizeof besideName, "%s.new", entry.name) > 0 &&
                   JoinPath(beside, sizeof beside, folder, besideName);

    // The file and the folders on its way are named in the record on disk
    // before they exist; the record lives in `folder`, which therefore
    // comes first.
    if (record) {
        EngineAheadFolders(path);
        EngineAhead("FOLDER", folder);
        EngineAhead("FILE", path);
        if (replace)
            EngineAhead("FILE", beside);
        char inside[1024];
        if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES &&
            JoinPath(inside, sizeof inside, folder, ""))
            CreateFolderPath("FOLDER", inside);
    }
    ShowStatus(entry.name);
    if (record && !EngineKept()) {
        // Without its folder the file could not be made either.
        DWORD attributes = GetFileAttributesA(folder);
        bool folderMade =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        return ReportError(owner, "$0333",
                           folderMade && g_engine.record ? g_engine.record->RecordPath() : path);
    }

    // The uninstaller made ahead of the files gets the same bytes again in
    // place: truncated first, it would be broken for a moment while its
    // entry points to it.
    bool again = g_engine.staged && (entry.flags & ENTRY_UNINSTALLER);
    const char *name = replace ? besideName : entry.name;
    const char *target = replace ? beside : path;
    FILE *file = OpenInPlace(folder, name, target, again);
    // That uninstaller cannot be written while it runs: somebody started it
    // during the run, and it only says that a setup is running. Whole and
    // with these same bytes, it stays as it stands.
    bool standing = !file && again && GetLastError() == ERROR_SHARING_VIOLATION;
    // A file refused for leading elsewhere is not tried again: the folders
    // on its way stand, and a second look would only refuse it once more.
    if (!file && !standing && GetLastError() != ERROR_CANT_ACCESS_FILE) {
        CreateFolderPath("FOLDER", path);
        file = OpenInPlace(folder, name, target, false);
    }
    if (!file && !standing)
        return ReportError(owner, "$0333", path);

    if (record) {
        EngineRecord("FOLDER", folder);
        EngineRecord("FILE", path);
    }
    if (standing) {
        RunLog("In use, kept as made: %s", path);
        EngineChunkSink(owner).Advance(static_cast<int32_t>(entry.unpackedSize));
        return true;
    }

    // A missing or short resource gives no input, which the inflater
    // reports as a decompression error.
    uint32_t size = 0;
    const unsigned char *stream = OpenPayload(entry, &size);
    EngineChunkSink sink(owner);
    bool written = InflateIntoFile(stream, size, file, sink);
    if (replace) {
        // Only a whole file takes the name (a cancel stops the inflation
        // between two chunks). A staging that fails leaves the uninstaller
        // that stands there to pass 2, which writes in place and reports
        // what goes wrong.
        written = written && !g_state.cancelled &&
                  MoveFileExA(beside, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!written)
            DeleteFileA(beside);
    }
    if (!written)
        return false;
    if (!again)
        RunLog("File: %s", path);
    return true;
}

void CreateFolderPath(const char *element, char *path)
{
    char *slash = std::strrchr(path, '\\');
    if (!slash)
        return;
    *slash = '\0';
    bool made = CreateDirectoryA(path, nullptr);
    if (!made) {
        CreateFolderPath(element, path);
        made = CreateDirectoryA(path, nullptr);
    }
    if (made) {
        RunLog("Folder: %s", path);
        HoldFolder(path);
    }
    if (element)
        EngineRecord(element, path);
    *slash = '\\';
}
