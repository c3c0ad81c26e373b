// Files in their own place: the run writes only where the path says. A
// link, a junction or a mount point in the destination folder, or in a
// folder below it on the way to a file, could lead a run with the rights of
// an administrator into a folder that a user may not change; a file with a
// second name (a hard link) is another file as well.
#pragma once

#include <windows.h>

#include <cstdio>

// Looks, before anything is changed, at each existing folder and file below
// the destination on the way to every file in it that the run changes.
// True when none of them is a link: the destination and those folders are
// then held (see HoldFolder). Otherwise reports the first file that lies
// behind one ("Can't create file") and returns false.
bool NoLinksOnTheWay(HWND owner);

// Holds the folder `path` open until the run lets go of it: nobody can
// rename, move or delete it meanwhile, so that no link takes its place
// between the look at it and the files that the run writes, cuts off or
// deletes in it. A folder that cannot be opened is not held.
void HoldFolder(const char *path);

// Lets go of the folder `path`, so that the run itself can remove it.
void LetGoOfFolder(const char *path);

// Lets go of every folder held, at the end of the run.
void LetGoOfFolders();

// Opens `path` (`folder` + "\" + `name`) for writing from its start: a new
// file, or the one that stands there, emptied unless `keepBytes`. Only a
// file of its own in its place is opened, never what a link leads to or a
// file that has another name too; a file that the open made elsewhere is
// deleted again. Null when it cannot be opened so; the last error tells why.
FILE *OpenInPlace(const char *folder, const char *name, const char *path, bool keepBytes);
