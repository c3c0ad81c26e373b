// The CRC-32 of zlib and gzip, computed bit by bit without tables.
#include "install/checksum.h"

uint32_t Crc32(uint32_t crc, const unsigned char *bytes, size_t length)
{
    crc = ~crc;
    while (length--) {
        crc ^= *bytes++;
        for (int bit = 0; bit < 8; bit++)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}
