// The CRC-32 of zlib and gzip, computed bit by bit without tables.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues the CRC-32 `crc` (0 to start) over `length` bytes at `bytes`.
uint32_t Crc32(uint32_t crc, const unsigned char *bytes, size_t length);
