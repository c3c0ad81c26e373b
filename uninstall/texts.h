// The uninstaller's texts in the user's language: Dutch when the user's
// locale names its language "Nederlands" (any letter case), English
// otherwise, the same rule as the setup's.
#pragma once

// Chooses the language and loads the texts; call once at the start.
void LoadTexts();
// The text of an IDS_ id in the chosen language; "" when there is none.
const char *Text(int id);
