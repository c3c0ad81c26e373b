// The uninstall record: collecting, merging and writing "Uninstall.dat", and
// the walk of a roll-back.
#include "install/record.h"

#include <cstdlib>
#include <cstring>

#include "product/config.h"
#include "xml/vxml.h"

namespace {

// folder + "\" + file in a new block for free(); null without memory.
char *JoinPath(const char *folder, const char *file)
{
    size_t folderLength = std::strlen(folder);
    size_t fileLength = std::strlen(file);
    char *path = static_cast<char *>(std::malloc(folderLength + 1 + fileLength + 1));
    if (!path)
        return nullptr;
    std::memcpy(path, folder, folderLength);
    path[folderLength] = '\\';
    std::memcpy(path + folderLength + 1, file, fileLength + 1);
    return path;
}

}  // namespace

Log::Log(const char *folder)
    : fullList(new Vxml("UNINSTALL")),
      sessionList(new Vxml("UNINSTALL")),
      recordPath_(JoinPath(folder, kSetupConfig.uninstallRecord))
{
    if (recordPath_)
        fullList->Load(recordPath_);
}

Log::~Log()
{
    std::free(recordPath_);
    delete sessionList;
    delete fullList;
}

bool Log::Add(const char *name, const char *text)
{
    if (!fullList->AddUniqueChild(name, text))
        return false;
    return sessionList->AddUniqueChild(name, text) == 1;
}

void Log::AddPath(const char *name, const char *folder, const char *file)
{
    char *path = JoinPath(folder, file);
    if (path)
        Add(name, path);
    std::free(path);
}

bool Log::Commit()
{
    if (!recordPath_)
        return false;
    // The file as it is now: the clean-up of an old version may have
    // deleted the one loaded at the start.
    Vxml merged("UNINSTALL");
    merged.Load(recordPath_);
    for (const char *group : kRecordGroups) {
        for (Vxml *element = fullList->FindFirst(group); element; element = fullList->FindNext()) {
            // An element without text can never match, so it would be
            // written once more with every installation.
            if (element->GetText())
                merged.AddUniqueChild(element->GetName(), element->GetText());
        }
    }
    return merged.Save(recordPath_);
}

void Log::Rollback(RollbackTarget &target)
{
    for (Vxml *file = sessionList->FindFirst("FILE"); file; file = sessionList->FindNext())
        target.RemoveFile(file->GetText());
    for (Vxml *folder = sessionList->FindLast("FOLDER"); folder; folder = sessionList->FindPrev())
        target.RemoveFolder(folder->GetText());
    for (Vxml *key = sessionList->FindFirst("APPKEY"); key; key = sessionList->FindNext())
        target.RemoveAppKey(key->GetText());
    for (Vxml *key = sessionList->FindFirst("UNINSTKEY"); key; key = sessionList->FindNext())
        target.RemoveUninstallKey(key->GetText());
}
