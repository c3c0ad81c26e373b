// The text of the Licence page.
#pragma once

#include <windows.h>

// Sets the text of `edit` to the licence for the user's language, inflated
// from its payload resource. Without a licence entry, resource or inflater
// the edit stays empty; a damaged stream shows what was inflated before the
// damage and nothing behind it.
void FillLicenceText(HWND edit);
