// Roll-back of the uninstall record through the file system and the registry.
#include <windows.h>

#include "install/in_place.h"
#include "install/record.h"
#include "install/registry.h"
#include "product/registry_keys.h"

namespace {

class SystemRollback : public RollbackTarget {
public:
    void RemoveFile(const char *path) override
    {
        if (path)
            DeleteFileA(path);
    }
    // The files went first: the folder is let go of only to be removed.
    void RemoveFolder(const char *path) override
    {
        if (path) {
            LetGoOfFolder(path);
            RemoveDirectoryA(path);
        }
    }
    // A key that an earlier installation made is given back its values,
    // so that the cancel does not cut that installation off the system.
    void RemoveAppKey(const char *name) override
    {
        if (name)
            RestoreProductKey(kAppPathsKey, name);
    }
    // The run made the product's Uninstall entry; left behind, the list of
    // installed programs would offer an uninstaller that is gone.
    void RemoveUninstallKey(const char *name) override
    {
        if (name)
            RestoreProductKey(kUninstallKey, name);
    }
};

}  // namespace

void Log::Rollback()
{
    SystemRollback system;
    Rollback(system);
}
