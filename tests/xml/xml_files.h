// Files for the XML tests: names in the temporary folder that are unique to
// the running test, and whole-file reads and writes in binary.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define VELMO_TEST_PID _getpid()
#else
#include <unistd.h>
#define VELMO_TEST_PID getpid()
#endif

// Writes bytes to path exactly as given.
inline void WriteBytes(const std::string &path, const std::string &bytes)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

// Writes text to path through the C runtime's text mode, which turns each
// LF into CR LF on Windows.
inline void WriteText(const std::string &path, const char *text)
{
    FILE *file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr) << path;
    std::fputs(text, file);
    std::fclose(file);
}

// The bytes of the file at path; "<missing>" when it cannot be opened.
inline std::string ReadBytes(const std::string &path, const char *mode = "rb")
{
    FILE *file = std::fopen(path.c_str(), mode);
    if (!file)
        return "<missing>";
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

// A test with its own temporary files, removed again afterwards.
class XmlFileTest : public ::testing::Test {
protected:
    // A file name of this test: folder, process, test name and tag.
    std::string TempPath(const char *tag)
    {
#ifdef _WIN32
        const char *folder = std::getenv("TEMP");
        if (!folder)
            folder = std::getenv("TMP");
        const char separator = '\\';
#else
        const char *folder = std::getenv("TMPDIR");
        const char separator = '/';
#endif
        std::string path = folder && *folder ? folder : DefaultFolder();
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        path += separator;
        path += "velmo-xml-" + std::to_string(VELMO_TEST_PID) + "-" + test->test_suite_name() +
                "-" + test->name() + "-" + tag;
        paths_.push_back(path);
        return path;
    }

    void TearDown() override
    {
        for (const std::string &path : paths_)
            std::remove(path.c_str());
    }

private:
    static const char *DefaultFolder()
    {
#ifdef _WIN32
        return ".";
#else
        return "/tmp";
#endif
    }

    std::vector<std::string> paths_;
};
