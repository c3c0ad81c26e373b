// Roll-back of the uninstall record through the file system and the registry.
#include <windows.h>

#include "install/record.h"
#include "product/registry_keys.h"

namespace {

// Deletes `name` below the given key of HKEY_LOCAL_MACHINE, if that key opens.
void DeleteSubKey(const char *parent, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(key, name);
    RegCloseKey(key);
}

class SystemRollback : public RollbackTarget {
public:
    void RemoveFile(const char *path) override
    {
        if (path)
            DeleteFileA(path);
    }
    void RemoveFolder(const char *path) override
    {
        if (path)
            RemoveDirectoryA(path);
    }
    void RemoveAppKey(const char *name) override
    {
        if (name)
            DeleteSubKey(kAppPathsKey, name);
    }
    // The run made the product's Uninstall entry; left behind, the list of
    // installed programs would offer an uninstaller that is gone.
    void RemoveUninstallKey(const char *name) override
    {
        if (name)
            DeleteSubKey(kUninstallKey, name);
    }
};

}  // namespace

void Log::Rollback()
{
    SystemRollback system;
    Rollback(system);
}
