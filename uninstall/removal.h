// The removal: what the record names, judged element by element, removed
// through the file system and the registry.
#pragma once

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

class Removal {
public:
    // `program` is the running uninstaller: it and its folder are left to
    // the finish run.
    Removal(Vxml &record, const Places &places, const char *program, Leftovers &leftovers,
            RemovalView *view);

    // Files, then the files of the patterns, then the folders in reverse
    // record order (each only when empty), then the App Paths, Uninstall
    // and class keys. Whatever fails is noted in the leftovers and the
    // removal goes on; what the record may not ask for is noted as refused
    // and not touched.
    void Run();

    // True when the record names the uninstaller's own folder for removal.
    bool RemovesOwnFolder() const { return removesOwnFolder_; }

private:
    // The elements called `name`, backwards when `reverse`; each judged,
    // refused ones noted, the others handed to Act.
    void Walk(const char *name, bool reverse);
    void Act(Action action, const char *text);
    void RemoveFile(const char *path);
    void RemovePattern(const char *pattern);
    void RemoveFolder(const char *path);
    void DeleteKey(Action action, const char *name);

    Vxml &record_;
    const Places &places_;
    const char *program_;
    Leftovers &leftovers_;
    RemovalView *view_;
    int done_ = 0;
    int total_ = 0;
    bool removesOwnFolder_ = false;
};

// True when the last error of a deletion means that the item is gone.
bool IsGone(unsigned long error);
