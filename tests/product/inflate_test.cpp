// Inflation of a payload stream into a file (chunks, errors, cancel, and a
// disk that refuses the bytes) and into a buffer in one call.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "product/inflate.h"

namespace {

// Records what the loop reports; cancels after a given number of chunks.
class RecordingSink : public ChunkSink {
public:
    bool Fail(const char *message) override
    {
        failures.push_back(message);
        return false;
    }
    void Advance(int32_t count) override { chunks.push_back(count); }
    bool Cancelled() const override
    {
        return cancelAfter >= 0 && static_cast<int>(chunks.size()) >= cancelAfter;
    }

    std::vector<std::string> failures;
    std::vector<int32_t> chunks;
    int cancelAfter = -1;
};

// Bytes that deflate poorly, so that even short inputs give long streams.
std::string Payload(size_t size)
{
    std::string data(size, '\0');
    uint32_t seed = 12345;
    for (char &c : data) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    return data;
}

// Words in a random order: deflates well, so that damage in the middle of
// the stream breaks its codes.
std::string Text(size_t size)
{
    static const char *const kWords[] = {"ace ", "king ", "queen ", "jack ", "trick ", "suit "};
    std::string text;
    uint32_t seed = 777;
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        text += kWords[(seed >> 16) % 6];
    }
    text.resize(size);
    return text;
}

// A complete zlib stream at maximum compression (header 78 DA).
std::vector<unsigned char> Compress(const std::string &data)
{
    uLongf size = compressBound(data.size());
    std::vector<unsigned char> stream(size);
    EXPECT_EQ(Z_OK, compress2(stream.data(), &size,
                              reinterpret_cast<const Bytef *>(data.data()), data.size(), 9));
    stream.resize(size);
    return stream;
}

class InflateFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = ::testing::TempDir() + "inflate-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override { std::remove(path_.c_str()); }

    bool Inflate(const unsigned char *stream, size_t size)
    {
        FILE *file = std::fopen(path_.c_str(), "wb");
        EXPECT_NE(nullptr, file);
        return InflateIntoFile(stream, static_cast<uint32_t>(size), file, sink_);
    }
    bool Inflate(const std::vector<unsigned char> &stream)
    {
        return Inflate(stream.data(), stream.size());
    }
    std::string Written() const
    {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string path_;
    RecordingSink sink_;
};

TEST_F(InflateFile, writes_the_whole_file_and_advances_per_chunk)
{
    std::string data = Payload(3000);
    EXPECT_TRUE(Inflate(Compress(data)));
    EXPECT_EQ(data, Written());
    EXPECT_EQ((std::vector<int32_t>{1024, 1024, 952}), sink_.chunks);
    EXPECT_TRUE(sink_.failures.empty());
}

TEST_F(InflateFile, a_multiple_of_the_chunk_size_is_written_completely)
{
    std::string data = Payload(4096);
    EXPECT_TRUE(Inflate(Compress(data)));
    EXPECT_EQ(data, Written());
    // The call that only reports the end produced nothing and advances nothing.
    EXPECT_EQ((std::vector<int32_t>{1024, 1024, 1024, 1024}), sink_.chunks);
}

TEST_F(InflateFile, empty_file_and_input_after_the_end)
{
    std::vector<unsigned char> stream = Compress("");
    stream.insert(stream.end(), {0xde, 0xad, 0xbe, 0xef});
    EXPECT_TRUE(Inflate(stream));
    EXPECT_EQ("", Written());
    EXPECT_TRUE(sink_.chunks.empty());
}

TEST_F(InflateFile, a_corrupt_stream_is_a_decompression_error)
{
    std::string data = Text(50000);
    std::vector<unsigned char> stream = Compress(data);
    for (size_t i = stream.size() / 2; i < stream.size() / 2 + 64; ++i)
        stream[i] ^= 0x5a;
    EXPECT_FALSE(Inflate(stream));
    EXPECT_EQ(std::vector<std::string>{"$0332"}, sink_.failures);
    // What was produced before the damage stays in the file.
    std::string written = Written();
    EXPECT_LT(written.size(), data.size());
    ASSERT_GE(written.size(), 2048u);
    EXPECT_EQ(data.substr(0, 2048), written.substr(0, 2048));
}

TEST_F(InflateFile, a_bad_header_is_a_decompression_error)
{
    std::vector<unsigned char> stream = Compress(Payload(100));
    stream[0] = 0x00;
    EXPECT_FALSE(Inflate(stream));
    EXPECT_EQ(std::vector<std::string>{"$0332"}, sink_.failures);
    EXPECT_EQ("", Written());
}

TEST_F(InflateFile, a_truncated_stream_is_a_decompression_error)
{
    std::string data = Payload(5000);
    std::vector<unsigned char> stream = Compress(data);
    stream.resize(stream.size() / 2);
    EXPECT_FALSE(Inflate(stream));
    EXPECT_EQ(std::vector<std::string>{"$0332"}, sink_.failures);
    std::string written = Written();
    EXPECT_EQ(data.substr(0, written.size()), written);
}

TEST_F(InflateFile, a_missing_payload_is_a_decompression_error)
{
    EXPECT_FALSE(Inflate(nullptr, 500));
    EXPECT_EQ(std::vector<std::string>{"$0332"}, sink_.failures);
    EXPECT_EQ("", Written());
}

TEST_F(InflateFile, a_cancel_stops_between_chunks_without_an_error)
{
    std::string data = Payload(5000);
    sink_.cancelAfter = 2;
    EXPECT_TRUE(Inflate(Compress(data)));
    EXPECT_EQ((std::vector<int32_t>{1024, 1024}), sink_.chunks);
    EXPECT_EQ(data.substr(0, 2048), Written());
    EXPECT_TRUE(sink_.failures.empty());
}

// /dev/full takes every write into the stream's buffer and refuses it when
// the buffer goes to the device.
class FullDisk : public ::testing::Test {
protected:
    bool Inflate(const std::vector<unsigned char> &stream)
    {
        FILE *file = std::fopen("/dev/full", "wb");
        if (!file)
            return true;
        return InflateIntoFile(stream.data(), static_cast<uint32_t>(stream.size()), file, sink_);
    }
    void SetUp() override
    {
        FILE *file = std::fopen("/dev/full", "wb");
        if (!file)
            GTEST_SKIP() << "no /dev/full on this machine";
        std::fclose(file);
    }
    RecordingSink sink_;
};

TEST_F(FullDisk, bytes_refused_at_the_close_are_an_io_error)
{
    // Small enough to stay in the stream's buffer until the close.
    EXPECT_FALSE(Inflate(Compress(Payload(1500))));
    EXPECT_EQ(std::vector<std::string>{"$0331"}, sink_.failures);
    EXPECT_EQ((std::vector<int32_t>{1024, 476}), sink_.chunks);
}

TEST_F(FullDisk, a_refused_write_is_reported_once_and_ends_the_file)
{
    EXPECT_FALSE(Inflate(Compress(Payload(200000))));
    EXPECT_EQ(std::vector<std::string>{"$0331"}, sink_.failures);
    // The chunk that failed still moved the bar; nothing came after it.
    ASSERT_FALSE(sink_.chunks.empty());
    EXPECT_LT(sink_.chunks.size(), 200000u / 1024);
}

TEST_F(FullDisk, a_cancelled_file_reports_nothing_at_the_close)
{
    sink_.cancelAfter = 1;
    EXPECT_TRUE(Inflate(Compress(Payload(1500))));
    EXPECT_TRUE(sink_.failures.empty());
}

}  // namespace

// The whole stream in one call: a buffer of exactly the unpacked size is
// filled; a damaged or short stream gives only the bytes inflated before the
// damage, and nothing behind them is touched.
TEST(InflateWhole, fills_exactly_what_the_stream_holds)
{
    std::string data = Text(20000);
    std::vector<unsigned char> stream = Compress(data);
    std::vector<unsigned char> buffer(data.size() + 16, '#');
    EXPECT_EQ(data.size(), InflateWhole(stream.data(), static_cast<uint32_t>(stream.size()),
                                        buffer.data(), data.size()));
    EXPECT_EQ(data, std::string(buffer.begin(), buffer.begin() + data.size()));
    EXPECT_EQ(std::string(16, '#'), std::string(buffer.end() - 16, buffer.end()));

    // A buffer too small is never overrun.
    std::vector<unsigned char> small(1000 + 16, '#');
    EXPECT_EQ(1000u, InflateWhole(stream.data(), static_cast<uint32_t>(stream.size()),
                                  small.data(), 1000));
    EXPECT_EQ(std::string(16, '#'), std::string(small.end() - 16, small.end()));

    EXPECT_EQ(0u, InflateWhole(nullptr, 500, buffer.data(), buffer.size()));
}

TEST(InflateWhole, a_damaged_stream_gives_only_what_was_inflated)
{
    std::string data = Text(50000);
    std::vector<unsigned char> stream = Compress(data);
    for (size_t i = stream.size() / 2; i < stream.size() / 2 + 64; ++i)
        stream[i] ^= 0x5a;
    std::vector<unsigned char> buffer(data.size(), '#');
    size_t produced = InflateWhole(stream.data(), static_cast<uint32_t>(stream.size()),
                                   buffer.data(), buffer.size());
    EXPECT_LT(produced, data.size());
    ASSERT_GE(produced, 2048u);
    EXPECT_EQ(data.substr(0, 2048), std::string(buffer.begin(), buffer.begin() + 2048));
    EXPECT_EQ(std::string(data.size() - produced, '#'),
              std::string(buffer.begin() + produced, buffer.end()));

    std::vector<unsigned char> cut(stream.begin(), stream.begin() + stream.size() / 4);
    produced = InflateWhole(cut.data(), static_cast<uint32_t>(cut.size()), buffer.data(),
                            buffer.size());
    EXPECT_LT(produced, data.size());
    EXPECT_EQ(data.substr(0, produced), std::string(buffer.begin(), buffer.begin() + produced));
}
