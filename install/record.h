// The uninstall record: everything the setup put on the machine, collected
// while the run goes on, then merged into "Uninstall.dat" in the destination
// folder or, after a cancel, removed again.
#pragma once

class Vxml;

// Element names of the record, in the order Commit groups them.
constexpr const char *kRecordGroups[] = {
    "APPNAME", "FILE", "FOLDER", "APPKEY", "UNINSTKEY", "CLASSKEY", "FILEPATTERN",
};

// What a roll-back removes. The Windows build removes through the system;
// the tests watch the order.
class RollbackTarget {
public:
    virtual ~RollbackTarget() = default;
    virtual void RemoveFile(const char *path) = 0;
    virtual void RemoveFolder(const char *path) = 0;
    // Sub-keys of App Paths and of Uninstall below HKEY_LOCAL_MACHINE.
    virtual void RemoveAppKey(const char *name) = 0;
    virtual void RemoveUninstallKey(const char *name) = 0;
};

class Log {
public:
    // Loads "Uninstall.dat" of `folder` (the destination folder) as the
    // start of the record; a missing or unreadable file counts as empty.
    explicit Log(const char *folder);
    ~Log();

    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;

    // Records an element unless the record holds an equal one (name and
    // text compared without regard to case). True when this run added it.
    bool Add(const char *name, const char *text);
    // Add with the text folder + "\" + file.
    void AddPath(const char *name, const char *folder, const char *file);

    // Writes "Uninstall.dat": first the file as it is on disk now, in its own
    // order, then whatever the record holds beyond it, grouped by element
    // name in the order of kRecordGroups. False when the file could not be
    // written whole: the uninstaller would then leave this run's files.
    bool Commit();
    // The path of "Uninstall.dat"; "" when there was no memory for it.
    const char *RecordPath() const { return recordPath_ ? recordPath_ : ""; }
    // Removes what this run added (and only that): its files, then its
    // folders, the latest first so that inner folders go before their
    // parents, then its registry keys. Every failure is ignored.
    void Rollback(RollbackTarget &target);
    // Rollback through the system (Windows builds).
    void Rollback();

    // The loaded record plus every element added during the run.
    Vxml *fullList;
    // Only the elements that this run added.
    Vxml *sessionList;

private:
    // folder + "\" + "Uninstall.dat", made once; null without memory.
    char *recordPath_;
};
