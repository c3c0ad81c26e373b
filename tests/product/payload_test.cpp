// The payload lookup in a program that embeds the packed payload: every
// install entry's stream is found, has its manifest sizes and inflates;
// entries without a usable resource give nothing.
#include <windows.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product/manifest.h"
#include "product/payload.h"

namespace {

// Inflates a stream; the number of bytes, or -1 when the stream is damaged
// or does not end exactly at its last byte.
long InflatedLength(const unsigned char *stream, uint32_t size)
{
    z_stream z = {};
    if (inflateInit(&z) != Z_OK)
        return -1;
    z.next_in = const_cast<Bytef *>(stream);
    z.avail_in = size;
    long total = 0;
    int result;
    do {
        unsigned char chunk[1024];
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        result = inflate(&z, Z_NO_FLUSH);
        total += static_cast<long>(sizeof chunk - z.avail_out);
    } while (result == Z_OK);
    bool complete = result == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return complete ? total : -1;
}

TEST(OpenPayload, EveryPayloadEntryHasItsStream)
{
    int streams = 0;
    for (const ManifestEntry &entry : kInstallTable) {
        if ((entry.flags & (ENTRY_EXTRACT | ENTRY_UNINSTALLER)) == 0)
            continue;
        uint32_t size = 12345;
        const unsigned char *stream = OpenPayload(entry, &size);
        ASSERT_NE(nullptr, stream) << entry.name;
        EXPECT_EQ(entry.packedSize, size) << entry.name;
        EXPECT_EQ(0x78, stream[0]) << entry.name;
        EXPECT_EQ(0xDA, stream[1]) << entry.name;
        EXPECT_EQ(static_cast<long>(entry.unpackedSize), InflatedLength(stream, size))
            << entry.name;
        // Stored under Dutch (1043), found by the default language search.
        HRSRC dutch = FindResourceExA(nullptr, "QFILE", MAKEINTRESOURCEA(entry.resourceId),
                                      MAKELANGID(LANG_DUTCH, SUBLANG_DUTCH));
        EXPECT_NE(nullptr, dutch) << entry.name;
        streams++;
    }
    EXPECT_EQ(94, streams);
}

TEST(OpenPayload, EntriesWithoutUsableResourceGiveNothing)
{
    const ManifestEntry web = kInstallTable[kInstallCount - 1];
    ASSERT_EQ(0, web.resourceId);
    uint32_t size = 12345;
    EXPECT_EQ(nullptr, OpenPayload(web, &size));
    EXPECT_EQ(0u, size);

    ManifestEntry missing = kInstallTable[0];
    missing.resourceId = 9999;
    size = 12345;
    EXPECT_EQ(nullptr, OpenPayload(missing, &size));
    EXPECT_EQ(0u, size);

    // A manifest that claims more bytes than the resource holds would make
    // the inflater read past the resource.
    ManifestEntry tooLong = kInstallTable[0];
    tooLong.packedSize += 1;
    size = 12345;
    EXPECT_EQ(nullptr, OpenPayload(tooLong, &size));
    EXPECT_EQ(0u, size);

    // A shorter claim is served: the stream simply ends early for the inflater.
    ManifestEntry shorter = kInstallTable[0];
    shorter.packedSize -= 1;
    EXPECT_NE(nullptr, OpenPayload(shorter, &size));
    EXPECT_EQ(shorter.packedSize, size);
}

}  // namespace
