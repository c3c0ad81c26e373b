// The walk over the clean-up table and the product data file.
#include "install/cleanup_steps.h"

#include <cstring>

#include "base/paths.h"
#include "base/text.h"
#include "install/record.h"
#include "product/config.h"
#include "product/manifest.h"
#include "xml/vxml.h"

namespace {

// Room for any folder of the setup state with a name behind it.
constexpr size_t kPathSize = 640;

// The shared uninstaller of version 2 lives in the maker's common folder
// and serves the maker's other products too.
void RemoveSharedUninstaller(const CleanUpPlace &place, const char *name, CleanUpTarget &target)
{
    if (target.AnyProductRegistered(place.otherProducts))
        return;
    char folder[kPathSize], file[kPathSize];
    if (!JoinPath(folder, sizeof folder, place.commonFolder, "Uninstall") ||
        !JoinPath(file, sizeof file, folder, name))
        return;
    target.RemoveFile(file);
    target.RemoveFolder(folder);
    target.RemoveFolder(place.commonFolder);
}

void WriteProductData(const CleanUpPlace &place)
{
    char path[kPathSize];
    if (!JoinPath(path, sizeof path, place.destination, kSetupConfig.productDataFile))
        return;
    Vxml data(kSetupConfig.productDataElement);
    data.SetChildNumber("VERSION", ProductDataNumber(place.installedVersionMs));
    data.Save(path);
}

}  // namespace

bool RenamedPath(char *target, size_t size, const char *path, const char *suffix)
{
    const char *slash = std::strrchr(path, '\\');
    const char *dot = std::strrchr(slash ? slash : path, '.');
    size_t keep = dot ? static_cast<size_t>(dot - path) : std::strlen(path);
    if (keep >= size)
        return false;
    std::memcpy(target, path, keep);
    return CopyText(target + keep, size - keep, dot ? suffix : "");
}

bool CleanUpApplies(bool earlierInstalled, uint32_t installedVersionMs, const char *installedFolder,
                    const char *destination)
{
    return earlierInstalled && (installedVersionMs >> 16) == kSetupConfig.upgradeMajorVersion &&
           installedFolder[0] != '\0' && SameFolder(destination, installedFolder);
}

int32_t ProductDataNumber(uint32_t installedVersionMs)
{
    return static_cast<int32_t>((installedVersionMs >> 16) * 100 + (installedVersionMs & 0xFFFF));
}

void ApplyCleanUpTable(const ManifestEntry *table, int count, const CleanUpPlace &place,
                       Log &record, CleanUpTarget &target)
{
    for (int index = 0; index < count; index++) {
        const ManifestEntry &entry = table[index];
        char path[kPathSize], renamed[kPathSize];
        if (!JoinPath(path, sizeof path, place.folder, entry.name))
            continue;
        switch (entry.flags) {
        case CLEANUP_DELETE:
            // The old record is not deleted but replaced by the record of
            // this run, so that one is on disk at every instant.
            if (EqualNoCaseAnsi(path, record.RecordPath()))
                record.DropEarlierFile();
            else
                target.RemoveFile(path);
            break;
        case CLEANUP_SHARED_UNINSTALLER:
            RemoveSharedUninstaller(place, entry.name, target);
            break;
        case CLEANUP_FOLDER:
            record.Add("FOLDER", path);
            break;
        case CLEANUP_RENAME:
            if (RenamedPath(renamed, sizeof renamed, path, kSetupConfig.renameSuffix))
                target.Rename(path, renamed);
            break;
        default:
            break;
        }
    }
    WriteProductData(place);
}
