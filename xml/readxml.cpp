// The XML reader: the file in memory, its constructs, and Vxml::Load.
#include "xml/readxml.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/text.h"
#include "xml/vxml.h"

namespace {

const int kPadding = 16;           // NULs after the data
const int32_t kTextStep = 1024;    // first size of the text buffer, which doubles
// Larger files are not ours; refusing them keeps every size and count of
// the reader within 32 bits.
const long kMaxFileSize = INT32_MAX - kPadding;

// The document of a file that could not be read: no bytes, only padding.
const char kNoData[kPadding] = {};

bool IsSpace(char c)
{
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ';
}

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool IsDeclaration(const char *p)
{
    return p[0] == '<' && p[1] == '?' && AsciiUpper(p[2]) == 'X' &&
           AsciiUpper(p[3]) == 'M' && AsciiUpper(p[4]) == 'L';
}

bool IsComment(const char *p)
{
    return p[0] == '<' && p[1] == '!' && p[2] == '-';
}

bool IsEndTag(const char *p)
{
    return p[0] == '<' && p[1] == '/';
}

// Reads the whole file into a buffer with room for the padding after it;
// nullptr when the file cannot be opened, measured, held in memory or
// read. size receives the number of bytes read.
char *ReadFile(const char *fileName, size_t *size)
{
    FILE *file = fileName ? std::fopen(fileName, "rb") : nullptr;
    if (!file)
        return nullptr;
    char *bytes = nullptr;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        length = std::ftell(file);
    // A folder opens on some systems and then reports a huge length.
    if (length >= 0 && length <= kMaxFileSize && std::fseek(file, 0, SEEK_SET) == 0)
        bytes = static_cast<char *>(std::malloc(static_cast<size_t>(length) + kPadding));
    if (bytes) {
        *size = std::fread(bytes, 1, static_cast<size_t>(length), file);
        if (std::ferror(file)) {
            std::free(bytes);
            bytes = nullptr;
        }
    }
    std::fclose(file);
    return bytes;
}

// Turns every CR LF into LF in place, as a text-mode read does; returns
// the new length.
size_t JoinLineEnds(char *bytes, size_t size)
{
    size_t out = 0;
    for (size_t in = 0; in < size; in++) {
        if (bytes[in] == '\r' && in + 1 < size && bytes[in + 1] == '\n')
            continue;
        bytes[out++] = bytes[in];
    }
    return out;
}

}  // namespace

Readxml::Readxml(const char *fileName)
    : data(nullptr), position(kNoData), textBuffer(nullptr),
      textCapacity(0), textLength(0), depth(0)
{
    size_t size = 0;
    data = ReadFile(fileName, &size);
    if (data) {
        size = JoinLineEnds(data, size);
        std::memset(data + size, 0, kPadding);
        position = data;
    }
    textBuffer = static_cast<char *>(std::malloc(kTextStep));
    if (textBuffer) {
        textCapacity = kTextStep;
        textBuffer[0] = '\0';
    }
}

Readxml::~Readxml()
{
    std::free(data);
    std::free(textBuffer);
}

void Readxml::AppendChar(char c)
{
    if (textLength + 1 >= textCapacity) {
        // Doubling keeps a long text linear where each growth copies it.
        int32_t capacity = textCapacity > INT32_MAX / 2 ? INT32_MAX : textCapacity * 2;
        if (capacity <= textLength + 1)
            return;
        void *grown = std::realloc(textBuffer, static_cast<size_t>(capacity));
        if (!grown)
            return;
        textBuffer = static_cast<char *>(grown);
        textCapacity = capacity;
    }
    textBuffer[textLength++] = c;
    textBuffer[textLength] = '\0';
}

void Readxml::EmptyText()
{
    textLength = 0;
    if (textBuffer)
        textBuffer[0] = '\0';
}

// The steps below never go past the NUL that ends the document, so bytes
// after an embedded NUL are never looked at.

void Readxml::SkipDeclaration()
{
    position += 5;
    char quote = '\0';
    while (*position) {
        char c = *position;
        if (quote) {
            if (c == quote)
                quote = '\0';
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '?' && position[1] == '>') {
            position += 2;
            return;
        }
        position++;
    }
}

void Readxml::SkipComment()
{
    // The end may share the last dash of "<!-".
    position += 2;
    while (*position) {
        if (position[0] == '-' && position[1] == '-' && position[2] == '>') {
            position += 3;
            return;
        }
        position++;
    }
}

void Readxml::SkipEndTag()
{
    position += 2;
    while (*position && *position != '>')
        position++;
    if (*position)
        position++;
}

void Readxml::ReadStartTag(char *name)
{
    position++;
    int length = 0;
    while (length < Vxml::kNameSize - 1 && IsNameChar(*position))
        name[length++] = *position++;
    name[length] = '\0';
    if (*position)
        position++;
}

void Readxml::SkipElement()
{
    EmptyText();
    char name[Vxml::kNameSize];
    int32_t open = 1;
    while (*position && open > 0) {
        if (*position != '<') {
            position++;
        } else if (IsDeclaration(position)) {
            SkipDeclaration();
        } else if (IsComment(position)) {
            SkipComment();
        } else if (IsEndTag(position)) {
            SkipEndTag();
            open--;
        } else {
            ReadStartTag(name);
            open++;
        }
    }
    EmptyText();
}

void Readxml::Parse(Vxml *parent, bool matched)
{
    depth++;
    bool skipLeading = true;
    EmptyText();
    while (*position) {
        if (*position != '<') {
            if (!(skipLeading && IsSpace(*position))) {
                skipLeading = false;
                AppendChar(*position);
            }
            position++;
        } else if (IsDeclaration(position)) {
            SkipDeclaration();
        } else if (IsComment(position)) {
            SkipComment();
            skipLeading = true;
        } else if (IsEndTag(position)) {
            SkipEndTag();
            if (parent && textLength > 0)
                parent->SetText(textBuffer);
            EmptyText();
            break;
        } else {
            char name[Vxml::kNameSize];
            ReadStartTag(name);
            // Where the element's content goes: a new child, the parent
            // itself (a top-level element named like it), or nowhere.
            Vxml *target = nullptr;
            if (parent && depth <= kMaxDepth) {
                if (matched)
                    target = parent->AddChild(new (std::nothrow) Vxml(name));
                else if (parent->HasName(name))
                    target = parent;
            }
            if (target)
                Parse(target, true);
            else
                SkipElement();
            skipLeading = true;
        }
    }
    depth--;
}

void Vxml::Load(const char *fileName)
{
    Readxml reader(fileName);
    reader.Parse(this, false);
}
