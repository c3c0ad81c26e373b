// The removal: what the record names, each element through the gate of
// rules.h, removed through the system's wide file and registry functions.
#pragma once

#include "base/volume_names.h"
#include "uninstall/rules.h"

class Leftovers;
class Vxml;

// Where the removal reports its progress; the quiet run has none.
class RemovalView {
public:
    virtual ~RemovalView() = default;
    // `done` of `total` steps are done; `item` is what is removed now (a
    // path or a key name), nullptr while the registry keys are removed.
    virtual void Step(int done, int total, const char *item) = 0;
};

// The disk as the gate sees it through the system: attributes, and where
// the system can tell it, the final path of a name, which differs from the
// name when a component of it is a link of any kind.
class SystemDisk : public DiskView {
public:
    Kind Look(const char16_t *path) override;
};

class Removal {
public:
    // `program` is the running uninstaller: it and its folder are left to
    // the finish run. `recordPath` is the record's file, which goes last
    // (RemoveRecord). The gate looks at `disk`, the system's own by default.
    Removal(Vxml &record, const Places &places, const char *program, const char *recordPath,
            Leftovers &leftovers, RemovalView *view, DiskView *disk = nullptr);

    // Files, then the files of the patterns, then the folders in reverse
    // record order (each only when empty), then the App Paths, Uninstall
    // and class keys (file types before the classes they name). Whatever
    // fails is noted in the leftovers and the removal goes on; what the
    // gate refuses is noted as refused and not touched.
    void Run();

    // Deletes the record itself through the gate, like a FILE element: the
    // last of what it names, so that a removal that ends before can be run
    // again.
    void RemoveRecord();

    // True when the record names the uninstaller's own folder for removal.
    bool RemovesOwnFolder() const { return removesOwnFolder_; }

    // Opens the running uninstaller, and with `withFolder` its folder, for
    // the finish run to delete through the handles (inheritable), each only
    // where the removal found the installation: a folder put in its place
    // since leads nowhere. `folder` is null when the folder is not to go or
    // is not where it was. False when the program cannot be opened so; true
    // with null handles where the system cannot tell (before Windows Vista),
    // where the finish run deletes by path.
    bool OpenForFinish(bool withFolder, HANDLE &program, HANDLE &folder);

private:
    // The elements called `name`, backwards when `reverse`; with
    // `fileTypes` only those whose text starts with "." or only the others.
    void Walk(const char *name, bool reverse, int fileTypes = -1);
    void Act(const Approved &verdict, const char *text);
    void RemoveFile(const Approved &file, const char *shown);
    void RemovePattern(const Approved &pattern, const char *);
    void RemoveFolder(const Approved &folder, const char *shown);
    void DeleteKey(const Approved &key, const char *shown);
    // Opens an approved file or folder for its deletion; see removal.cpp.
    HANDLE OpenBelowPlace(const Approved &item, bool folder);
    // Deletes an approved file or folder through OpenBelowPlace: the
    // system's error, ERROR_SUCCESS when it is gone.
    DWORD Delete(const Approved &item, bool folder);

    Vxml &record_;
    const char *recordPath_;
    WidePlaces places_;
    SystemDisk disk_;
    Gate gate_;
    Leftovers &leftovers_;
    RemovalView *view_;
    // The places that OpenBelowPlace looked up: the destination, and the
    // last of the others.
    FolderOnVolume destination_ = {};
    FolderOnVolume otherPlace_ = {};
    int done_ = 0;
    int total_ = 0;
    bool removesOwnFolder_ = false;
};

// True when the last error of a deletion means that the item is gone.
bool IsGone(unsigned long error);
