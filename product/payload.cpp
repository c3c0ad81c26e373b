// Access to the packed payload.
#include "product/payload.h"

#include <windows.h>

const unsigned char *OpenPayload(const ManifestEntry &entry, uint32_t *size)
{
    *size = 0;
    if (entry.resourceId == 0)
        return nullptr;
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(entry.resourceId), "QFILE");
    if (resource == nullptr || SizeofResource(nullptr, resource) < entry.packedSize)
        return nullptr;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void *stream = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (stream == nullptr)
        return nullptr;
    *size = entry.packedSize;
    return static_cast<const unsigned char *>(stream);
}
