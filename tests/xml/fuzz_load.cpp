// Fuzzer of the reader: each input is a file that Load reads into an
// UNINSTALL element; what it built is saved and loaded once more, which
// runs the writer over every shape of tree the reader can make.
#include <cstddef>
#include <cstdint>
#include <cstdio>
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
    root.Save(kOutput.c_str());
    Vxml again("UNINSTALL");
    again.Load(kOutput.c_str());
    std::remove(kInput.c_str());
    std::remove(kOutput.c_str());
    return 0;
}
