// Inflation of a payload stream into a file, chunk by chunk.
#include "install/inflate_file.h"

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

}  // namespace

bool InflateIntoFile(const unsigned char *stream, uint32_t size, FILE *file, ChunkSink &sink)
{
    z_stream inflater;
    std::memset(&inflater, 0, sizeof inflater);
    // The stream format of version 1.1.4; every zlib of major version 1
    // accepts this version text.
    if (inflateInit_(&inflater, "1.1.4", static_cast<int>(sizeof(z_stream))) != Z_OK) {
        bool ok = sink.Fail("$0332");
        std::fclose(file);
        return ok;
    }
    inflater.next_in = const_cast<Bytef *>(stream);
    inflater.avail_in = stream ? size : 0;

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
