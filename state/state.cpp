// The one setup state and the texts of the user's language.
#include "state/state.h"

#include "base/text.h"
#include "locale/vlocale.h"
#include "product/config.h"

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
