// The XML writer behind Vxml::Save: the declaration line, then the element
// tree indented by two spaces per level, without attributes or escaping.
//
// Saved files have CR LF line ends on every build: the writer opens the file
// in binary and turns each LF, in texts too, into CR LF itself, which gives
// the bytes a Windows text-mode write gives. Save writes the document to
// "<file>.new" in the same folder, flushes it to the disk and then puts it
// in the place of the file in one step; when anything fails on the way the
// file stays as it was and "<file>.new" is removed. Save tells whether the
// document reached the file.
#pragma once

#include <cstdio>

class Vxml;

// Writes element at depth (0 for the root): a leaf on one line with its
// text between the tags; an element with children has its start tag on a
// line of its own, its children one level deeper, and then its text, if
// any, directly before its end tag on a line indented like the start tag.
void Write(const Vxml *element, FILE *file, int depth);
