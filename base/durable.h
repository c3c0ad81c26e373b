// Files that must never be half written: the bytes reach the disk before a
// finished file takes the place of the old one, in one step.
#pragma once

#include <cstdio>

// Flushes file's buffers to the system and asks the system to write them to
// the disk. False when either fails; the file stays open either way.
bool FlushToDisk(FILE *file);

// Puts the file `from` in the place of `to`, replacing a file that is there,
// in one step that itself reaches the disk before the call returns: a reader
// of `to` sees the old file or the new one, never a mix. Both must be in one
// folder. False, and both files left as they were, when the move fails.
bool ReplaceWithFile(const char *from, const char *to);

// Makes the file `path` for writing, only where no name stands yet, not
// even a link to nothing: a name that someone puts there between a deletion
// and this call makes it fail instead of being followed. Null when it fails.
FILE *CreateNewFile(const char *path);

// Deletes the file `path` (a link, never what it points to). True when no
// file of that name is left.
bool RemoveFile(const char *path);
