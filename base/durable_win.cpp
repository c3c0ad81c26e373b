// Durable replacement of a file on Windows: the C runtime's commit for the
// data, MoveFileExA with write-through for the move.
#include "base/durable.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

bool FlushToDisk(FILE *file)
{
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool ReplaceWithFile(const char *from, const char *to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

FILE *CreateNewFile(const char *path)
{
    int descriptor = _open(path, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor < 0)
        return nullptr;
    FILE *file = _fdopen(descriptor, "wb");
    if (!file)
        _close(descriptor);
    return file;
}

bool RemoveFile(const char *path)
{
    return DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
