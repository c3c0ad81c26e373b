// The product's registry entries below HKEY_LOCAL_MACHINE, and how a
// cancelled run undoes them.
#include "install/registry.h"

#include <cstring>
#include <new>

#include "base/format.h"
#include "base/holders.h"
#include "base/runlog.h"
#include "base/text.h"
#include "install/engine.h"
#include "install/extract.h"
#include "install/report.h"
#include "product/config.h"
#include "product/manifest.h"
#include "product/queries.h"
#include "product/registry_keys.h"
#include "state/state.h"

namespace {

// The most values a product key holds.
constexpr int kMaxValues = 16;

// A value that the run writes: a text (REG_SZ) or, without one, a number
// (REG_DWORD).
struct TextValue {
    const char *name;  // nullptr for the key's default value
    const char *data;  // nullptr for a number
    DWORD number;
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
    int count;  // of values that the run writes
    ValueBefore values[kMaxValues];
};

// The App Paths entry and the Uninstall entry.
KeyBefore g_keysBefore[2];

// Notes what the values that the run will write held before, the first
// time the run opens the key.
void NoteKeyBefore(KeyBefore &before, const char *parent, const char *name, HKEY key,
                   bool created, const TextValue *values, int count)
{
    if (before.parent)
        return;
    before.parent = parent;
    before.name = name;
    before.existed = !created;
    before.count = count;
    for (int i = 0; i < count && before.existed; ++i) {
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
// into it, then writes the values, texts as REG_SZ with their terminating
// zero, in order, each only after the one before succeeded. True when all
// of them were written; otherwise the last error is the registry's reason.
// The sub-key is closed before its parent.
template <int N>
bool WriteProductKey(KeyBefore &before, const char *parent, const char *name,
                     const char *element, const TextValue (&values)[N])
{
    static_assert(N <= kMaxValues, "a product key holds at most kMaxValues values");
    RegKey parentKey;
    LONG result = parentKey.Open(HKEY_LOCAL_MACHINE, parent, KEY_ALL_ACCESS);
    if (result == ERROR_SUCCESS) {
        RegKey productKey;
        bool created = false;
        result = productKey.Create(parentKey.get(), name, KEY_ALL_ACCESS, &created);
        if (result == ERROR_SUCCESS) {
            NoteKeyBefore(before, parent, name, productKey.get(), created, values, N);
            EngineRecord(element, name);
            RunLog("Key: HKLM\\%s\\%s", parent, name);
        }
        for (int i = 0; i < N && result == ERROR_SUCCESS; ++i) {
            const TextValue &value = values[i];
            result = value.data
                         ? RegSetValueExA(productKey.get(), value.name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE *>(value.data),
                                          static_cast<DWORD>(std::strlen(value.data) + 1))
                         : RegSetValueExA(productKey.get(), value.name, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE *>(&value.number),
                                          sizeof value.number);
        }
    }
    SetLastError(static_cast<DWORD>(result));
    return result == ERROR_SUCCESS;
}

// The installed bytes in KB, rounded up: what the list of installed
// programs shows as the size.
DWORD EstimatedSizeKb()
{
    uint64_t bytes = 0;
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_EXTRACT | ENTRY_UNINSTALLER,
                 [&](int, const ManifestEntry &entry) { bytes += entry.unpackedSize; });
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

// The product's web address: the target of the link to the Internet.
const char *ProductWebAddress()
{
    const char *address = "";
    ForEachEntry(kInstallTable, kInstallCount, ENTRY_EXTERNAL_TARGET,
                 [&](int, const ManifestEntry &entry) { address = entry.name; });
    return address;
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
                              {{nullptr, program, 0}, {"Path", g_state.destination, 0}});
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
    // The uninstall command is quoted: the list of installed programs runs
    // it as an administrator, and unquoted, "C:\Program Files\Velmo\..."
    // would start a "C:\Program.exe" that someone put there.
    char command[MAX_PATH + 2], quiet[MAX_PATH + 8], icon[MAX_PATH + 2], program[MAX_PATH];
    char date[16];
    SYSTEMTIME today;
    GetLocalTime(&today);
    FormatText(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    int length = FormatText(command, sizeof command, "\"%s\\%s\"", g_state.destination,
                            kInstallTable[index].name);
    bool fits = length >= 0 && length < static_cast<int>(sizeof command) &&
                JoinPath(program, sizeof program, g_state.destination,
                         kSetupConfig.mainExecutable);
    FormatText(quiet, sizeof quiet, "%s /S", command);
    FormatText(icon, sizeof icon, "%s,0", program);
    // The uninstaller and the name come first: with them the entry is
    // usable even if a later value cannot be written. The uninstaller first:
    // it tells the uninstaller that the entry is this installation's, also
    // when the run was ended before the name.
    bool ok = fits && WriteProductKey(
                          g_keysBefore[1], kUninstallKey, kSetupConfig.productName, "UNINSTKEY",
                          {{"UninstallString", command, 0},
                           {"DisplayName", kSetupConfig.productName, 0},
                           {"QuietUninstallString", quiet, 0},
                           {"DisplayVersion", kSetupConfig.productVersionText, 0},
                           {"VersionMajor", nullptr, kSetupConfig.productVersionMs >> 16},
                           {"VersionMinor", nullptr, kSetupConfig.productVersionMs & 0xFFFF},
                           {"Publisher", kSetupConfig.publisher, 0},
                           {"DisplayIcon", icon, 0},
                           {"InstallLocation", g_state.destination, 0},
                           {"InstallDate", date, 0},
                           {"EstimatedSize", nullptr, EstimatedSizeKb()},
                           {"URLInfoAbout", ProductWebAddress(), 0},
                           {"NoModify", nullptr, 1},
                           {"NoRepair", nullptr, 1}});
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
        for (int i = 0; i < before.count; ++i) {
            const ValueBefore &value = before.values[i];
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
