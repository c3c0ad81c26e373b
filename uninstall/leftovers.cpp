// The list of what a removal left behind.
#include "uninstall/leftovers.h"

#include <cstdlib>
#include <cstring>

#include "base/format.h"
#include "base/text.h"

namespace {

// A growing text; without memory it keeps what it had and stops growing.
struct Text {
    char *data = nullptr;
    size_t length = 0;
    bool failed = false;

    void Append(const char *text)
    {
        size_t more = std::strlen(text);
        char *grown = failed ? nullptr : static_cast<char *>(std::realloc(data, length + more + 1));
        if (!grown) {
            failed = true;
            return;
        }
        data = grown;
        std::memcpy(data + length, text, more + 1);
        length += more;
    }
};

// The name as the message shows it: bytes below 0x20 and 0x7F as "\xNN",
// cut after kNameShown characters with "...". A new block, or nullptr.
char *Shown(const char *name, int limit)
{
    char *shown = static_cast<char *>(std::malloc(4 * static_cast<size_t>(limit) + 4));
    if (!shown)
        return nullptr;
    size_t out = 0;
    int count = 0;
    for (; *name && count < limit; ++name, ++count) {
        unsigned char c = static_cast<unsigned char>(*name);
        if (c < 0x20 || c == 0x7F)
            out += FormatText(shown + out, 5, "\\x%02X", c);
        else
            shown[out++] = static_cast<char>(c);
    }
    shown[out] = '\0';
    if (*name)
        std::memcpy(shown + out, "...", 4);
    return shown;
}

}  // namespace

Leftovers::~Leftovers()
{
    for (auto &kind : names_) {
        for (char *name : kind)
            std::free(name);
    }
}

void Leftovers::Add(Kind kind, const char *name)
{
    if (counts_[kind] < kShown)
        names_[kind][counts_[kind]] = Shown(name ? name : "", kNameShown);
    ++counts_[kind];
}

int Leftovers::Total() const
{
    int total = 0;
    for (int count : counts_)
        total += count;
    return total;
}

int Leftovers::Failed() const
{
    return counts_[File] + counts_[Locked] + counts_[Key] + counts_[Refused];
}

char *Leftovers::Text(const char *const headings[kKinds], const char *moreFormat) const
{
    ::Text text;
    text.Append("");
    for (int kind = 0; kind < kKinds; ++kind) {
        if (counts_[kind] == 0)
            continue;
        if (text.length > 0)
            text.Append("\n");
        text.Append(headings[kind]);
        text.Append("\n");
        for (int i = 0; i < counts_[kind] && i < kShown; ++i) {
            text.Append("  ");
            text.Append(names_[kind][i] ? names_[kind][i] : "?");
            text.Append("\n");
        }
        if (counts_[kind] > kShown) {
            char more[128];
            FormatText(more, sizeof more, moreFormat, counts_[kind] - kShown);
            text.Append("  ");
            text.Append(more);
            text.Append("\n");
        }
    }
    if (text.failed) {
        std::free(text.data);
        return nullptr;
    }
    return text.data;
}
