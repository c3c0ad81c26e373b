// The clean-up of a version-2 installation through the file system and the
// registry.
#include "install/cleanup.h"

#include <windows.h>

#include <cstring>

#include "base/holders.h"
#include "base/text.h"
#include "install/cleanup_steps.h"
#include "install/engine.h"
#include "product/config.h"
#include "product/manifest.h"
#include "product/registry_keys.h"
#include "state/state.h"

namespace {

class SystemCleanUp : public CleanUpTarget {
public:
    void RemoveFile(const char *path) override { DeleteFileA(path); }
    // A target that exists already keeps the old file under its name.
    void Rename(const char *from, const char *to) override { MoveFileA(from, to); }
    void RemoveFolder(const char *path) override { RemoveDirectoryA(path); }
    bool AnyProductRegistered(const char *const *products) override
    {
        RegKey uninstall;
        if (uninstall.Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_ALL_ACCESS) != ERROR_SUCCESS)
            return false;
        // Every name of the list is tried.
        bool registered = false;
        for (const char *const *product = products; *product; product++) {
            RegKey key;
            if (key.Open(uninstall.get(), *product, KEY_ALL_ACCESS) == ERROR_SUCCESS)
                registered = true;
        }
        return registered;
    }
};

}  // namespace

void ApplyCleanUpTable()
{
    if (!g_engine.record)
        return;
    CleanUpPlace place = {g_state.installedFolder, g_state.destination,
                          g_state.installedVersionMs, kSetupConfig.commonFolder,
                          kSetupConfig.otherProducts};
    // The product data file that the clean-up writes is named before.
    char data[sizeof g_state.destination + 32];
    if (JoinPath(data, sizeof data - 4, g_state.destination, kSetupConfig.productDataFile)) {
        EngineAhead("FILE", data);
        std::strcat(data, ".new");
        EngineAhead("FILE", data);
    }
    // What the clean-up deletes cannot come back: without a record on disk
    // that names what it writes, it does nothing, and the first step that
    // makes something reports the record.
    EngineKeep();
    if (!EngineKept())
        return;
    SystemCleanUp system;
    ApplyCleanUpTable(kCleanUpTable, kCleanUpCount, place, *g_engine.record, system);
}
