// The objects of the running installation, reached by all of its steps.
#pragma once

#include <memory>
#include <utility>

class Progress;
class Log;

struct Engine {
    Progress *progress = nullptr;  // the progress window, while it exists
    Log *record = nullptr;         // the uninstall record, while it exists
    bool kept = true;              // the last write of the record succeeded
    // The uninstaller and its entry were made ahead of the files.
    bool staged = false;
};

// Set by RunInstallation for the length of one run; empty otherwise.
extern Engine g_engine;

// What a step tells the run's objects; with the slot empty (no run, or the
// object already gone) nothing happens.
void EngineStatus(const char *text);                       // the status line
void EngineAdvanceStep();                                  // one step of the bar
void EngineRecord(const char *element, const char *text);  // the uninstall record

// Before a step makes something it names it in the record on disk: it
// names it ahead (EngineAhead, EngineAheadFolders), then either sets a
// status line, during whose pause the record is written, or calls
// EngineKeep; it goes on only while EngineKept() holds.
void EngineAhead(const char *element, const char *text);
// Names ahead as FOLDER every folder on the way to `path` (everything before
// its last "") that does not exist yet, outer folders first.
void EngineAheadFolders(const char *path);
// Writes the record now if anything was added or named since the last
// write.
void EngineKeep();
// True unless the last write of the record failed.
bool EngineKept();

// Owns one object of the run and shows it in its slot of g_engine for as
// long as it lives:
//     EngineObject<Progress> progress(g_engine.progress, owner);
// Reset (or the destructor) empties the slot first, then destroys the
// object, so no step ever reaches a destroyed object through g_engine.
template <class T>
class EngineObject {
public:
    template <class... Args>
    explicit EngineObject(T *&slot, Args &&...args)
        : slot_(slot), object_(std::make_unique<T>(std::forward<Args>(args)...))
    {
        slot_ = object_.get();
    }
    ~EngineObject() { Reset(); }
    EngineObject(const EngineObject &) = delete;
    EngineObject &operator=(const EngineObject &) = delete;

    void Reset()
    {
        if (slot_ == object_.get())
            slot_ = nullptr;
        object_.reset();
    }
    T *get() const { return object_.get(); }
    T *operator->() const { return object_.get(); }
    T &operator*() const { return *object_; }

private:
    T *&slot_;
    std::unique_ptr<T> object_;
};
