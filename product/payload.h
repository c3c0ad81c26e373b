// Access to the packed payload: the zlib stream of an install entry in the
// program's own "QFILE" resources.
#pragma once

#include <cstdint>

#include "product/manifest.h"

// Finds and loads the "QFILE" resource `entry.resourceId` of the program
// and returns its stream, which stays valid while the program runs, with
// *size = entry.packedSize. Returns nullptr (and *size = 0) when the entry
// has no payload, or the resource is missing, cannot be loaded or is
// shorter than packedSize, so that nobody reads past its end.
const unsigned char *OpenPayload(const ManifestEntry &entry, uint32_t *size);
