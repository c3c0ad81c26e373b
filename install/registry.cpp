// The product's registry entries below HKEY_LOCAL_MACHINE.
#include "install/registry.h"

#include <cstring>

#include "base/holders.h"
#include "base/text.h"
#include "install/engine.h"
#include "install/extract.h"
#include "install/progress.h"
#include "install/record.h"
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

// Creates (or opens) the sub-key `name` of the existing key `parent` below
// HKEY_LOCAL_MACHINE, records it under `element` before anything is written
// into it, then writes the values as REG_SZ with their terminating zero, in
// order, each only after the one before succeeded. True when all of them
// were written. The sub-key is closed before its parent.
bool WriteProductKey(const char *parent, const char *name, const char *element,
                     const TextValue (&values)[kValueCount])
{
    RegKey parentKey;
    if (parentKey.Open(HKEY_LOCAL_MACHINE, parent, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return false;
    RegKey productKey;
    if (productKey.Create(parentKey.get(), name, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return false;
    if (g_engine.record)
        g_engine.record->Add(element, name);
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
    if (g_engine.progress)
        g_engine.progress->SetStatus(ResolveText("$0310"));
    // A program path longer than a Windows path can be is refused before the
    // registry is touched: a cut path would name another file.
    char program[MAX_PATH];
    bool ok = JoinPath(program, sizeof program, g_state.destination, kSetupConfig.mainExecutable) &&
              WriteProductKey(kAppPathsKey, kSetupConfig.mainExecutable, "APPKEY",
                              {{nullptr, program}, {"Path", g_state.destination}});
    if (!ok)
        return ReportError(owner, "$0334");
    if (g_engine.progress)
        g_engine.progress->AdvanceStep();
    return true;
}

bool InstallUninstaller(HWND owner, int index)
{
    if (!ExtractEntry(owner, g_state.destination, index, true))
        return false;
    char uninstaller[MAX_PATH];
    bool ok = JoinPath(uninstaller, sizeof uninstaller, g_state.destination,
                       kInstallTable[index].name) &&
              WriteProductKey(kUninstallKey, kSetupConfig.productName,
                              "UNINSTKEY",
                              {{"DisplayName", kSetupConfig.productName},
                               {"UninstallString", uninstaller}});
    if (!ok)
        return ReportError(owner, "$0334");
    return true;
}
