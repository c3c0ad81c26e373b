// Extraction of payload entries into files.
#include "install/extract.h"

#include <cstdio>
#include <cstring>

#include "base/format.h"
#include "base/runlog.h"
#include "base/text.h"
#include "install/engine.h"
#include "install/progress.h"
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
    if (!g_engine.progress)
        return;
    char status[1024];
    FormatText(status, sizeof status, ResolveText("$0312"), name);
    g_engine.progress->SetStatus(status);
}

}  // namespace

bool ExtractEntry(HWND owner, const char *folder, int index, bool record)
{
    const ManifestEntry &entry = kInstallTable[index];
    ShowStatus(entry.name);

    char path[1024];
    // A path beyond the buffer cannot be opened as it stands: opening the
    // cut text could hit another file.
    if (!JoinPath(path, sizeof path, folder, entry.name))
        return ReportError(owner, "$0333", path);

    FILE *file = std::fopen(path, "wb");
    if (!file) {
        CreateFolderPath("FOLDER", path);
        file = std::fopen(path, "wb");
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
    if (made)
        RunLog("Folder: %s", path);
    if (element)
        EngineRecord(element, path);
    *slash = '\\';
}
