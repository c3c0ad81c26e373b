// The licence text, inflated straight from the payload.
#include "wizard/licence.h"

#include <cstdlib>

#include "locale/vlocale.h"
#include "product/inflate.h"
#include "product/payload.h"
#include "product/queries.h"
#include "state/state.h"

void FillLicenceText(HWND edit)
{
    int row = ChooseLanguageEntry(kInstallTable, kInstallCount, ENTRY_LICENSE,
                                  g_state.locale ? g_state.locale->languageName : "");
    if (row < 0)
        return;
    const ManifestEntry &entry = kInstallTable[row];
    uint32_t size = 0;
    const unsigned char *stream = OpenPayload(entry, &size);
    if (!stream)
        return;
    char *text = static_cast<char *>(std::malloc(entry.unpackedSize + 1));
    if (!text)
        return;
    size_t produced = InflateWhole(stream, size, reinterpret_cast<unsigned char *>(text),
                                   entry.unpackedSize);
    text[produced] = '\0';
    SetWindowTextA(edit, text);
    std::free(text);
}
