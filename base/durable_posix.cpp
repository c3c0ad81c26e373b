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

bool RemoveFile(const char *path)
{
    return unlink(path) == 0 || errno == ENOENT;
}
