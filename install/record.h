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
    // start of the record; a missing file counts as empty. A file that is
    // there but cannot be opened is never written over or removed: Keep
    // and Commit then fail.
    explicit Log(const char *folder);
    ~Log();

    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;

    // Records an element unless the record holds an equal one (name and
    // text compared without regard to case). True when this run added it.
    // A key is one that the run writes into: a roll-back takes it in hand
    // even when the record held it.
    bool Add(const char *name, const char *text);
    // While set, Add takes an element other than a folder as made ahead of
    // its place (the uninstaller before the files): the record on disk
    // names it with the next Keep and a roll-back removes it, while the
    // finished record names it where a later Add puts it or, without one,
    // after what the run added to its group. Folders take their place at
    // once: those made ahead are the ones on the way to the destination,
    // which every run names first.
    bool staging = false;
    // Add with the text folder + "\" + file; with `made` false, as
    // AddForUninstaller.
    void AddPath(const char *name, const char *folder, const char *file, bool made = true);
    // Records an element for the uninstaller alone, like Add: what the run
    // does not make (the game's settings and scores, which the game writes
    // as it runs, and the record itself). A roll-back leaves it, as it may
    // stand there from an earlier installation whose record did not name it.
    void AddForUninstaller(const char *name, const char *text);
    // Names what the run is about to make, so that the record on disk
    // (Keep) names it before it exists. Such an element stays out of the
    // finished record unless the run adds it too; naming something that is
    // never made is harmless, as the uninstaller removes only what exists.
    void AddAhead(const char *name, const char *text);
    // Writes the record as it stands, with what is named ahead, in the place
    // of "Uninstall.dat" in one step, so that a run that ends at any instant
    // leaves a record of everything it made. Writes only when something was
    // added since the last Keep. False when the file could not be written:
    // what was added since is then not named on disk.
    bool Keep();
    // The earlier record file is to go (the clean-up of an old version):
    // from now on the record no longer keeps that file's own order and
    // element names, as if the file were gone. The file itself is replaced
    // by the next Keep or Commit, never deleted, so that a record is on
    // disk at every instant.
    void DropEarlierFile();

    // Writes the finished "Uninstall.dat": first the file that was there
    // when the run began (unless DropEarlierFile), in its own order, then
    // whatever the record holds beyond it, grouped by element name in the
    // order of kRecordGroups, within a group what was staged last; nothing
    // that was only named ahead. False when
    // the file could not be written whole: the uninstaller would then leave
    // this run's files.
    bool Commit();
    // The path of "Uninstall.dat"; "" when there was no memory for it.
    const char *RecordPath() const { return recordPath_ ? recordPath_ : ""; }
    // Removes what this run added (and only that): its registry keys (a key
    // it wrote into that the record named already gets its values back),
    // its files, then the record it kept (the earlier record file is
    // written back as it was loaded), then its folders, the latest first so
    // that inner folders go before their parents. Every failure is ignored.
    void Rollback(RollbackTarget &target);
    // Rollback through the system (Windows builds).
    void Rollback();

    // The loaded record plus every element added during the run.
    Vxml *fullList;
    // Only the elements that this run added; beyond fullList, those that
    // wait for their place (staging).
    Vxml *sessionList;

private:
    // Writes the earlier file's elements (unless dropped), then the groups
    // of fullList and, with `ahead`, of what is named ahead.
    bool Write(bool ahead);

    // folder + "\" + "Uninstall.dat", made once; null without memory.
    char *recordPath_;
    // The record file as it was when the run began.
    Vxml *earlier_;
    bool earlierExisted_ = false;
    bool earlierUnreadable_ = false;
    bool earlierKept_ = true;
    // What the run is about to make.
    Vxml *ahead_;
    // Something was added since the last Keep.
    bool unkept_ = true;
};
