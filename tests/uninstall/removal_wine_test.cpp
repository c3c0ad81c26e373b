// The removal on a real disk under Wine: what the gate approved is deleted
// through the handle of what the system reached, so that a folder replaced
// by a link after the gate looked leads nowhere. The test machine
// (removal_links.sh) has such links; the gate here looks at a disk that
// does not show them, as the gate saw the disk before they were made. The
// finish run, too, deletes only through the handles it was handed.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "base/format.h"
#include "uninstall/arguments.h"
#include "uninstall/finish.h"
#include "uninstall/leftovers.h"
#include "uninstall/removal.h"
#include "xml/vxml.h"

namespace {

// The disk before the swap: names ending in ".txt" are files, everything
// else a folder, and nothing a link.
class DiskBeforeTheSwap : public DiskView {
public:
    Kind Look(const char16_t *path) override
    {
        size_t length = 0;
        while (path[length])
            ++length;
        return length > 4 && path[length - 4] == u'.' ? File : Folder;
    }
};

bool Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

TEST(Removal, deletes_through_what_the_system_reached_below_the_installation)
{
    ASSERT_TRUE(Exists("C:\\Outside\\Sub\\victim.txt")) << "the test machine is not prepared";
    // A file of the installation that another program holds open, not
    // sharing its deletion.
    HANDLE held = CreateFileA("C:\\Place\\Real\\held.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);

    // The App Paths entry of a program in the installation, with a value far
    // longer than any path.
    const char kAppKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Place.exe";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppKey, 0, nullptr, 0,
                                             KEY_WRITE, nullptr, &key, nullptr));
    const char program[] = "C:\\Place\\Real\\Place.exe";
    std::vector<BYTE> huge(300000, 'x');
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(program),
                   sizeof program);
    RegSetValueExA(key, "Notes", 0, REG_BINARY, huge.data(), static_cast<DWORD>(huge.size()));
    RegCloseKey(key);

    Vxml record("UNINSTALL");
    const char *const elements[][2] = {
        {"FILE", "C:\\Place\\Uninstall.dat"},
        {"FILE", "C:\\Place\\Swapped\\Sub\\victim.txt"},
        {"FILE", "C:\\Place\\Other\\victim.txt"},
        {"FILE", "C:\\Place\\Real\\a.txt"},
        {"FILE", "C:\\Place\\Real\\held.txt"},
        {"FOLDER", "C:\\Place\\Real"},
        {"FOLDER", "C:\\Place\\Real\\Full"},
        {"FOLDER", "C:\\Place\\Real\\Empty"},
        {"FOLDER", "C:\\Place\\Swapped\\Empty"},
        {"FOLDER", "C:\\Place\\Real\\kept.txt"},
        {"APPKEY", "Place.exe"},
    };
    for (const auto &element : elements)
        record.AddChild(new Vxml(element[0]))->SetText(element[1]);
    Places places;
    places.destination = "C:\\Place";
    Leftovers leftovers;
    DiskBeforeTheSwap disk;
    Removal removal(record, places, "C:\\Place\\Uninstall.exe", "C:\\Place\\Uninstall.dat",
                    leftovers, nullptr, &disk);
    removal.Run();
    CloseHandle(held);
    // The record goes last of all, after the keys.
    EXPECT_TRUE(Exists("C:\\Place\\Uninstall.dat"));
    removal.RemoveRecord();
    EXPECT_FALSE(Exists("C:\\Place\\Uninstall.dat"));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppKey, 0, KEY_READ, &key));

    // Nothing behind the links is touched, not even at the same place on
    // another drive, and each is named as refused.
    EXPECT_TRUE(Exists("C:\\Outside\\Sub\\victim.txt"));
    EXPECT_TRUE(Exists("C:\\Outside\\Empty"));
    EXPECT_TRUE(Exists("D:\\Place\\Other\\victim.txt"));
    EXPECT_EQ(3, leftovers.Count(Leftovers::Refused));
    // The installation's own: the file and the empty folder go, the file in
    // use and the folders that still hold something stay, each as such.
    EXPECT_FALSE(Exists("C:\\Place\\Real\\a.txt"));
    EXPECT_FALSE(Exists("C:\\Place\\Real\\Empty"));
    EXPECT_TRUE(Exists("C:\\Place\\Real\\held.txt"));
    EXPECT_EQ(1, leftovers.Count(Leftovers::File));
    EXPECT_TRUE(Exists("C:\\Place\\Real\\Full\\user.txt"));
    EXPECT_EQ(2, leftovers.Count(Leftovers::Folder));
    // A folder element that names a file removes nothing.
    EXPECT_TRUE(Exists("C:\\Place\\Real\\kept.txt"));
    EXPECT_EQ(1, leftovers.Count(Leftovers::Locked));
}

bool WriteText(const char *path, const char *text)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
    return ok;
}

// The copy that ends a removal deletes the program and the folder that the
// original opened, not what somebody put at their paths since.
TEST(FinishRun, deletes_what_it_was_handed_not_what_took_its_place)
{
    ASSERT_TRUE(CreateDirectoryA("C:\\Finish", nullptr));
    ASSERT_TRUE(WriteText("C:\\Finish\\Uninstall.exe", "the uninstaller"));
    HANDLE file = CreateFileA("C:\\Finish\\Uninstall.exe", DELETE, 7, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    HANDLE folder = CreateFileA("C:\\Finish", DELETE, 7, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    ASSERT_NE(INVALID_HANDLE_VALUE, folder);
    ASSERT_TRUE(MoveFileA("C:\\Finish", "C:\\Moved"));
    ASSERT_TRUE(CreateDirectoryA("C:\\Finish", nullptr));
    ASSERT_TRUE(WriteText("C:\\Finish\\Uninstall.exe", "another program"));
    // The original has ended.
    HANDLE ended = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    char commandLine[200];
    FormatText(commandLine, sizeof commandLine, "/FINISH %lu 1 %lu %lu \"C:\\Finish\\Uninstall.exe\"",
               static_cast<unsigned long>(reinterpret_cast<uintptr_t>(ended)),
               static_cast<unsigned long>(reinterpret_cast<uintptr_t>(file)),
               static_cast<unsigned long>(reinterpret_cast<uintptr_t>(folder)));
    UninstallArguments arguments = ParseArguments(commandLine);
    ASSERT_TRUE(arguments.finish);
    EXPECT_EQ(0, FinishRun(arguments));
    // Windows deletes the moved program and folder; Wine deletes an open
    // file under the name it was opened by, and only while that name still
    // leads to it, so there they stay. Either way the new ones stay.
    EXPECT_TRUE(Exists("C:\\Finish\\Uninstall.exe"));
}

}  // namespace
