// Fuzzer of the reader: each input is a file that Load reads into an
// UNINSTALL element; what it built is saved and loaded once more, which
// runs the writer over every shape of tree the reader can make, and the
// tree loaded from the saved document must be the tree that was saved.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "xml/readxml.h"
#include "xml/vxml.h"

namespace {

std::string FuzzPath(const char *tag)
{
    const char *folder = getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/velmo-xml-fuzz-" +
           std::to_string(getpid()) + "-" + tag;
}

// Levels of elements below element.
int Depth(const Vxml &element)
{
    int deepest = 0;
    for (const Vxml *child = element.FirstChild(); child; child = child->NextSibling()) {
        int depth = 1 + Depth(*child);
        if (depth > deepest)
            deepest = depth;
    }
    return deepest;
}

// True when both trees have the same names, texts (no text and an empty
// one alike) and children in the same order, byte for byte.
bool SameTree(const Vxml &a, const Vxml &b)
{
    const char *textA = a.GetText() ? a.GetText() : "";
    const char *textB = b.GetText() ? b.GetText() : "";
    if (std::strcmp(a.GetName(), b.GetName()) != 0 || std::strcmp(textA, textB) != 0)
        return false;
    const Vxml *childA = a.FirstChild();
    const Vxml *childB = b.FirstChild();
    for (; childA && childB; childA = childA->NextSibling(), childB = childB->NextSibling()) {
        if (!SameTree(*childA, *childB))
            return false;
    }
    return !childA && !childB;
}

const std::string kInput = FuzzPath("in.xml");
const std::string kOutput = FuzzPath("out.xml");

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *file = std::fopen(kInput.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    Vxml root("UNINSTALL");
    root.Load(kInput.c_str());
    // The top-level element counts as one level of the document.
    if (Depth(root) > Readxml::kMaxDepth - 1)
        __builtin_trap();
    if (!root.Save(kOutput.c_str()))
        __builtin_trap();
    Vxml again("UNINSTALL");
    again.Load(kOutput.c_str());
    if (!SameTree(root, again))
        __builtin_trap();
    std::remove(kInput.c_str());
    std::remove(kOutput.c_str());
    return 0;
}
