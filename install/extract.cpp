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

    // The file and the folders on its way are named in the record on disk
    // before they exist; the record lives in `folder`, which therefore
    // comes first.
    if (record) {
        EngineAheadFolders(path);
        EngineAhead("FOLDER", folder);
        EngineAhead("FILE", path);
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
    FILE *file = OpenInPlace(folder, entry.name, path, again);
    // A file refused for leading elsewhere is not tried again: the folders
    // on its way stand, and a second look would only refuse it once more.
    if (!file && GetLastError() != ERROR_CANT_ACCESS_FILE) {
        CreateFolderPath("FOLDER", path);
        file = OpenInPlace(folder, entry.name, path, false);
    }
    if (!file)
        return ReportError(owner, "$0333", path);

    if (record) {
        EngineRecord("FOLDER", folder);
        EngineRecord("FILE", path);
    }

    // A missing or short resource gives no input, which the inflater
    // reports as a decompression error.
    uint32_t size = 0;
    const unsigned char *stream = OpenPayload(entry, &size);
    EngineChunkSink sink(owner);
    if (!InflateIntoFile(stream, size, file, sink))
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
