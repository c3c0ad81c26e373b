// bench.exe: times one full installation by Setup.exe against the floor of
// the same work, in one Wine session (tools/bench.sh runs it).
//
//   bench.exe SETUP.EXE FLOOR-FOLDER
//
// The floor: every payload stream of SETUP.EXE inflated in one go and
// written with one WriteFile as a new file below FLOOR-FOLDER, its
// sub-folders made on the way; five rounds before the installation and five
// after it, each into a folder of its own (creating a file costs more than
// overwriting one), of which the median counts: on a busy machine the best
// of a few short rounds would be luckier than the one long run it is
// compared with. The rounds run while nothing else in the Wine session
// works, as the installation does: the ones before it while the wizard waits
// on its last page (at the session's start Wine's own services are still
// starting), the ones after it once the setup has ended. One more round on
// each side does the same work with a pause of 50 ms before each file, not
// counted, as the installation pauses on each status line: the paced floor.
// After a pause, the Wine server, the processor and its caches start cold,
// and on this machine the same work then costs up to half as much again.
//
// The setup runs as the user would run it (English): its wizard is walked
// with the proposed choices as the scenarios walk it, except that the
// read-me and the game are not chosen: they would start after the success
// message, outside the time, but during the floor's last rounds. The
// installation, watched from outside every few milliseconds, runs from the
// press on Finish to the success message. Each status line holds the engine
// for 50 ms: one per payload file, and once the steps after the files show
// theirs, one per step (the same text may follow itself, so these are
// counted as the engine counts its steps). The different file lines seen are
// counted as a check. The last change of the status line is the first
// link's "Creating icons...": the other links show the same text, so the
// time from that change to the message holds the links with all but one of
// their pauses, the end of the run and the message. The figures go to
// standard output as "name value" lines.
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "driver.h"
#include "ids.h"
#include "product/manifest.h"
#include "setup_run.h"

namespace {

constexpr DWORD kStatusPauseMs = 50;
constexpr DWORD kRunLimitMs = 120000;
// Often enough to see every status line (each stays 50 ms), seldom enough
// not to slow the setup down through the shared wineserver.
constexpr DWORD kPollMs = 4;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool HasPayload(const ManifestEntry &entry)
{
    return entry.resourceId != 0 && (entry.flags & (ENTRY_EXTRACT | ENTRY_UNINSTALLER));
}

int FileCount()
{
    int files = 0;
    for (const ManifestEntry &entry : kInstallTable) {
        if (HasPayload(entry))
            files++;
    }
    return files;
}

// The steps after the files: the registry, every shortcut, the desktop icon.
int StepCount()
{
    int steps = 2;
    for (const ManifestEntry &entry : kInstallTable) {
        if (entry.flags & (ENTRY_SHORTCUT | ENTRY_EXTERNAL_TARGET))
            steps++;
    }
    return steps;
}

// Makes every missing folder of the folder part of path.
void MakeFolders(const std::string &path)
{
    for (size_t slash = path.find('\\', 3); slash != std::string::npos;
         slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
}

// One round of the floor into `folder`; its time (ms) goes to `ms`. With
// `paced`, each file follows a pause of 50 ms, as each file of the
// installation follows its status line; the pauses are not counted. False
// when a stream or a file fails.
bool WriteAllFiles(HMODULE setup, const std::string &folder, bool paced, uint64_t *bytes,
                   double *ms)
{
    *bytes = 0;
    *ms = 0;
    std::vector<unsigned char> buffer;
    for (const ManifestEntry &entry : kInstallTable) {
        if (!HasPayload(entry))
            continue;
        if (paced)
            Sleep(kStatusPauseMs);
        double start = Now();
        HRSRC resource = FindResourceA(setup, MAKEINTRESOURCEA(entry.resourceId), "QFILE");
        HGLOBAL loaded = resource ? LoadResource(setup, resource) : nullptr;
        const void *stream = loaded ? LockResource(loaded) : nullptr;
        if (!stream)
            return false;
        buffer.resize(entry.unpackedSize + 1);
        uLongf length = static_cast<uLongf>(buffer.size());
        if (uncompress(buffer.data(), &length, static_cast<const Bytef *>(stream),
                       SizeofResource(setup, resource)) != Z_OK)
            return false;
        std::string path = folder + "\\" + entry.name;
        MakeFolders(path);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        bool ok = WriteFile(file, buffer.data(), length, &written, nullptr) && written == length;
        CloseHandle(file);
        if (!ok)
            return false;
        *bytes += length;
        *ms += Now() - start;
    }
    return true;
}

// Five rounds and one paced round, each into a folder of its own; their
// times (ms) are added to `rounds` and `pacedRounds`. False when the work
// failed.
bool MeasureFloor(const std::string &setupPath, const std::string &folder, uint64_t *bytes,
                  std::vector<double> *rounds, std::vector<double> *pacedRounds)
{
    HMODULE setup = LoadLibraryExA(setupPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!setup)
        return false;
    bool ok = true;
    for (int round = 0; round < 6 && ok; round++) {
        bool paced = round == 5;
        double ms = 0;
        ok = WriteAllFiles(setup, folder + "\\" + std::to_string(round), paced, bytes, &ms);
        (paced ? pacedRounds : rounds)->push_back(ms);
    }
    FreeLibrary(setup);
    return ok;
}

HWND FindDialog(DWORD pid, bool progress)
{
    for (HWND window : driver::TopLevelWindows(pid)) {
        if (driver::ClassName(window) != "#32770")
            continue;
        bool hasBar = GetDlgItem(window, ids::kProgressBar) != nullptr;
        if (progress == hasBar)
            return window;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench.exe SETUP.EXE FLOOR-FOLDER\n");
        return 2;
    }
    std::string setupPath = driver::WindowsPath(argv[1]);
    std::string floorFolder = driver::WindowsPath(argv[2]);

    uint64_t bytes = 0;
    std::vector<double> floorRounds, pacedRounds;
    bool floorDone = false;

    SetEnvironmentVariableA("VELMO_SETUP", setupPath.c_str());
    driver::SetupProcess setup;
    double start = -1, lastChange = -1, end = -1;
    e2e::Choices choices;
    choices.readMe = false;
    choices.launch = false;
    choices.beforeFinish = [&] {
        floorDone = MeasureFloor(setupPath, floorFolder + "\\before", &bytes, &floorRounds,
                                 &pacedRounds);
        start = Now();
    };
    HWND progress = e2e::StartInstallation(setup, choices);
    if (start >= 0 && !floorDone) {
        std::fprintf(stderr, "bench: the floor's work failed\n");
        return 1;
    }
    if (!progress) {
        std::fprintf(stderr, "bench: the wizard did not lead to the installation\n");
        return 1;
    }
    HWND status = GetDlgItem(progress, ids::kProgressStatus);
    HWND box = nullptr;
    std::set<std::string> files;
    bool steps = false;
    std::string shown;
    int polls = 0;
    while (Now() - start < kRunLimitMs) {
        // One read into a buffer that holds any status line: a length asked
        // first could belong to the line before.
        char line[1024] = "";
        GetWindowTextA(status, line, sizeof line);
        std::string text = line;
        if (!text.empty() && text != shown) {
            shown = text;
            if (text.compare(0, 8, "Copying ") == 0)
                files.insert(text);
            else
                steps = true;
            lastChange = Now();
        }
        // Going through every top-level window asks the window server for
        // each of them, a load that would slow the watched setup down. The
        // message comes only after the progress window has gone; a look now
        // and then is the safety net.
        if (!IsWindow(progress) || ++polls % 25 == 0)
            box = FindDialog(setup.Id(), false);
        if (box) {
            end = Now();
            break;
        }
        Sleep(kPollMs);
    }
    if (!box) {
        std::fprintf(stderr, "bench: no message within %lu s\n", kRunLimitMs / 1000);
        return 1;
    }
    std::string message = driver::MessageBoxText(box);
    driver::Click(box, IDOK);
    setup.WaitForExit(30000, nullptr);
    if (!MeasureFloor(setupPath, floorFolder + "\\after", &bytes, &floorRounds, &pacedRounds)) {
        std::fprintf(stderr, "bench: the floor's work failed\n");
        return 1;
    }
    std::sort(floorRounds.begin(), floorRounds.end());
    double floor = floorRounds[floorRounds.size() / 2];
    if (message.find("successfully") == std::string::npos) {
        std::fprintf(stderr, "bench: the run ended with \"%s\"\n", message.c_str());
        return 1;
    }

    for (const std::string &line : files) {
        bool known = false;
        for (const ManifestEntry &entry : kInstallTable)
            known = known || (HasPayload(entry) && line == "Copying " + std::string(entry.name) + "...");
        if (!known)
            std::fprintf(stderr, "bench: status line of no payload file: \"%s\"\n", line.c_str());
    }
    int statuses = FileCount() + (steps ? StepCount() : 0);
    std::printf("files %d\n", FileCount());
    std::printf("files_seen %d\n", static_cast<int>(files.size()));
    std::printf("status_lines %d\n", statuses);
    std::printf("bytes %llu\n", static_cast<unsigned long long>(bytes));
    std::printf("engine_ms %.0f\n", end - start);
    std::printf("pauses_ms %lu\n", statuses * kStatusPauseMs);
    std::printf("rest_ms %.0f\n", end - start - statuses * kStatusPauseMs);
    std::printf("floor_ms %.0f\n", floor);
    std::printf("floor_paced_ms %.0f\n", (pacedRounds[0] + pacedRounds[1]) / 2);
    std::printf("after_last_change_ms %.0f\n", end - lastChange);
    return 0;
}
