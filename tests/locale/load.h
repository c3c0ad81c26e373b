// Builds a language object from a table written in a test.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "locale/vlocale.h"

// The table goes in as exactly table.size() bytes with no NUL behind them, so
// that reading past the end shows up under the address sanitizer.
inline std::unique_ptr<Vlocale> LoadTable(const std::string &table, const char *oldVersion = "",
                                          const char *oldFolder = "")
{
    std::vector<char> data(table.begin(), table.end());
    return std::make_unique<Vlocale>(data.data(), data.size(), oldVersion, oldFolder);
}
