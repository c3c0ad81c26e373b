// Inflation of payload streams (complete zlib streams in memory): into an
// open file in chunks of at most 1024 bytes, or into a buffer in one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int kChunkSize = 1024;

// What the inflation loop reports to its caller while it runs.
class ChunkSink {
public:
    virtual ~ChunkSink() = default;
    // Shows the error of the text reference `message` ("$0331", "$0332");
    // returns false, the loop's new result.
    virtual bool Fail(const char *message) = 0;
    // A chunk of `count` bytes was produced (and handed to the file).
    virtual void Advance(int32_t count) = 0;
    // True once the user has cancelled the run.
    virtual bool Cancelled() const = 0;
};

// Inflates `size` bytes of zlib stream at `stream` (nullptr: no input) into
// `file` and closes the file on every path. Returns true when the whole
// stream reached the disk or the user cancelled between two chunks; false
// after an error, which `sink` has shown:
//   "$0332"  the inflater cannot start, or the stream is corrupt, truncated
//            or missing; what was produced before stays in the file;
//   "$0331"  a write, the final flush or the close failed (disk full): a file
//            cut short never counts as written.
// Input after the end of the stream is ignored.
bool InflateIntoFile(const unsigned char *stream, uint32_t size, FILE *file, ChunkSink &sink);

// Inflates the zlib stream at `stream` (`size` bytes; nullptr: no input) into
// `buffer` in one call with Z_FINISH, at most `capacity` bytes, and returns
// the number of bytes produced. A damaged or short stream gives what was
// inflated before the damage; an inflater that cannot start gives 0. Bytes
// of the buffer beyond the result are not touched.
size_t InflateWhole(const unsigned char *stream, uint32_t size, unsigned char *buffer,
                    size_t capacity);
