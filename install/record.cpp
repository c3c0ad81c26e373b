// The uninstall record: collecting, merging and writing "Uninstall.dat", and
// the walk of a roll-back.
#include "install/record.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
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

uint32_t HashNoCase(uint32_t hash, const char *text)
{
    for (; *text; ++text)
        hash = (hash ^ static_cast<unsigned char>(AsciiUpper(*text))) * 16777619u;
    return hash * 16777619u;
}

// The slot of `table` (of mask + 1 slots, a power of two) that holds the
// element equal to name and text without regard to case, or the empty slot
// where it belongs.
Vxml **Slot(Vxml **table, size_t mask, const char *name, const char *text)
{
    size_t i = HashNoCase(HashNoCase(2166136261u, name), text) & mask;
    while (table[i] && !(table[i]->HasName(name) && EqualNoCase(table[i]->GetText(), text)))
        i = (i + 1) & mask;
    return &table[i];
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
        // A record larger than any setup writes, which the uninstaller
        // refuses as well, is not loaded, and so never replaced.
        earlierUnreadable_ = std::fseek(file, 0, SEEK_END) != 0 ||
                             static_cast<unsigned long>(std::ftell(file)) >
                                 static_cast<unsigned long>(kMaxRecordSize);
        std::fclose(file);
    } else if (errno != ENOENT) {
        // There, but not to be read (held open by another program, say):
        // written over, the earlier installation's record would be lost.
        earlierUnreadable_ = true;
    }
    if (!earlierUnreadable_)
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
    // Each element is looked up in a table of those written, not compared
    // with every one before it: a record put in the folder by somebody else
    // may hold a million elements, which would keep the setup busy for
    // hours. Without the memory for the table, the record itself is
    // searched.
    size_t count = 0;
    Vxml *all[4] = {&merged, lists[0], lists[1], lists[2]};
    for (Vxml *list : all) {
        for (Vxml *child = list ? list->FirstChild() : nullptr; child; child = child->NextSibling())
            ++count;
    }
    size_t mask = 15;
    while (mask < 2 * count)
        mask = 2 * mask + 1;
    Vxml **table = static_cast<Vxml **>(std::calloc(mask + 1, sizeof *table));
    for (Vxml *child = merged.FirstChild(); table && child; child = child->NextSibling()) {
        // An element without text never matches.
        if (!child->GetText())
            continue;
        Vxml **slot = Slot(table, mask, child->GetName(), child->GetText());
        if (!*slot)
            *slot = child;
    }
    for (const char *group : kRecordGroups) {
        for (Vxml *list : lists) {
            if (!list)
                continue;
            for (Vxml *element = list->FindFirst(group); element; element = list->FindNext()) {
                // An element without text can never match, so it would be
                // written once more with every installation.
                const char *name = element->GetName(), *text = element->GetText();
                if (!text)
                    continue;
                if (!table) {
                    merged.AddUniqueChild(name, text);
                    continue;
                }
                Vxml **slot = Slot(table, mask, name, text);
                if (!*slot)
                    *slot = merged.AddTextChild(name, text);
            }
        }
    }
    std::free(table);
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
    // an earlier record file comes back as it was loaded. One that was not
    // loaded was never replaced.
    if (recordPath_ && !earlierUnreadable_) {
        if (earlierExisted_) {
            Vxml earlier("UNINSTALL");
            CopyChildren(*earlier_, earlier);
            earlier.Save(recordPath_);
        } else {
            RemoveFile(recordPath_);
        }
    }
    for (Vxml *folder = sessionList->FindLast("FOLDER"); folder; folder = sessionList->FindPrev())
        target.RemoveFolder(folder->GetText());
}
