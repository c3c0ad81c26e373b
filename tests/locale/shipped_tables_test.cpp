// The two tables that Setup.exe carries: their layout, and every text after
// parsing, joining and placeholder replacement.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/locale/load.h"

namespace {

struct ExpectedText {
    std::string id;
    std::string kind;
    std::string text;   // cp1252, real line feeds, placeholders not replaced
};

std::string ReadFile(const std::string &relative)
{
    std::ifstream file(std::string(VELMO_SOURCE_DIR) + "/" + relative, std::ios::binary);
    EXPECT_TRUE(file.good()) << "cannot read " << relative;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The texts files write the texts as they are shown, in UTF-8 with "\n" for
// a line feed; the tables hold cp1252, where the setup's only letters beyond
// ASCII are "ë" (0xEB) and "ï" (0xEF).
std::vector<ExpectedText> ReadExpected(const std::string &relative)
{
    std::vector<ExpectedText> texts;
    std::istringstream lines(ReadFile(relative));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        ExpectedText expected;
        size_t kindEnd = line.find(' ', 5);
        expected.id = line.substr(0, 4);
        expected.kind = line.substr(5, kindEnd - 5);
        const std::string utf8 = line.substr(kindEnd + 1);
        for (size_t i = 0; i < utf8.size(); ++i) {
            if (utf8.compare(i, 2, "\\n") == 0) {
                expected.text += '\n';
                ++i;
            } else if (utf8.compare(i, 2, "\xC3\xAB") == 0) {
                expected.text += '\xEB';
                ++i;
            } else if (utf8.compare(i, 2, "\xC3\xAF") == 0) {
                expected.text += '\xEF';
                ++i;
            } else {
                EXPECT_LT(static_cast<unsigned char>(utf8[i]), 0x80) << "in " << line;
                expected.text += utf8[i];
            }
        }
        texts.push_back(expected);
    }
    return texts;
}

// What a text must read after the placeholders: the four values in, and
// where any of them stood, the unused "%5" gone.
std::string Replaced(std::string text, const std::string &oldVersion, const std::string &folder)
{
    const std::string values[4] = {"Velmo", "3.1.51", oldVersion, folder};
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        const std::string placeholder = "%" + std::to_string(i + 1);
        for (size_t at; (at = text.find(placeholder)) != std::string::npos;) {
            text.replace(at, 2, values[i]);
            any = true;
        }
    }
    for (size_t at; any && (at = text.find("%5")) != std::string::npos;)
        text.erase(at, 2);
    return text;
}

void ExpectEveryText(const char *table, const char *texts)
{
    const std::string data = ReadFile(table);
    const std::vector<ExpectedText> expected = ReadExpected(texts);
    ASSERT_EQ(expected.size(), 51u);
    for (const auto &values : {std::pair<const char *, const char *>{"2.0.7", "D:\\Games\\Velmo"},
                               std::pair<const char *, const char *>{"", ""}}) {
        auto locale = LoadTable(data, values.first, values.second);
        for (const ExpectedText &entry : expected) {
            const std::string reference = "$" + entry.id;
            EXPECT_EQ(locale->Resolve(reference.c_str()),
                      Replaced(entry.text, values.first, values.second))
                << table << " id " << entry.id;
        }
    }
}

// A table's lines without their CR LF ends.
std::vector<std::string> Lines(const std::string &data)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = data.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(data.substr(start, end - start));
    EXPECT_EQ(start, data.size()) << "every line ends in CR LF";
    return lines;
}

void ExpectLayout(const char *table, const char *fileName, const char *texts)
{
    const std::vector<std::string> lines = Lines(ReadFile(table));
    ASSERT_GT(lines.size(), 4u);
    EXPECT_EQ(lines[0], "* VelmoSetup");
    EXPECT_EQ(lines[1], std::string("* ") + fileName);
    EXPECT_NE(lines[2].find("Kestrin Software"), std::string::npos);
    EXPECT_EQ(lines[3].substr(0, 2), "* ");

    std::vector<std::string> numbered;
    int continuations = 0;
    for (const std::string &line : lines) {
        EXPECT_LT(line.size(), 100u) << line;
        if (!line.empty() && line[0] >= '0' && line[0] <= '9')
            numbered.push_back(line.substr(0, line.find('=')));
        else if (!line.empty() && line[0] == ' ')
            ++continuations;
        else
            EXPECT_EQ(line.substr(0, 1), "*") << line;
    }
    std::vector<std::string> wanted;
    for (const ExpectedText &entry : ReadExpected(texts))
        wanted.push_back(entry.id + "." + entry.kind);
    EXPECT_EQ(numbered, wanted);
    EXPECT_GE(continuations, 20) << "the long texts are split over continuation lines";
}

}  // namespace

TEST(ShippedTables, english_table_holds_every_text_of_the_setup)
{
    ExpectEveryText("locale/Setup-eng.qlf", "tests/locale/texts-eng.txt");
}

TEST(ShippedTables, dutch_table_holds_every_text_of_the_setup)
{
    ExpectEveryText("locale/Setup-nl.qlf", "tests/locale/texts-nl.txt");
}

TEST(ShippedTables, both_tables_have_the_same_ids_and_kinds_in_the_same_order)
{
    ExpectLayout("locale/Setup-eng.qlf", "Setup-eng.qlf", "tests/locale/texts-eng.txt");
    ExpectLayout("locale/Setup-nl.qlf", "Setup-nl.qlf", "tests/locale/texts-nl.txt");
}

namespace {

// The printf conversions of a text, in order: "%", flags, width, precision,
// length and the conversion character ("%s", "%-5d", "%%").
std::vector<std::string> Conversions(const std::string &text)
{
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        size_t end = i + 1;
        while (end < text.size() && std::string("-+ #0").find(text[end]) != std::string::npos)
            end++;
        while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) ||
                                     text[end] == '*' || text[end] == '.'))
            end++;
        while (end < text.size() && std::string("hlLqjzt").find(text[end]) != std::string::npos)
            end++;
        found.push_back(text.substr(i, end + 1 - i));
        i = end;
    }
    return found;
}

}  // namespace

// Texts of the tables serve as printf formats ("Copying %s...", "Can't create
// file %s"): a translation with another conversion than the English text
// would read arguments that are not there.
TEST(ShippedTables, every_text_has_the_same_printf_conversions_in_both_languages)
{
    auto english = LoadTable(ReadFile("locale/Setup-eng.qlf"), "2.0.7", "D:\\Games\\Velmo");
    auto dutch = LoadTable(ReadFile("locale/Setup-nl.qlf"), "2.0.7", "D:\\Games\\Velmo");
    EXPECT_EQ(std::vector<std::string>{"%s"}, Conversions(english->Resolve("$0312")));
    int compared = 0;
    for (int id = 0; id <= 9999; ++id) {
        char reference[16];
        std::snprintf(reference, sizeof reference, "$%04d", id);
        std::string en = english->Resolve(reference);
        std::string nl = dutch->Resolve(reference);
        if (en == "?" && nl == "?")
            continue;
        compared++;
        EXPECT_EQ(Conversions(en), Conversions(nl)) << reference << ": \"" << en << "\" / \""
                                                    << nl << "\"";
    }
    EXPECT_GE(compared, 50);
}
