// Durable replacement of a file on Windows: the C runtime's commit for the
// data, MoveFileExA with write-through for the move.
#include "base/durable.h"

#include <io.h>
#include <windows.h>

bool FlushToDisk(FILE *file)
{
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool ReplaceWithFile(const char *from, const char *to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const char *path)
{
    return DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
