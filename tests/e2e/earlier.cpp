// Earlier installations of the game for the scenarios.
#include "earlier.h"

#include <gtest/gtest.h>

#include "product/manifest.h"

using namespace install_e2e;

namespace earlier {

std::string In(const std::string &folder, const std::string &name)
{
    return folder + "\\" + name;
}

std::string SharedUninstaller()
{
    return std::string(kCommon) + "\\Uninstall\\Uninstall.exe";
}

std::string OldContent(const char *name)
{
    return std::string("old ") + name;
}

bool MakeFolders(const std::string &path)
{
    for (size_t slash = path.find('\\', 3); ; slash = path.find('\\', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

void WriteOldFile(const std::string &path, const std::string &content)
{
    ASSERT_TRUE(MakeFolders(path.substr(0, path.rfind('\\')))) << path;
    ASSERT_TRUE(WriteWholeFile(path, content)) << path;
}

void SetRegistryText(const char *key, const char *name, const std::string &value)
{
    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &handle, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)));
    RegCloseKey(handle);
}

void PlaceEarlierVersion(const char *version, const std::string &folder)
{
    std::string program = driver::WindowsPath(driver::Env("VELMO_EARLIER_PROGRAMS")) +
                          "\\Velmo-" + version + ".exe";
    ASSERT_TRUE(MakeFolders(folder));
    ASSERT_TRUE(CopyFileA(program.c_str(), In(folder, "Velmo.exe").c_str(), FALSE))
        << "cannot copy " << program;
    SetRegistryText(kAppPaths, nullptr, In(folder, "Velmo.exe"));
}

void PlaceVersion2Files(const std::string &folder, bool keepRecord)
{
    for (int i = 0; i < kCleanUpCount; ++i) {
        const ManifestEntry &entry = kCleanUpTable[i];
        if (keepRecord && std::string(entry.name) == "Uninstall.dat")
            continue;
        if (entry.flags == CLEANUP_DELETE || entry.flags == CLEANUP_RENAME)
            WriteOldFile(In(folder, entry.name), OldContent(entry.name));
        else if (entry.flags == CLEANUP_SHARED_UNINSTALLER)
            WriteOldFile(SharedUninstaller(), "old shared uninstaller");
    }
}

Elements OldRecord(const std::string &folder)
{
    return {{"APPNAME", "Velmo"},
            {"FILE", In(folder, "Deal.wav")},
            {"FILE", In(folder, "VELMO.EXE")},
            {"FOLDER", folder},
            {"FOLDER", In(folder, "Cardsets")},
            {"SHORTCUT", "C:\\Velmo.lnk"},
            {"CLASSKEY", "Velmo.Game"},
            {"UNINSTKEY", "Velmo"}};
}

}  // namespace earlier
