// The product's registry entries below HKEY_LOCAL_MACHINE, and how a
// cancelled run undoes them.
#include "install/registry.h"

#include <cstring>
#include <new>

#include "base/holders.h"
#include "base/text.h"
#include "install/engine.h"
#include "install/extract.h"
#include "install/report.h"
#include "product/config.h"
#include "product/manifest.h"
#include "product/registry_keys.h"
#include "state/state.h"

namespace {

// Each product key holds two text values.
constexpr int kValueCount = 2;

struct TextValue {
    const char *name;  // nullptr for the key's default value
    const char *data;
};

// A value of a product key as it was before this run wrote it. One that
// could not be read (no memory for it) stays as the run wrote it.
struct ValueBefore {
    const char *name;  // nullptr for the default value
    bool existed;
    DWORD type;
    DWORD size;
    BYTE *data;  // on the heap for the length of the process
};

// A product key as it was before this run wrote into it. A key that an
// earlier installation made, in another folder, belongs to that
// installation: a cancel gives it back its values instead of deleting it.
struct KeyBefore {
    const char *parent;  // set when the run opened or created the key
    const char *name;
    bool existed;
    ValueBefore values[kValueCount];
};

// The App Paths entry and the Uninstall entry.
KeyBefore g_keysBefore[2];

// Notes what the values that the run will write held before, the first
// time the run opens the key.
void NoteKeyBefore(KeyBefore &before, const char *parent, const char *name, HKEY key,
                   bool created, const TextValue (&values)[kValueCount])
{
    if (before.parent)
        return;
    before.parent = parent;
    before.name = name;
    before.existed = !created;
    for (int i = 0; i < kValueCount && before.existed; ++i) {
        ValueBefore &value = before.values[i];
        value.name = values[i].name;
        value.existed =
            RegQueryValueExA(key, value.name, nullptr, nullptr, nullptr, &value.size) ==
            ERROR_SUCCESS;
        value.data = value.existed ? new (std::nothrow) BYTE[value.size + 1] : nullptr;
        if (value.data && RegQueryValueExA(key, value.name, nullptr, &value.type, value.data,
                                           &value.size) != ERROR_SUCCESS) {
            delete[] value.data;
            value.data = nullptr;
        }
    }
}

// Creates (or opens) the sub-key `name` of the existing key `parent` below
// HKEY_LOCAL_MACHINE, records it under `element` before anything is written
// into it, then writes the values as REG_SZ with their terminating zero, in
// order, each only after the one before succeeded. True when all of them
// were written. The sub-key is closed before its parent.
bool WriteProductKey(KeyBefore &before, const char *parent, const char *name,
                     const char *element, const TextValue (&values)[kValueCount])
{
    RegKey parentKey;
    if (parentKey.Open(HKEY_LOCAL_MACHINE, parent, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return false;
    RegKey productKey;
    bool created = false;
    if (productKey.Create(parentKey.get(), name, KEY_ALL_ACCESS, &created) != ERROR_SUCCESS)
        return false;
    NoteKeyBefore(before, parent, name, productKey.get(), created, values);
    EngineRecord(element, name);
    for (const TextValue &value : values) {
        DWORD size = static_cast<DWORD>(std::strlen(value.data) + 1);
        if (RegSetValueExA(productKey.get(), value.name, 0, REG_SZ,
                           reinterpret_cast<const BYTE *>(value.data), size) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

}  // namespace

bool RegisterAppPath(HWND owner)
{
    EngineAhead("APPKEY", kSetupConfig.mainExecutable);
    EngineStatus(ResolveText("$0310"));
    if (!EngineKept())
        return ReportError(owner, "$0334");
    // A program path longer than a Windows path can be is refused before the
    // registry is touched: a cut path would name another file.
    char program[MAX_PATH];
    bool ok = JoinPath(program, sizeof program, g_state.destination, kSetupConfig.mainExecutable) &&
              WriteProductKey(g_keysBefore[0], kAppPathsKey, kSetupConfig.mainExecutable, "APPKEY",
                              {{nullptr, program}, {"Path", g_state.destination}});
    if (!ok)
        return ReportError(owner, "$0334");
    EngineAdvanceStep();
    return true;
}

bool InstallUninstaller(HWND owner, int index)
{
    // The key is named with the file, in the pause of its status line.
    EngineAhead("UNINSTKEY", kSetupConfig.productName);
    if (!ExtractEntry(owner, g_state.destination, index, true))
        return false;
    char uninstaller[MAX_PATH];
    bool ok = JoinPath(uninstaller, sizeof uninstaller, g_state.destination,
                       kInstallTable[index].name) &&
              WriteProductKey(g_keysBefore[1], kUninstallKey, kSetupConfig.productName,
                              "UNINSTKEY",
                              {{"DisplayName", kSetupConfig.productName},
                               {"UninstallString", uninstaller}});
    if (!ok)
        return ReportError(owner, "$0334");
    return true;
}

void RestoreProductKey(const char *parent, const char *name)
{
    RegKey parentKey;
    if (parentKey.Open(HKEY_LOCAL_MACHINE, parent, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return;
    for (const KeyBefore &before : g_keysBefore) {
        if (!before.parent || !EqualNoCase(before.parent, parent) ||
            !EqualNoCase(before.name, name))
            continue;
        if (!before.existed)
            break;
        RegKey productKey;
        if (productKey.Open(parentKey.get(), name, KEY_ALL_ACCESS) != ERROR_SUCCESS)
            return;
        for (const ValueBefore &value : before.values) {
            if (!value.existed)
                RegDeleteValueA(productKey.get(), value.name);
            else if (value.data)
                RegSetValueExA(productKey.get(), value.name, 0, value.type, value.data,
                               value.size);
        }
        return;
    }
    RegDeleteKeyA(parentKey.get(), name);
}
