// zlib's crc32 for the Windows programs. The inflater calls it for gzip
// streams only, and the payload is plain zlib streams; zlib's own version
// would bring 8 KB of lookup tables into Setup.exe for nothing. Linked
// ahead of the library, this one takes its place with the same results.
#include <zlib.h>

#include "install/checksum.h"

extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef *buf, uInt len)
{
    if (!buf)
        return 0;
    return Crc32(static_cast<uint32_t>(crc), buf, len);
}
