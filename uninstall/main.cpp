// Uninstall.exe: removes what the setup's record names, after asking, with
// a progress window and a final message; "/S" does it without a word.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "base/format.h"
#include "base/holders.h"
#include "base/libraries.h"
#include "base/runlog.h"
#include "base/text.h"
#include "product/config.h"
#include "product/run_lock.h"
#include "uninstall/arguments.h"
#include "uninstall/finish.h"
#include "uninstall/leftovers.h"
#include "uninstall/removal.h"
#include "uninstall/rules.h"
#include "uninstall/texts.h"
#include "uninstall/uninstall_ids.h"
#include "xml/vxml.h"

namespace {

const char kRecordName[] = "Uninstall.dat";

// How long the copy that ends a removal waits for the original to end.
constexpr DWORD kFinishWaitMs = 60000;

void Message(const char *text, UINT icon)
{
    MessageBoxA(nullptr, text, Text(IDS_CAPTION), MB_OK | icon);
}

// Pumps what is queued for the window, so that it paints while the removal
// goes on.
void Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

INT_PTR CALLBACK ProgressProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The progress window: what is removed now and a bar over all steps. It
// repaints after at least 50 ms of removal, so that a long record is not
// slowed down by its display.
class ProgressWindow : public RemovalView {
public:
    explicit ProgressWindow(HINSTANCE instance)
        : window_(CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_UNINSTALL_PROGRESS), nullptr,
                                     ProgressProc, 0))
    {
        if (!window_)
            return;
        SetWindowTextA(window_, Text(IDS_CAPTION));
        ShowWindow(window_, SW_SHOW);
        Pump();
    }
    ~ProgressWindow() override
    {
        if (window_)
            DestroyWindow(window_);
    }
    ProgressWindow(const ProgressWindow &) = delete;
    ProgressWindow &operator=(const ProgressWindow &) = delete;

    void Step(int done, int total, const char *item) override
    {
        DWORD now = GetTickCount();
        if (!window_ || (done < total && now - shown_ < pause_))
            return;
        char status[MAX_PATH + 100];
        if (item)
            FormatText(status, sizeof status, Text(IDS_REMOVING), item);
        SetDlgItemTextA(window_, IDC_UNINSTALL_STATUS, item ? status : Text(IDS_REGISTRY));
        HWND bar = GetDlgItem(window_, IDC_UNINSTALL_BAR);
        SendMessageA(bar, PBM_SETRANGE32, 0, total);
        SendMessageA(bar, PBM_SETPOS, done, 0);
        Pump();
        // Where painting is slow (a remote or emulated display) it could
        // take more time than the removal: the removal goes on at least as
        // long as the last paint took before the next one.
        shown_ = GetTickCount();
        pause_ = shown_ - now > 50 ? shown_ - now : 50;
    }

private:
    HWND window_;
    DWORD shown_ = 0;
    DWORD pause_ = 50;
};

// True when the folder holds nothing but the program.
bool HoldsOnly(const char *folder, const char *program)
{
    char pattern[MAX_PATH + 4];
    FormatText(pattern, sizeof pattern, "%s\\*", folder);
    const char *programName = std::strrchr(program, '\\') + 1;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    bool only = true;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0 &&
            lstrcmpiA(found.cFileName, programName) != 0)
            only = false;
    } while (only && FindNextFileA(search, &found));
    FindClose(search);
    return only;
}

// The Start-menu and desktop folders of the user and of all users.
struct SystemPlaces {
    char startMenus[2][MAX_PATH];
    char desktops[2][MAX_PATH];

    void Fill(Places &places)
    {
        const int kinds[4] = {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_DESKTOPDIRECTORY,
                              CSIDL_COMMON_DESKTOPDIRECTORY};
        char *paths[4] = {startMenus[0], startMenus[1], desktops[0], desktops[1]};
        const char **slots[4] = {&places.startMenus[0], &places.startMenus[1],
                                 &places.desktops[0], &places.desktops[1]};
        for (int i = 0; i < 4; ++i)
            *slots[i] = SHGetSpecialFolderPathA(nullptr, paths[i], kinds[i], FALSE) ? paths[i]
                                                                                    : nullptr;
    }
};

// Checks that the record exists and can be read and loads it. Shows why
// not (unless quiet) and returns false when it is no record of this product.
bool LoadRecord(const char *path, Vxml &record, bool quiet)
{
    int problem = 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    DWORD attributes = GetFileAttributesExA(path, GetFileExInfoStandard, &data)
                           ? data.dwFileAttributes
                           : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES && IsGone(GetLastError())) {
        problem = IDS_NO_RECORD;
    } else if (attributes != INVALID_FILE_ATTRIBUTES &&
               (data.nFileSizeHigh || data.nFileSizeLow > static_cast<DWORD>(kMaxRecordSize))) {
        problem = IDS_LARGE_RECORD;
    } else {
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            problem = IDS_BAD_RECORD;
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (!problem) {
            record.Load(path);
            if (!IsProductRecord(record))
                problem = IDS_BAD_RECORD;
        }
    }
    if (problem)
        RunLog("Error: the record %s is %s", path,
               problem == IDS_NO_RECORD ? "missing" : "damaged or not this product's");
    if (problem && !quiet) {
        char text[2 * MAX_PATH + 200];
        FormatText(text, sizeof text, Text(problem), path);
        Message(text, MB_ICONERROR);
    }
    return problem == 0;
}

// What stayed, under the heading of each kind; a heap text for std::free,
// nullptr when memory is short.
char *LeftoverList(const Leftovers &leftovers)
{
    const char *headings[Leftovers::kKinds] = {
        Text(IDS_LEFT_FILES), Text(IDS_LEFT_LOCKED),  Text(IDS_LEFT_FOLDERS),
        Text(IDS_LEFT_KEYS),  Text(IDS_LEFT_FOREIGN), Text(IDS_REFUSED)};
    return leftovers.Text(headings, Text(IDS_MORE));
}

void ShowOutcome(const Leftovers &leftovers)
{
    if (leftovers.Total() == 0) {
        Message(Text(IDS_DONE), MB_ICONINFORMATION);
        return;
    }
    char *list = LeftoverList(leftovers);
    size_t size = std::strlen(Text(IDS_PARTLY)) + (list ? std::strlen(list) : 0) + 3;
    char *text = static_cast<char *>(std::malloc(size));
    if (text)
        FormatText(text, size, "%s\n\n%s", Text(IDS_PARTLY), list ? list : "");
    Message(text ? text : Text(IDS_PARTLY), MB_ICONWARNING);
    std::free(text);
    std::free(list);
}

int Uninstall(HINSTANCE instance, bool quiet)
{
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program)
        return kNothingRemoved;
    // Started through a short name ("C:\PROGRA~1\..."), the program would
    // find none of the record's long paths inside its folder.
    char longName[MAX_PATH];
    length = GetLongPathNameA(program, longName, sizeof longName);
    if (length > 0 && length < sizeof longName)
        CopyText(program, sizeof program, longName);
    char folder[MAX_PATH], recordPath[MAX_PATH + sizeof kRecordName];
    CopyText(folder, sizeof folder, program);
    CutAtLastBackslash(folder);
    JoinPath(recordPath, sizeof recordPath, folder, kRecordName);

    RunLog("Record: %s", recordPath);
    Vxml record("UNINSTALL");
    if (!LoadRecord(recordPath, record, quiet))
        return kNothingRemoved;
    if (!quiet && MessageBoxA(nullptr, Text(IDS_CONFIRM), Text(IDS_CAPTION),
                              MB_YESNO | MB_ICONQUESTION) != IDYES) {
        RunLog("The user declined");
        return kDeclined;
    }

    Places places;
    places.destination = folder;
    SystemPlaces system;
    system.Fill(places);
    Leftovers leftovers;
    {
        // The common controls by their full path: the uninstaller runs from
        // the installation folder, where the loader would look first.
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        auto initialize = LibraryFunction<decltype(&InitCommonControlsEx)>(
            LoadSystemLibrary("comctl32.dll"), "InitCommonControlsEx");
        if (initialize)
            initialize(&controls);
        ProgressWindow *window = quiet ? nullptr : new ProgressWindow(instance);
        // The system holds the current folder without sharing its deletion:
        // started from the game's folder, the removal could not delete it.
        char systemFolder[MAX_PATH];
        UINT length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
        if (length > 0 && length < sizeof systemFolder)
            SetCurrentDirectoryA(systemFolder);
        Removal removal(record, places, program, recordPath, leftovers, window);
        removal.Run();

        // Last the record and, after this process, the program and its folder.
        removal.RemoveRecord();
        bool emptyFolder = HoldsOnly(folder, program);
        if (removal.RemovesOwnFolder() && !emptyFolder)
            leftovers.Add(Leftovers::Folder, folder);
        bool removeFolder = removal.RemovesOwnFolder() && emptyFolder;
        HANDLE programHandle, folderHandle;
        if (!removal.OpenForFinish(removeFolder, programHandle, folderHandle) ||
            !StartFinishRun(program, removeFolder, programHandle, folderHandle))
            leftovers.Add(Leftovers::File, program);
        delete window;
    }
    if (leftovers.Total() > 0) {
        char *list = LeftoverList(leftovers);
        RunLog("Left: %s", list ? list : "");
        std::free(list);
    }
    if (!quiet)
        ShowOutcome(leftovers);
    return leftovers.Failed() == 0 ? kRemoved : kLeftSome;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    UninstallArguments arguments = ParseArguments(commandLine);
    // One setup or uninstall at a time, system-wide. The copy that ends a
    // removal gets it once the original has ended; a setup that came first
    // keeps the original's program.
    NamedMutex run;
    if (!run.Acquire(kRunMutexName, arguments.finish ? kFinishWaitMs : 0)) {
        if (arguments.finish)
            return 1;
        LoadTexts();
        if (!arguments.quiet)
            Message(Text(IDS_BUSY), MB_ICONWARNING);
        return kBusy;
    }
    if (arguments.finish)
        return FinishRun(arguments);
    LoadTexts();
    // A run that asked for a log and cannot have one removes nothing.
    if (arguments.log[0] && !OpenRunLog(arguments.log)) {
        if (!arguments.quiet) {
            char text[400];
            FormatText(text, sizeof text, Text(IDS_NO_LOG), arguments.log);
            Message(text, MB_ICONERROR);
        }
        return kNothingRemoved;
    }
    RunLog("Uninstall started; command line: %s", commandLine);
    int code = Uninstall(instance, arguments.quiet);
    RunLog("End: exit code %d", code);
    CloseRunLog();
    return code;
}
