// Language tables: splitting a table into lines, numbered and continuation
// lines, escapes, and the store of texts by id.
#include <cstdlib>
#include <cstring>

#include "locale/text.h"
#include "locale/vlocale.h"
#include "base/text.h"

char Vlocale::scratch[1024];

namespace {

constexpr int kGrowth = 1024;   // slots added to the table at a time

// Rewrites the escapes of text in place: "\n"/"\N" line feed, "\t"/"\T" tab,
// a backslash before any other character gives that character. A backslash
// that ends the line has nothing to escape and is dropped.
void ProcessEscapes(char *text)
{
    char *out = text;
    for (const char *in = text; *in; ++in) {
        if (*in != '\\') {
            *out++ = *in;
            continue;
        }
        ++in;
        if (*in == '\0')
            break;
        if (*in == 'n' || *in == 'N')
            *out++ = '\n';
        else if (*in == 't' || *in == 'T')
            *out++ = '\t';
        else
            *out++ = *in;
    }
    *out = '\0';
}

}  // namespace

int ReadTextId(const char *digits)
{
    int id = 0;
    for (const char *p = digits; *p >= '0' && *p <= '9'; ++p) {
        id = id * 10 + (*p - '0');
        if (id > kMaxTextId)
            return -1;
    }
    return id;
}

Vlocale::Vlocale(const char *table, size_t size, const char *oldVersion, const char *oldFolder)
    : oldVersion(oldVersion ? oldVersion : ""), oldFolder(oldFolder ? oldFolder : "")
{
    languageName[0] = '\0';
    ParseTable(table, size);
    ExpandPlaceholders();
}

Vlocale::~Vlocale()
{
    Clear();
}

bool Vlocale::IsDutchName(const char *nativeName)
{
    return nativeName != nullptr && EqualNoCase(nativeName, "Nederlands");
}

// Feeds every line of the table to ParseLine. The table ends after size bytes
// or at a NUL byte; it need not be NUL-terminated. A line longer than the
// scratch buffer keeps its first 1023 characters, the rest of it is skipped
// (it never becomes a line of its own).
void Vlocale::ParseTable(const char *data, size_t size)
{
    currentId = -1;
    if (!data)
        return;
    const char *end = data + size;
    const char *position = data;
    while (position < end && *position != '\0') {
        const char *lineEnd = position;
        while (lineEnd < end && *lineEnd != '\0' && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        size_t length = static_cast<size_t>(lineEnd - position);
        if (length > sizeof scratch - 1)
            length = sizeof scratch - 1;
        std::memcpy(scratch, position, length);
        scratch[length] = '\0';
        ParseLine(scratch);
        position = lineEnd;
        while (position < end && (*position == '\r' || *position == '\n'))
            ++position;
    }
}

// One table line, changed in place by the escapes. A numbered line stores its
// text under its id; a continuation line (leading space) extends the entry of
// the last numbered line. Ignored: comment lines, numbered lines without "="
// or with an id above kMaxTextId, and continuations before the first numbered
// line (there is no entry yet to extend).
void Vlocale::ParseLine(char *line)
{
    if (*line >= '0' && *line <= '9') {
        int id = ReadTextId(line);
        char *text = std::strchr(line, '=');
        if (!text || id < 0)
            return;
        ++text;
        ProcessEscapes(text);
        SetEntry(id, text);
        currentId = id;
    } else if (*line == ' ') {
        if (currentId < 0)
            return;
        ProcessEscapes(line);
        while (*line == ' ')
            ++line;
        if (*line != '\0')
            AppendEntry(currentId, line);
    }
}

// Stores a copy of text under id, growing the table by 1024 slots at a time
// until id fits, and frees the text stored there before. Returns the stored
// copy; null, with the table unchanged, when the id is out of range or memory
// runs out.
char *Vlocale::SetEntry(int id, const char *text)
{
    if (id < 0 || id > kMaxTextId)
        return nullptr;
    if (id >= capacity) {
        int newCapacity = capacity;
        while (id >= newCapacity)
            newCapacity += kGrowth;
        char **grown = static_cast<char **>(std::calloc(newCapacity, sizeof *grown));
        if (!grown)
            return nullptr;
        if (entries)
            std::memcpy(grown, entries, capacity * sizeof *grown);
        std::free(entries);
        entries = grown;
        capacity = newCapacity;
    }
    char *copy = DuplicateText(text);
    if (!copy)
        return nullptr;
    std::free(entries[id]);
    entries[id] = copy;
    return copy;
}

// Joins a continuation to the text of id: with one space between them unless
// the text ends in a space or a line feed, or is empty (an empty text gets no
// leading space). Nothing else is trimmed. Out of memory leaves the text as
// it was.
void Vlocale::AppendEntry(int id, const char *continuation)
{
    if (id < 0 || id >= capacity || !entries[id])
        return;
    const char *text = entries[id];
    size_t length = std::strlen(text);
    bool separate = length > 0 && text[length - 1] != ' ' && text[length - 1] != '\n';
    size_t extra = std::strlen(continuation);
    char *joined = static_cast<char *>(std::malloc(length + (separate ? 1 : 0) + extra + 1));
    if (!joined)
        return;
    std::memcpy(joined, text, length);
    if (separate)
        joined[length++] = ' ';
    std::memcpy(joined + length, continuation, extra + 1);
    std::free(entries[id]);
    entries[id] = joined;
}

void Vlocale::Clear()
{
    for (int id = 0; id < capacity; ++id)
        std::free(entries[id]);
    std::free(entries);
    entries = nullptr;
    capacity = 0;
}
