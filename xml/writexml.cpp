// The XML writer: Write and Vxml::Save.
#include "xml/writexml.h"

#include <cstdlib>
#include <cstring>

#include "base/durable.h"
#include "xml/vxml.h"

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\"?>\n";

// Writes text, each LF as CR LF.
void Put(const char *text, FILE *file)
{
    while (*text) {
        size_t run = std::strcspn(text, "\n");
        std::fwrite(text, 1, run, file);
        text += run;
        if (*text == '\n') {
            std::fwrite("\r\n", 1, 2, file);
            text++;
        }
    }
}

void Indent(int depth, FILE *file)
{
    for (int i = 0; i < depth; i++)
        std::fwrite("  ", 1, 2, file);
}

}  // namespace

void Write(const Vxml *element, FILE *file, int depth)
{
    Indent(depth, file);
    Put("<", file);
    Put(element->GetName(), file);
    Put(">", file);
    if (element->FirstChild()) {
        Put("\n", file);
        for (const Vxml *child = element->FirstChild(); child; child = child->NextSibling())
            Write(child, file, depth + 1);
        Indent(depth, file);
    }
    if (element->GetText())
        Put(element->GetText(), file);
    Put("</", file);
    Put(element->GetName(), file);
    Put(">\n", file);
}

bool Vxml::Save(const char *fileName)
{
    if (!fileName)
        return false;
    // The new document goes to a file beside the old one, which it replaces
    // only once it is whole and on the disk: a full disk or an end of the
    // process during the write leaves the old file as it was.
    static const char kSuffix[] = ".new";
    size_t length = std::strlen(fileName);
    char *temporary = static_cast<char *>(std::malloc(length + sizeof kSuffix));
    if (!temporary)
        return false;
    std::memcpy(temporary, fileName, length);
    std::memcpy(temporary + length, kSuffix, sizeof kSuffix);
    // A file left by an earlier save that did not finish, or a link that
    // someone put in its place, goes first: the new file is always a new
    // file of its own.
    FILE *file = RemoveFile(temporary) ? CreateNewFile(temporary) : nullptr;
    bool saved = false;
    if (file) {
        Put(kDeclaration, file);
        Write(this, file, 0);
        bool written = !std::ferror(file) && FlushToDisk(file);
        saved = std::fclose(file) == 0 && written && ReplaceWithFile(temporary, fileName);
        if (!saved)
            RemoveFile(temporary);
    }
    std::free(temporary);
    return saved;
}
