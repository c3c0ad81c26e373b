// The uninstaller's texts: the choice of the language and the string table.
#include "uninstall/texts.h"

#include <windows.h>

#include "base/text.h"
#include "uninstall/uninstall_ids.h"

namespace {

const int kFirst = IDS_CAPTION;
const int kCount = IDS_BUSY - IDS_CAPTION + 1;
char g_texts[kCount][512];

}  // namespace

void LoadTexts()
{
    char language[128] = "";
    int offset = 0;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SNATIVELANGNAME, language, sizeof language) > 0 &&
        EqualNoCase(language, "Nederlands"))
        offset = kDutchTexts;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int i = 0; i < kCount; ++i) {
        if (LoadStringA(instance, kFirst + i + offset, g_texts[i], sizeof g_texts[i]) <= 0)
            g_texts[i][0] = '\0';
    }
}

const char *Text(int id)
{
    return id >= kFirst && id < kFirst + kCount ? g_texts[id - kFirst] : "";
}
