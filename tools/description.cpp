// Reading the payload description: one entry per line, tab-separated
// columns table, id, flags, name, extra, source; "#" starts a comment line.
#include "tools/description.h"

#include <fstream>

namespace {

std::vector<std::string> SplitOnTabs(const std::string &line)
{
    std::vector<std::string> fields;
    size_t at = 0;
    while (at < line.size()) {
        size_t end = line.find('\t', at);
        if (end == std::string::npos)
            end = line.size();
        if (end > at)
            fields.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return fields;
}

// Parses decimal digits (base 10) or "0x" followed by hex digits (base 16);
// nothing else, and no value beyond 32 bits.
bool ParseNumber(const std::string &text, int base, uint32_t *value)
{
    std::string digits = text;
    if (base == 16) {
        if (digits.size() < 3 || digits[0] != '0' || (digits[1] != 'x' && digits[1] != 'X'))
            return false;
        digits = digits.substr(2);
    }
    if (digits.empty() || digits.size() > 10)
        return false;
    uint64_t result = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * base + digit;
    }
    if (result > UINT32_MAX)
        return false;
    *value = static_cast<uint32_t>(result);
    return true;
}

bool HasOuterBlank(const std::string &field)
{
    return field.front() == ' ' || field.back() == ' ';
}

}  // namespace

bool ReadDescription(const std::string &path, std::vector<DescribedEntry> *entries,
                     std::vector<std::string> *errors)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errors->push_back(path + ": cannot be read");
        return false;
    }
    size_t errorsBefore = errors->size();
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#')
            continue;
        std::string where = path + ":" + std::to_string(number) + ": ";
        std::vector<std::string> fields = SplitOnTabs(line);
        if (fields.size() != 6) {
            errors->push_back(where + "expected 6 tab-separated columns (table, id, flags, name, "
                                      "extra, source), found " + std::to_string(fields.size()));
            continue;
        }
        bool blanks = false;
        for (const std::string &field : fields)
            blanks = blanks || HasOuterBlank(field);
        if (blanks) {
            errors->push_back(where + "a column starts or ends with a space");
            continue;
        }

        DescribedEntry entry;
        entry.line = number;
        if (fields[0] == "install") {
            entry.table = Table::Install;
        } else if (fields[0] == "cleanup") {
            entry.table = Table::CleanUp;
        } else {
            errors->push_back(where + "unknown table \"" + fields[0] + "\" (install or cleanup)");
            continue;
        }
        if (!ParseNumber(fields[1], 10, &entry.resourceId)) {
            errors->push_back(where + "resource id \"" + fields[1] + "\" is not a decimal number");
            continue;
        }
        if (!ParseNumber(fields[2], 16, &entry.flags)) {
            errors->push_back(where + "flags \"" + fields[2] + "\" are not a hex number (0x...)");
            continue;
        }
        entry.name = fields[3];
        entry.hasExtra = fields[4] != "-";
        if (entry.hasExtra)
            entry.extra = fields[4];

        const std::string &source = fields[5];
        if (source == "-") {
            entry.source = SourceKind::None;
        } else if (source == "program") {
            entry.source = SourceKind::Program;
        } else if (source == "text") {
            entry.source = SourceKind::Text;
        } else if (source.compare(0, 4, "gen:") == 0) {
            uint32_t size = 0;
            if (!ParseNumber(source.substr(4), 10, &size)) {
                errors->push_back(where + "generated size in \"" + source + "\" is not a number");
                continue;
            }
            entry.source = SourceKind::Generated;
            entry.generatedSize = size;
        } else {
            errors->push_back(where + "unknown source \"" + source +
                              "\" (-, program, text or gen:SIZE)");
            continue;
        }
        entries->push_back(entry);
    }
    return errors->size() == errorsBefore;
}

std::string HostPath(const std::string &name)
{
    std::string path = name;
    for (char &c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

bool Utf8ToCp1252(const std::string &utf8, std::string *ansi)
{
    // cp1252's characters 0x80..0x9F; the unassigned places hold 0.
    static const uint16_t kHigh[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
        0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
    };
    ansi->clear();
    for (size_t i = 0; i < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[i]);
        uint32_t code;
        size_t length;
        if (lead < 0x80) {
            code = lead;
            length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            length = 3;
        } else {
            return false;  // four-byte sequences are all outside cp1252
        }
        if (i + length > utf8.size())
            return false;
        for (size_t k = 1; k < length; k++) {
            unsigned char next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms and surrogates are not valid UTF-8.
        if ((length == 2 && code < 0x80) || (length == 3 && code < 0x800) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;

        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            ansi->push_back(static_cast<char>(code));
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32 && found < 0; k++) {
            if (kHigh[k] != 0 && kHigh[k] == code)
                found = k;
        }
        if (found < 0)
            return false;
        ansi->push_back(static_cast<char>(0x80 + found));
    }
    return true;
}
