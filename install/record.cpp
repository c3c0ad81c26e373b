// The uninstall record: collecting, merging and writing "Uninstall.dat", and
// the walk of a roll-back.
#include "install/record.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <new>

#include "base/durable.h"
#include "base/text.h"
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

// Appends to `to` a copy of every child of `from` with its subtree, in
// order; what cannot be allocated is left out.
void CopyChildren(const Vxml &from, Vxml &to)
{
    for (Vxml *child = from.FirstChild(); child; child = child->NextSibling()) {
        Vxml *copy = to.AddChild(new (std::nothrow) Vxml(child->GetName()));
        if (!copy)
            continue;
        copy->SetText(child->GetText());
        CopyChildren(*child, *copy);
    }
}

// True when `list` holds a child `name` whose text equals `text`, both
// without regard to case.
bool Holds(Vxml &list, const char *name, const char *text)
{
    for (Vxml *element = list.FindFirst(name); element; element = list.FindNext()) {
        if (element->GetText() && EqualNoCase(element->GetText(), text))
            return true;
    }
    return false;
}

}  // namespace

Log::Log(const char *folder)
    : fullList(new Vxml("UNINSTALL")),
      sessionList(new Vxml("UNINSTALL")),
      recordPath_(JoinPath(folder, kSetupConfig.uninstallRecord)),
      earlier_(new Vxml("UNINSTALL")),
      ahead_(new Vxml("UNINSTALL"))
{
    if (!recordPath_)
        return;
    if (FILE *file = std::fopen(recordPath_, "rb")) {
        earlierExisted_ = true;
        std::fclose(file);
    } else if (errno != ENOENT) {
        // There, but not to be read (held open by another program, say):
        // written over, the earlier installation's record would be lost.
        earlierUnreadable_ = true;
    }
    earlier_->Load(recordPath_);
    CopyChildren(*earlier_, *fullList);
    // Keep replaces the record through a file of this name, which a run
    // that ends during the write leaves behind.
    size_t length = std::strlen(recordPath_);
    if (char *pending = static_cast<char *>(std::malloc(length + sizeof ".new"))) {
        std::memcpy(pending, recordPath_, length);
        std::memcpy(pending + length, ".new", sizeof ".new");
        ahead_->AddUniqueChild("FILE", pending);
        std::free(pending);
    }
}

Log::~Log()
{
    std::free(recordPath_);
    delete ahead_;
    delete earlier_;
    delete sessionList;
    delete fullList;
}

bool Log::Add(const char *name, const char *text)
{
    bool staged = staging && !EqualNoCase(name, "FOLDER");
    if (staged ? Holds(*fullList, name, text) : !fullList->AddUniqueChild(name, text)) {
        // The run writes into a key that the record names already: a
        // roll-back gives it back its values all the same.
        if (EqualNoCase(name, "APPKEY") || EqualNoCase(name, "UNINSTKEY"))
            sessionList->AddUniqueChild(name, text);
        return false;
    }
    // What was named ahead is on disk already, or goes with the next Keep.
    if (!Holds(*ahead_, name, text))
        unkept_ = true;
    return sessionList->AddUniqueChild(name, text) == 1;
}

void Log::AddForUninstaller(const char *name, const char *text)
{
    if (fullList->AddUniqueChild(name, text) && !Holds(*ahead_, name, text))
        unkept_ = true;
}

void Log::AddAhead(const char *name, const char *text)
{
    if (text && !Holds(*fullList, name, text) && ahead_->AddUniqueChild(name, text))
        unkept_ = true;
}

bool Log::Keep()
{
    if (!unkept_)
        return true;
    if (!Write(true))
        return false;
    unkept_ = false;
    return true;
}

void Log::DropEarlierFile()
{
    earlierKept_ = false;
    unkept_ = true;
}

void Log::AddPath(const char *name, const char *folder, const char *file, bool made)
{
    char *path = JoinPath(folder, file);
    if (path && made)
        Add(name, path);
    else if (path)
        AddForUninstaller(name, path);
    std::free(path);
}

bool Log::Commit()
{
    return Write(false);
}

bool Log::Write(bool ahead)
{
    if (!recordPath_ || earlierUnreadable_)
        return false;
    Vxml merged("UNINSTALL");
    if (earlierKept_)
        CopyChildren(*earlier_, merged);
    // What the session list holds beyond fullList waits for its place.
    Vxml *lists[3] = {fullList, sessionList, ahead ? ahead_ : nullptr};
    for (const char *group : kRecordGroups) {
        for (Vxml *list : lists) {
            if (!list)
                continue;
            for (Vxml *element = list->FindFirst(group); element; element = list->FindNext()) {
                // An element without text can never match, so it would be
                // written once more with every installation.
                if (element->GetText())
                    merged.AddUniqueChild(element->GetName(), element->GetText());
            }
        }
    }
    return merged.Save(recordPath_);
}

void Log::Rollback(RollbackTarget &target)
{
    // The keys first: a roll-back ended half-way leaves no entry that names
    // an uninstaller which is gone already.
    for (Vxml *key = sessionList->FindFirst("APPKEY"); key; key = sessionList->FindNext())
        target.RemoveAppKey(key->GetText());
    for (Vxml *key = sessionList->FindFirst("UNINSTKEY"); key; key = sessionList->FindNext())
        target.RemoveUninstallKey(key->GetText());
    // The record itself is dealt with below, never deleted before the
    // earlier one is back.
    for (Vxml *file = sessionList->FindFirst("FILE"); file; file = sessionList->FindNext()) {
        if (!recordPath_ || !EqualNoCase(file->GetText(), recordPath_))
            target.RemoveFile(file->GetText());
    }
    // The record kept while the run went goes the way the run's files go;
    // an earlier record file comes back as it was loaded.
    if (recordPath_ && earlierExisted_) {
        Vxml earlier("UNINSTALL");
        CopyChildren(*earlier_, earlier);
        earlier.Save(recordPath_);
    } else if (recordPath_ && !earlierUnreadable_) {
        RemoveFile(recordPath_);
    }
    for (Vxml *folder = sessionList->FindLast("FOLDER"); folder; folder = sessionList->FindPrev())
        target.RemoveFolder(folder->GetText());
}
