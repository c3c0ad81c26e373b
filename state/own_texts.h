// Texts of the program's own string table, beside the language tables: the
// Dutch text of an id is the English id plus kDutchOwnTexts.
#pragma once

#define kDutchOwnTexts 20
