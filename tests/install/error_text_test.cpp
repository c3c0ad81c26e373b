// The text of an error box: formatted message plus closing sentence, always
// within its buffer.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "install/error_text.h"

namespace {

const char kAppendix[] = "\n\nInstallation will be terminated.";

std::string Format(size_t size, const char *appendix, const char *format, ...)
{
    std::string buffer(size + 16, '#');  // guard bytes behind the buffer
    va_list args;
    va_start(args, format);
    size_t length = FormatErrorText(&buffer[0], size, appendix, format, args);
    va_end(args);
    for (size_t i = size; i < buffer.size(); ++i)
        EXPECT_EQ('#', buffer[i]) << "written beyond the buffer at " << i;
    std::string text = buffer.c_str();
    EXPECT_EQ(text.size(), length);
    return text;
}

TEST(ErrorText, formats_the_message_and_appends_the_sentence)
{
    EXPECT_EQ(std::string("Can't create file C:\\Program Files\\Velmo\\Velmo.exe") + kAppendix,
              Format(1000, kAppendix, "Can't create file %s",
                     "C:\\Program Files\\Velmo\\Velmo.exe"));
    EXPECT_EQ(std::string("I/O error") + kAppendix, Format(1000, kAppendix, "I/O error"));
}

TEST(ErrorText, a_long_path_is_cut_and_the_sentence_stays_whole)
{
    std::string path = "C:\\" + std::string(2000, 'a') + "\\Velmo.exe";
    std::string text = Format(1000, kAppendix, "Can't create file %s", path.c_str());
    ASSERT_EQ(999u, text.size());
    EXPECT_EQ(0u, text.find("Can't create file C:\\aaa"));
    EXPECT_EQ(text.size() - (sizeof kAppendix - 1), text.rfind(kAppendix));
}

TEST(ErrorText, a_text_that_just_fits_is_not_cut)
{
    std::string message(999 - (sizeof kAppendix - 1), 'm');
    std::string text = Format(1000, kAppendix, "%s", message.c_str());
    EXPECT_EQ(message + kAppendix, text);
    std::string longer = message + "x";
    EXPECT_EQ(message + kAppendix, Format(1000, kAppendix, "%s", longer.c_str()));
}

TEST(ErrorText, arguments_are_not_read_as_formats)
{
    EXPECT_EQ(std::string("Can't create file C:\\100%s\\%d") + kAppendix,
              Format(1000, kAppendix, "Can't create file %s", "C:\\100%s\\%d"));
}

TEST(ErrorText, an_appendix_too_long_for_the_buffer_is_cut_itself)
{
    EXPECT_EQ("\n\nInst", Format(7, kAppendix, "Error %s", "x"));
    EXPECT_EQ("", Format(1, kAppendix, "Error"));
}

TEST(ErrorText, no_appendix_and_no_message)
{
    EXPECT_EQ("Decompression error", Format(1000, nullptr, "Decompression error"));
    EXPECT_EQ(kAppendix, Format(1000, kAppendix, nullptr));
}

}  // namespace
