// The one setup state and the texts of the user's language.
#include "state/state.h"

#include "base/text.h"
#include "locale/vlocale.h"
#include "product/config.h"
#include "state/own_texts.h"

SetupState g_state;

void SetStateDefaults()
{
    CopyText(g_state.destination, sizeof g_state.destination, kSetupConfig.defaultFolder);
    CopyText(g_state.programGroup, sizeof g_state.programGroup, kSetupConfig.defaultGroup);
    g_state.desktopIcon = kSetupConfig.initialDesktopIcon;
    g_state.readMe = kSetupConfig.initialReadMe;
    g_state.launch = kSetupConfig.initialLaunch;
    g_state.readMeRow = -1;
}

const char *ResolveText(const char *text)
{
    return g_state.locale ? g_state.locale->Resolve(text) : text;
}

const char *OwnText(int englishId)
{
    // Two texts may be in use at once: a message and a text filled into it.
    static char texts[2][512];
    static int next = 0;
    char *text = texts[next];
    next = 1 - next;
    bool dutch = g_state.locale && g_state.locale->languageName[0] != '\0';
    if (LoadStringA(g_state.instance, englishId + (dutch ? kDutchOwnTexts : 0), text,
                    sizeof texts[0]) <= 0)
        text[0] = '\0';
    return text;
}
