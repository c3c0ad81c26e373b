// The forgiving XML reader behind Vxml::Load: reads the subset the writer
// produces (a declaration, comments, nested elements with text, no
// attributes), never fails and never reports anything.
//
// The file is read whole in binary, and every CR LF becomes LF, on Windows
// as natively, so both builds see the same bytes that a Windows text-mode
// read would give. A Ctrl-Z byte (0x1A) is an ordinary character here, not
// an end of file: the writer never puts one in, and treating it as text
// keeps the two builds alike. The document ends at the first NUL byte.
//
// Syntax, looked for at each "<" in this order:
//   "<?XML" (any case)  declaration: skipped up to the next "?>" outside
//                       quotes ('...' or "...")
//   "<!-"               comment: skipped up to the next "-->", which may
//                       share the dash of "<!-", so "<!-->" is complete
//   "</"                end tag: skipped up to the next ">"; it closes the
//                       innermost open element whatever its name
//   any other "<"       start tag: a name of at most 63 of A-Z a-z 0-9,
//                       then exactly one more character (the ">" when the
//                       document is well formed) is stepped over
// Everything else is text. An element's text is what stands after its last
// child and before its end tag, leading white space dropped; nothing is
// decoded.
#pragma once

#include <cstdint>

class Vxml;

class Readxml {
public:
    // Elements nested more deeply than this in the document (a top-level
    // element is at depth 1) are skipped with everything inside them, and
    // reading goes on after them. The parser recurses once per kept level,
    // so this bounds its stack use whatever the file holds.
    static const int kMaxDepth = 256;

    // Reads fileName whole; a missing, unreadable or oversized file (or
    // nullptr) gives an empty document.
    explicit Readxml(const char *fileName);
    ~Readxml();

    Readxml(const Readxml &) = delete;
    Readxml &operator=(const Readxml &) = delete;

    // Adds c to the text buffer, doubling it when full; a character that
    // finds no memory is dropped.
    void AppendChar(char c);

    // Reads from the current position to the end of the current element
    // (or of the document). With matched on, every start tag becomes a new
    // child of parent; with it off only top-level elements named like
    // parent are read, into parent itself; everything else is skipped. An
    // end tag gives parent the text collected before it, if any.
    void Parse(Vxml *parent, bool matched);

private:
    void EmptyText();
    void SkipDeclaration();
    void SkipComment();
    void SkipEndTag();
    // Reads a start tag's name into name (64 bytes) and steps past it.
    void ReadStartTag(char *name);
    // Steps over the content and the end tag of an element whose start tag
    // was just read, nested elements included, without recursing.
    void SkipElement();

    char *data;            // the file's bytes, then 16 NULs (owned); or nullptr
    const char *position;  // next character to look at
    char *textBuffer;      // text since the last tag, NUL-terminated (owned)
    int32_t textCapacity;
    int32_t textLength;
    int depth;             // nesting of the Parse calls now running
};
