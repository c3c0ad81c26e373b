// The Windows side of the language object: the choice of the table from the
// user's locale, the table resource, and the texts of dialogs and controls.
#include <windows.h>

#include <cstring>

#include "locale/vlocale.h"
#include "product/config.h"

namespace {

const char kTableType[] = "SETUPLOCALE";
const char kDutchName[] = "Nederlands";

}  // namespace

Vlocale::Vlocale(const char *oldVersion, const char *oldFolder)
    : oldVersion(oldVersion ? oldVersion : ""), oldFolder(oldFolder ? oldFolder : "")
{
    languageName[0] = '\0';
    LoadLanguage();
}

// Dutch when the user's default locale names its language "Nederlands",
// English otherwise (also when the query fails). A table resource that is
// missing leaves the table empty: every reference then reads "?".
void Vlocale::LoadLanguage()
{
    int tableId = kSetupConfig.defaultLanguageTable;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SNATIVELANGNAME, scratch, sizeof scratch) > 0 &&
        IsDutchName(scratch)) {
        tableId = kSetupConfig.dutchLanguageTable;
        std::memcpy(languageName, kDutchName, sizeof kDutchName);
    }

    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(tableId), kTableType);
    HGLOBAL handle = resource ? LoadResource(module, resource) : nullptr;
    const void *data = handle ? LockResource(handle) : nullptr;
    if (data)
        ParseTable(static_cast<const char *>(data), SizeofResource(module, resource));

    ExpandPlaceholders();
}

void Vlocale::ApplyToWindow(HWND window)
{
    TranslateWindowText(window, reinterpret_cast<LPARAM>(this));
    EnumChildWindows(window, TranslateWindowText, reinterpret_cast<LPARAM>(this));
}

// Sets the window's text to what it resolves to. At most 1022 characters of
// the text are read; a window without text is left alone.
BOOL CALLBACK Vlocale::TranslateWindowText(HWND window, LPARAM parameter)
{
    const Vlocale *locale = reinterpret_cast<const Vlocale *>(parameter);
    int length = GetWindowTextA(window, scratch, sizeof scratch - 1);
    scratch[sizeof scratch - 1] = '\0';
    if (length > 0)
        SetWindowTextA(window, locale->Resolve(scratch));
    return TRUE;
}
