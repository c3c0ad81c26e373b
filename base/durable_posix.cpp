// Durable replacement of a file on the build machine, where the unit tests
// run: fsync for the data, rename for the move, fsync of the folder for the
// rename.
#include "base/durable.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

bool FlushToDisk(FILE *file)
{
    return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

bool ReplaceWithFile(const char *from, const char *to)
{
    if (std::rename(from, to) != 0)
        return false;
    const char *slash = std::strrchr(to, '/');
    std::string folder = slash ? std::string(to, slash - to + 1) : std::string(".");
    int handle = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (handle >= 0) {
        fsync(handle);
        close(handle);
    }
    return true;
}

FILE *CreateNewFile(const char *path)
{
    int descriptor = open(path, O_CREAT | O_EXCL | O_WRONLY, 0666);
    if (descriptor < 0)
        return nullptr;
    FILE *file = fdopen(descriptor, "wb");
    if (!file)
        close(descriptor);
    return file;
}

bool RemoveFile(const char *path)
{
    return unlink(path) == 0 || errno == ENOENT;
}
