// The uninstall record: collecting, merging and writing "Uninstall.dat", and
// the walk of a roll-back.
#include "install/record.h"

#include "product/config.h"
#include "xml/vxml.h"

Log::Log(const char *folder)
    : fullList(new Vxml("UNINSTALL")), sessionList(new Vxml("UNINSTALL")), folder_(folder)
{
    fullList->Load(RecordPath().c_str());
}

Log::~Log()
{
    delete sessionList;
    delete fullList;
}

std::string Log::RecordPath() const
{
    return folder_ + "\\" + kSetupConfig.uninstallRecord;
}

bool Log::Add(const char *name, const char *text)
{
    if (!fullList->AddUniqueChild(name, text))
        return false;
    return sessionList->AddUniqueChild(name, text) == 1;
}

void Log::AddPath(const char *name, const char *folder, const char *file)
{
    std::string path = std::string(folder) + "\\" + file;
    Add(name, path.c_str());
}

void Log::Commit()
{
    std::string path = RecordPath();
    // The file as it is now: the clean-up of an old version may have
    // deleted the one loaded at the start.
    Vxml merged("UNINSTALL");
    merged.Load(path.c_str());
    for (const char *group : kRecordGroups) {
        for (Vxml *element = fullList->FindFirst(group); element; element = fullList->FindNext()) {
            // An element without text can never match, so it would be
            // written once more with every installation.
            if (element->GetText())
                merged.AddUniqueChild(element->GetName(), element->GetText());
        }
    }
    merged.Save(path.c_str());
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
