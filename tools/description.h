// Reading the payload description (product/manifest.tsv), the one source
// of the install and clean-up tables, for the host tools vpack and vdatagen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class Table { Install, CleanUp };

// Where an entry's payload comes from.
enum class SourceKind {
    None,       // "-": no payload
    Program,    // "program": a program built in payload/, file named like the entry
    Text,       // "text": a committed file in payload/, named like the entry
    Generated,  // "gen:N": made by vdatagen, N bytes
};

struct DescribedEntry {
    int line = 0;                // line in the description, for messages
    Table table = Table::Install;
    uint32_t resourceId = 0;
    uint32_t flags = 0;
    std::string name;            // UTF-8, as written
    bool hasExtra = false;
    std::string extra;           // UTF-8, as written
    SourceKind source = SourceKind::None;
    uint64_t generatedSize = 0;  // for SourceKind::Generated
};

// Reads the description. On a syntax error returns false and appends one
// message per bad line ("FILE:LINE: what") to `errors`; the entries that
// could be read are still returned.
bool ReadDescription(const std::string &path, std::vector<DescribedEntry> *entries,
                     std::vector<std::string> *errors);

// The entry's name as a relative file path of the host ("\" becomes "/").
std::string HostPath(const std::string &name);

// Converts UTF-8 text to the Windows ANSI code page 1252. Returns false
// when the text is not valid UTF-8 or holds a character that cp1252 lacks.
bool Utf8ToCp1252(const std::string &utf8, std::string *ansi);
