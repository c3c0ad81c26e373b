// The walk over the files that a run changes.
#include "install/touched.h"

#include "base/text.h"
#include "install/cleanup_steps.h"
#include "product/config.h"

namespace {

constexpr size_t kPathSize = 260;

void VisitJoined(const char *folder, const char *name,
                 void (*visit)(const char *path, void *context), void *context)
{
    char path[kPathSize];
    if (JoinPath(path, sizeof path, folder, name))
        visit(path, context);
}

}  // namespace

void VisitTouchedFiles(const ManifestEntry *install, int installCount,
                       const ManifestEntry *cleanUpTable, int cleanUpCount,
                       const char *destination, const CleanUpPlace *cleanUp,
                       void (*visit)(const char *path, void *context), void *context)
{
    for (int index = 0; index < installCount; index++) {
        if (install[index].flags & (ENTRY_EXTRACT | ENTRY_UNINSTALLER))
            VisitJoined(destination, install[index].name, visit, context);
    }
    VisitJoined(destination, kSetupConfig.uninstallRecord, visit, context);
    if (!cleanUp)
        return;
    VisitJoined(destination, kSetupConfig.productDataFile, visit, context);
    for (int index = 0; index < cleanUpCount; index++) {
        const ManifestEntry &entry = cleanUpTable[index];
        if (entry.flags == CLEANUP_DELETE || entry.flags == CLEANUP_RENAME) {
            VisitJoined(cleanUp->folder, entry.name, visit, context);
        } else if (entry.flags == CLEANUP_SHARED_UNINSTALLER) {
            char folder[kPathSize];
            if (JoinPath(folder, sizeof folder, cleanUp->commonFolder, "Uninstall"))
                VisitJoined(folder, entry.name, visit, context);
        }
    }
}
