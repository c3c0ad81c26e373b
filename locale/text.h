// Text ids as the table and the references write them.
#pragma once

// The largest id a table line or a text reference may name: ids are written
// with four digits. Larger numbers are refused rather than growing the table
// without bound or overflowing while the digits are read.
constexpr int kMaxTextId = 9999;

// Reads the run of decimal digits at digits (leading zeros allowed) and
// returns its value, or -1 when the value exceeds kMaxTextId.
int ReadTextId(const char *digits);
