// Small owners for what Windows code opens by hand: a registry key, the COM
// library of the thread, a COM interface pointer and an item-id list of the
// shell. Each closes or releases what it holds when it goes out of scope, so
// that an early return leaks nothing. None of them can be copied.
#pragma once

#include <windows.h>
#include <objbase.h>
// The item-id list's type alone: the whole shell header would double the
// compile time of every source that only wants a key or a mutex.
#include <shtypes.h>

// An open registry key, closed by the destructor.
//     RegKey key;
//     if (key.Open(HKEY_LOCAL_MACHINE, kAppPathsKey, KEY_READ) == ERROR_SUCCESS) ...
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey &) = delete;
    RegKey &operator=(const RegKey &) = delete;

    // RegOpenKeyExA below `parent`; closes what was held first. Returns the
    // result code (ERROR_SUCCESS when the key is open).
    LONG Open(HKEY parent, const char *name, REGSAM access)
    {
        Close();
        return RegOpenKeyExA(parent, name, 0, access, &key_);
    }
    // RegCreateKeyExA below `parent` (opens the key when it exists);
    // *created, when given, tells whether the key is new.
    LONG Create(HKEY parent, const char *name, REGSAM access, bool *created = nullptr)
    {
        Close();
        DWORD disposition = 0;
        LONG result = RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                      nullptr, &key_, &disposition);
        if (result != ERROR_SUCCESS)
            key_ = nullptr;
        if (created)
            *created = result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
        return result;
    }
    // RegOpenKeyExW, for names in UTF-16.
    LONG OpenWide(HKEY parent, const wchar_t *name, REGSAM access)
    {
        Close();
        LONG result = RegOpenKeyExW(parent, name, 0, access, &key_);
        if (result != ERROR_SUCCESS)
            key_ = nullptr;
        return result;
    }
    void Close()
    {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

// CoInitialize for the lifetime of the object; CoUninitialize only when the
// initialisation succeeded.
class ComInit {
public:
    ComInit() : result_(CoInitialize(nullptr)) {}
    ~ComInit()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComInit(const ComInit &) = delete;
    ComInit &operator=(const ComInit &) = delete;

    bool ok() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

// One reference to a COM interface, released by the destructor.
//     ComPtr<IShellLinkA> link;
//     CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
//                      link.PutVoid());
//     ComPtr<IPersistFile> file;
//     link.QueryInto(IID_IPersistFile, file);
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;

    // Releases what is held and returns the slot for a call that fills it.
    T **Put()
    {
        Reset();
        return &pointer_;
    }
    void **PutVoid() { return reinterpret_cast<void **>(Put()); }
    // QueryInterface into `other` (released first); the call's result.
    template <class U>
    HRESULT QueryInto(REFIID id, ComPtr<U> &other) const
    {
        if (!pointer_) {
            other.Reset();
            return E_POINTER;
        }
        return pointer_->QueryInterface(id, other.PutVoid());
    }
    void Reset()
    {
        if (pointer_)
            pointer_->Release();
        pointer_ = nullptr;
    }
    T *get() const { return pointer_; }
    T *operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    T *pointer_ = nullptr;
};

// A named mutex, owned from Acquire until the destructor releases and
// closes it:
//     NamedMutex run;
//     if (!run.Acquire(kRunMutexName, 0)) ... another process owns it
// A process that ends owning it leaves it abandoned, which the next
// Acquire takes over.
class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex()
    {
        if (owned_)
            ReleaseMutex(mutex_);
        if (mutex_)
            CloseHandle(mutex_);
    }
    NamedMutex(const NamedMutex &) = delete;
    NamedMutex &operator=(const NamedMutex &) = delete;

    // Opens or creates the mutex `name` and waits up to waitMs for it. True
    // when this object owns it now; false when another owner kept it (or
    // it could not be had at all).
    bool Acquire(const char *name, DWORD waitMs)
    {
        if (!mutex_)
            mutex_ = CreateMutexA(nullptr, FALSE, name);
        if (!mutex_ || owned_)
            return owned_;
        DWORD result = WaitForSingleObject(mutex_, waitMs);
        owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        return owned_;
    }

private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

// An item-id list that the shell allocated (SHGetSpecialFolderLocation,
// SHBrowseForFolderA), freed with the shell allocator given at construction.
// With a null allocator nothing is freed.
class ItemIdList {
public:
    explicit ItemIdList(IMalloc *allocator) : allocator_(allocator) {}
    ~ItemIdList() { Reset(); }
    ItemIdList(const ItemIdList &) = delete;
    ItemIdList &operator=(const ItemIdList &) = delete;

    // Frees what is held and returns the slot for a call that fills it.
    LPITEMIDLIST *Put()
    {
        Reset();
        return &list_;
    }
    // Takes over a list returned by a call (SHBrowseForFolderA).
    void Attach(LPITEMIDLIST list)
    {
        Reset();
        list_ = list;
    }
    void Reset()
    {
        if (list_ && allocator_)
            allocator_->Free(list_);
        list_ = nullptr;
    }
    LPITEMIDLIST get() const { return list_; }
    explicit operator bool() const { return list_ != nullptr; }

private:
    IMalloc *allocator_;
    LPITEMIDLIST list_ = nullptr;
};
