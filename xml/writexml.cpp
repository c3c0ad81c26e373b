// The XML writer: Write and Vxml::Save.
#include "xml/writexml.h"

#include <cstring>

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
    FILE *file = fileName ? std::fopen(fileName, "wb") : nullptr;
    if (!file)
        return false;
    Put(kDeclaration, file);
    Write(this, file, 0);
    bool written = !std::ferror(file);
    return std::fclose(file) == 0 && written;
}
