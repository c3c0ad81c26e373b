// The table-free CRC-32 that stands in for zlib's in the Windows programs
// must give zlib's results, also when the bytes come in pieces.
#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "install/checksum.h"

TEST(Checksum, matches_zlib_whole_and_in_pieces)
{
    const unsigned char check[] = "123456789";
    EXPECT_EQ(0xCBF43926u, Crc32(0, check, 9));
    EXPECT_EQ(0u, Crc32(0, check, 0));

    std::vector<unsigned char> bytes(5000);
    uint32_t seed = 7;
    for (unsigned char &b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    uint32_t expected = static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
    EXPECT_EQ(expected, Crc32(0, bytes.data(), bytes.size()));
    uint32_t pieces = Crc32(0, bytes.data(), 1234);
    pieces = Crc32(pieces, bytes.data() + 1234, bytes.size() - 1234);
    EXPECT_EQ(expected, pieces);
}
