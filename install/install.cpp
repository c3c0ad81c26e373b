// The installation driver: the steps of a run in their order, the end of
// the run and what follows a successful one.
#include "install/install.h"

#include <shellapi.h>

#include <cstring>

#include "base/holders.h"
#include "base/runlog.h"
#include "base/text.h"
#include "install/cleanup.h"
#include "install/cleanup_steps.h"
#include "install/engine.h"
#include "install/extract.h"
#include "install/in_place.h"
#include "install/progress.h"
#include "install/progress_bar.h"
#include "install/record.h"
#include "install/registry.h"
#include "install/report.h"
#include "install/shortcuts.h"
#include "product/config.h"
#include "product/manifest.h"
#include "product/queries.h"
#include "state/state.h"

Engine g_engine;

void EngineStatus(const char *text)
{
    if (g_engine.progress)
        g_engine.progress->SetStatus(text);
    else
        EngineKeep();
}

void EngineAdvanceStep()
{
    if (g_engine.progress)
        g_engine.progress->AdvanceStep();
}

void EngineRecord(const char *element, const char *text)
{
    if (g_engine.record)
        g_engine.record->Add(element, text);
}

void EngineAhead(const char *element, const char *text)
{
    if (g_engine.record)
        g_engine.record->AddAhead(element, text);
}

namespace {

// The folders on the way to `folder`, outer first, that do not exist yet.
void AheadFolders(char *folder)
{
    char *slash = std::strrchr(folder, '\\');
    if (!slash)
        return;
    *slash = '\0';
    if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) {
        AheadFolders(folder);
        EngineAhead("FOLDER", folder);
    }
    *slash = '\\';
}

}  // namespace

void EngineAheadFolders(const char *path)
{
    // Files come folder by folder: the folders of the last file's path were
    // named or found already, and a folder once there stays.
    static char last[1024];
    char folder[1024];
    if (!CopyText(folder, sizeof folder, path))
        return;
    char *slash = std::strrchr(folder, '\\');
    if (!slash)
        return;
    *slash = '\0';
    if (std::strcmp(folder, last) == 0)
        return;
    std::strcpy(last, folder);
    // The outermost missing folder is found first and named first.
    *slash = '\\';
    AheadFolders(folder);
}

void EngineKeep()
{
    if (g_engine.record)
        g_engine.kept = g_engine.record->Keep();
}

bool EngineKept()
{
    return g_engine.kept;
}

namespace {

// A pass goes on only while every step so far succeeded and the user has
// not cancelled; the test comes before each entry.
bool MayContinue(bool ok)
{
    return ok && !g_state.cancelled;
}

// Byte total (the files written) and step total (what follows them: the
// shortcuts, the desktop icon, the registry) of the progress bar.
void SizeProgress(Progress &progress)
{
    int32_t bytes = 0;
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_EXTRACT | ENTRY_UNINSTALLER,
                 [&](int, const ManifestEntry &entry) {
                     bytes = AddCount(bytes, static_cast<int32_t>(entry.unpackedSize));
                 });
    int32_t steps = 1;  // the registry
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_SHORTCUT | ENTRY_EXTERNAL_TARGET,
                 [&](int, const ManifestEntry &) { ++steps; });
    if (g_state.desktopIcon)
        ++steps;
    progress.bytesTotal = bytes;
    progress.stepsTotal = steps;
}

// Names in the record, ahead of the run, everything that the passes will
// make: the files and the folders on their way, the two keys and the links.
// The first status line's pause writes it all at once; later steps then
// add what is on disk already and cause no further write.
void NameRunAhead()
{
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_EXTRACT | ENTRY_UNINSTALLER,
                 [&](int, const ManifestEntry &entry) {
                     char path[1024];
                     if (!JoinPath(path, sizeof path, g_state.destination, entry.name))
                         return;
                     EngineAheadFolders(path);
                     EngineAhead("FOLDER", g_state.destination);
                     EngineAhead("FILE", path);
                 });
    EngineAhead("UNINSTKEY", kSetupConfig.productName);
    EngineAhead("APPKEY", kSetupConfig.mainExecutable);
    NameShortcutsAhead();
}

// Pass 1: every payload file.
bool ExtractFiles(HWND owner, bool ok)
{
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_EXTRACT, [&](int index, const ManifestEntry &) {
        if (MayContinue(ok))
            ok = ExtractEntry(owner, g_state.destination, index, true);
    });
    return ok;
}

// Pass 2: the uninstaller and its entry in the system's list of installed
// programs.
bool InstallUninstallers(HWND owner, bool ok)
{
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_UNINSTALLER,
                 [&](int index, const ManifestEntry &) {
                     if (MayContinue(ok))
                         ok = InstallUninstaller(owner, index);
                 });
    return ok;
}

// Before the first file: the uninstaller and its entry, so that a run ended
// among the files leaves a registered uninstaller. Nothing of it shows: no
// status line, no move of the bar, no message; pass 2 makes both again in
// their place and reports a failure as ever.
void StageUninstaller(HWND owner)
{
    // Without the progress window in its slot the steps keep the record at
    // once instead of in a status line's pause, and move no bar.
    Progress *progress = g_engine.progress;
    g_engine.progress = nullptr;
    g_engine.record->staging = true;
    g_engine.staged = InstallUninstallers(owner, true);
    if (!g_engine.staged)
        RunLog("The uninstaller waits for its place");
    g_engine.record->staging = false;
    g_engine.progress = progress;
}

// Pass 3: files and patterns that only the uninstaller deals with; a file
// entry wins over a pattern. The run makes none of them but the product
// data file of a clean-up (`cleanedUp`): a cancel leaves the settings and
// scores of an earlier installation, and its record, where they are.
void RecordLaterFiles(Log &record, bool ok, bool cleanedUp)
{
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_REMOVE_FILE | ENTRY_REMOVE_PATTERN,
                 [&](int, const ManifestEntry &entry) {
                     if (!MayContinue(ok))
                         return;
                     const char *element =
                         (entry.flags & ENTRY_REMOVE_FILE) ? "FILE" : "FILEPATTERN";
                     bool made =
                         cleanedUp && EqualNoCaseAnsi(entry.name, kSetupConfig.productDataFile);
                     record.AddPath(element, g_state.destination, entry.name, made);
                 });
}

// Pass 4: the program group's links, then the desktop's if the user chose it.
bool CreateShortcuts(HWND owner, bool ok)
{
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_SHORTCUT, [&](int index, const ManifestEntry &) {
        if (MayContinue(ok))
            ok = CreateGroupShortcut(owner, index);
    });
    if (g_state.desktopIcon && MayContinue(ok))
        ok = CreateDesktopShortcut(owner);
    return ok;
}

// Opens destination folder + "\" + `name` with the shell, in that folder.
// A path too long for the buffer is not opened: its cut text names another
// file. Failures are ignored.
void OpenInDestination(const char *name)
{
    char path[260];
    if (!JoinPath(path, sizeof path, g_state.destination, name))
        return;
    ShellExecuteA(nullptr, "open", path, nullptr, g_state.destination, SW_SHOWNORMAL);
}

void OpenReadMe()
{
    OpenInDestination(kInstallTable[g_state.readMeRow].name);
}

void LaunchProduct()
{
    OpenInDestination(kSetupConfig.mainExecutable);
}

// The steps of a run and the end of its record, within one COM
// initialisation that ends before the success message. Returns the run's
// result; the failure has been reported.
bool RunSteps(HWND owner)
{
    ComInit com;
    if (!com.ok())
        return ReportError(owner, "Failed to initialize with OLE");

    EngineObject<Progress> progress(g_engine.progress, owner);
    EngineObject<Log> record(g_engine.record, g_state.destination);
    // The record on disk is kept up to date in the pause of each status
    // line, ahead of what the step then makes.
    progress->pauseWork = EngineKeep;
    g_engine.kept = true;
    NameRunAhead();
    record->Add("APPNAME", kSetupConfig.productName);
    SizeProgress(*progress);

    // A version-2 installation in the same folder is tidied before any new
    // file arrives; the clean-up cannot stop the run.
    bool cleanedUp = CleanUpApplies(g_state.earlierInstalled, g_state.installedVersionMs,
                                    g_state.installedFolder, g_state.destination);
    if (cleanedUp)
        ApplyCleanUpTable();

    StageUninstaller(owner);
    bool ok = true;
    ok = ExtractFiles(owner, ok);
    ok = InstallUninstallers(owner, ok);
    RecordLaterFiles(*record, ok, cleanedUp);
    if (MayContinue(ok))
        ok = RegisterAppPath(owner);
    ok = CreateShortcuts(owner, ok);

    progress.Reset();
    // A failure keeps what was done and lists it for the uninstaller; only
    // a cancel undoes the run. A record that does not reach the disk leaves
    // the uninstaller nothing to remove: a run that went well so far fails
    // with it.
    if (g_state.cancelled) {
        record->Rollback();
        RunLog("Rolled back what this run made");
    }
    else if (!record->Commit() && ok)
        ok = ReportError(owner, "$0333", record->RecordPath());
    record.Reset();
    LetGoOfFolders();
    return ok;
}

}  // namespace

bool RunInstallation(HWND owner)
{
    bool ok = RunSteps(owner);
    if (!ok || g_state.cancelled)
        return ok;
    RunLog("Message: %s", ResolveText("$0260"));
    if (g_state.quiet == QuietMode::None)
        MessageBoxA(nullptr, ResolveText("$0260"), ResolveText("$0010"), MB_OK);
    if (g_state.readMe && g_state.readMeRow >= 0)
        OpenReadMe();
    if (g_state.launch)
        LaunchProduct();
    return ok;
}
