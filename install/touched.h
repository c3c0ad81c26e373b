// The existing files that a run changes: those it overwrites, deletes or
// renames, which another program must not hold open when the run begins.
#pragma once

#include "product/manifest.h"

struct CleanUpPlace;

// Calls visit(path, context) for every file that a run into `destination`
// overwrites (the payload files, the record, the product data file) and,
// with `cleanUp` (the clean-up of a version 2 applies), every file that the
// clean-up table deletes or renames, the shared uninstaller included. A path
// that does not fit a Windows path is left out: the run refuses it too.
void VisitTouchedFiles(const ManifestEntry *install, int installCount,
                       const ManifestEntry *cleanUpTable, int cleanUpCount,
                       const char *destination, const CleanUpPlace *cleanUp,
                       void (*visit)(const char *path, void *context), void *context);
