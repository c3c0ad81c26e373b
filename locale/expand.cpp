// Placeholders "%1" to "%4" in the table's texts, and text references.
#include <cstdlib>
#include <cstring>

#include "locale/text.h"
#include "locale/vlocale.h"
#include "product/config.h"

namespace {

// What a missing id or an id beyond the table reads as.
const char kMissingText[] = "?";

}  // namespace

// Replaces "%1" (product name), "%2" (version text), "%3" (oldVersion) and
// "%4" (oldFolder) in every stored text. A text in which these add nothing
// stays exactly as it is, so "%s", "%5" and "%3"/"%4" with empty values
// survive there. In a rewritten text every other "%x" pair disappears, and so
// does a "%" that ends the text. A rewritten text is cut at 1023 characters
// (the scratch buffer). A text whose copy cannot be allocated stays as it was.
void Vlocale::ExpandPlaceholders()
{
    const char *values[4] = {kSetupConfig.productName, kSetupConfig.productVersionText,
                             oldVersion, oldFolder};
    size_t lengths[4];
    for (int i = 0; i < 4; ++i)
        lengths[i] = std::strlen(values[i]);

    for (int id = 0; id < capacity; ++id) {
        const char *text = entries[id];
        if (!text)
            continue;

        size_t added = 0;
        for (const char *p = std::strchr(text, '%'); p; p = std::strchr(p + 1, '%')) {
            if (p[1] >= '1' && p[1] <= '4')
                added += lengths[p[1] - '1'];
        }
        if (added == 0)
            continue;

        const size_t limit = sizeof scratch - 1;
        size_t length = 0;
        for (const char *p = text; *p && length < limit; ++p) {
            if (*p != '%') {
                scratch[length++] = *p;
                continue;
            }
            ++p;
            if (*p == '\0')
                break;
            if (*p >= '1' && *p <= '4') {
                const char *value = values[*p - '1'];
                while (*value && length < limit)
                    scratch[length++] = *value++;
            }
        }
        scratch[length] = '\0';

        size_t size = length + 1;
        char *copy = static_cast<char *>(std::malloc(size));
        if (!copy)
            continue;
        std::memcpy(copy, scratch, size);
        std::free(entries[id]);
        entries[id] = copy;
    }
}

const char *Vlocale::Resolve(const char *text) const
{
    if (!text || text[0] != '$' || text[1] < '0' || text[1] > '9')
        return text;
    int id = ReadTextId(text + 1);
    if (id < 0 || id >= capacity || !entries[id])
        return kMissingText;
    return entries[id];
}
