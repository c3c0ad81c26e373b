// Inflation of payload streams into a file, chunk by chunk, or into a buffer.
#include "product/inflate.h"

#include <zlib.h>

#include <cstring>

namespace {

// Flushes and closes the file; false when bytes still buffered could not be
// written or the close itself failed.
bool CloseFile(FILE *file)
{
    bool flushed = std::fflush(file) == 0;
    bool closed = std::fclose(file) == 0;
    return flushed && closed;
}

// Starts an inflater on `size` bytes at `stream` (none when it is null).
// The stream format of version 1.1.4; every zlib of major version 1 accepts
// this version text.
bool StartInflater(z_stream &inflater, const unsigned char *stream, uint32_t size)
{
    std::memset(&inflater, 0, sizeof inflater);
    if (inflateInit_(&inflater, "1.1.4", static_cast<int>(sizeof(z_stream))) != Z_OK)
        return false;
    inflater.next_in = const_cast<Bytef *>(stream);
    inflater.avail_in = stream ? size : 0;
    return true;
}

}  // namespace

bool InflateIntoFile(const unsigned char *stream, uint32_t size, FILE *file, ChunkSink &sink)
{
    z_stream inflater;
    if (!StartInflater(inflater, stream, size)) {
        bool ok = sink.Fail("$0332");
        std::fclose(file);
        return ok;
    }

    bool ok = true;
    unsigned char chunk[kChunkSize];
    do {
        inflater.next_out = chunk;
        inflater.avail_out = kChunkSize;
        int result = inflate(&inflater, Z_NO_FLUSH);
        uInt produced = kChunkSize - inflater.avail_out;
        if (produced > 0) {
            if (std::fwrite(chunk, 1, produced, file) < produced)
                ok = sink.Fail("$0331");
            sink.Advance(static_cast<int32_t>(produced));
        }
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK)
            ok = sink.Fail("$0332");
    } while (ok && !sink.Cancelled());
    inflateEnd(&inflater);

    // Bytes still buffered are written only now; a full disk can refuse
    // them. A cancelled file is removed by the roll-back anyway, and a write
    // error has been shown already.
    if (!CloseFile(file) && ok && !sink.Cancelled())
        ok = sink.Fail("$0331");
    return ok;
}

size_t InflateWhole(const unsigned char *stream, uint32_t size, unsigned char *buffer,
                    size_t capacity)
{
    z_stream inflater;
    if (!StartInflater(inflater, stream, size))
        return 0;
    inflater.next_out = buffer;
    inflater.avail_out = static_cast<uInt>(capacity);
    // The result does not matter: what counts is what reached the buffer.
    inflate(&inflater, Z_FINISH);
    size_t produced = capacity - inflater.avail_out;
    inflateEnd(&inflater);
    return produced;
}
