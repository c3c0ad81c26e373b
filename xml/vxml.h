// The XML element: a name, an optional text and an ordered list of child
// elements, with the name search, reading (Load) and writing (Save).
//
// Names are kept to 63 characters; names and texts compare without regard
// to the case of the ASCII letters A-Z, byte for byte otherwise.
// Memory that cannot be had is done without: an element or text that
// cannot be allocated is left out, and nothing throws.
#pragma once

#include <cstdint>

#include "xml/list.h"

class Vxml : public Node<Vxml> {
public:
    static const int kNameSize = 64;  // 63 characters and the NUL

    // A childless element without text; nullptr counts as an empty name,
    // a name longer than 63 characters is cut to its first 63.
    explicit Vxml(const char *name);
    // Frees the text, deletes every child and leaves the parent's list.
    ~Vxml() override;

    Vxml(const Vxml &) = delete;
    Vxml &operator=(const Vxml &) = delete;

    const char *GetName() const { return name; }
    // True when other, cut to 63 characters like a stored name, equals this
    // element's name without regard to case.
    bool HasName(const char *other) const;

    // Appends child as the last child and takes ownership of it; returns
    // it. nullptr (an element that could not be allocated) is ignored.
    Vxml *AddChild(Vxml *child);

    // Replaces the text with a copy of text (nullptr: no text) and returns
    // the copy. Giving the element's own text is safe. When the copy cannot
    // be allocated the old text stays and the result is nullptr.
    const char *SetText(const char *text);
    // The element's text or nullptr; owned by the element.
    const char *GetText() const { return text; }

    // Replaces every child called name by one new last child whose text is
    // number in decimal.
    void SetChildNumber(const char *name, int32_t number);
    // Appends a child with name and a copy of text unless a child with an
    // equal name already holds an equal text (children without text never
    // match). Returns 1 when it added the child, 0 otherwise.
    int AddUniqueChild(const char *name, const char *text);
    // Appends a new child with a copy of childText, whatever the children
    // hold; nullptr, and nothing added, when memory for either is short.
    Vxml *AddTextChild(const char *childName, const char *childText);
    // Deletes every child called name with its subtree; the others keep
    // their order. A search positioned on a deleted child ends.
    void RemoveChildren(const char *name);

    // Name search over the children: one position per element, so two
    // interleaved searches over the same children disturb each other, and a
    // child under the position must not be deleted directly while a search
    // goes on. Each returns the element found, nullptr when there is none.
    Vxml *FindFirst(const char *name);
    Vxml *FindNext();  // next child with the name of the current one
    Vxml *FindLast(const char *name);
    Vxml *FindPrev();  // previous child with the name of the current one

    // Walking the children in order; nullptr past either end.
    Vxml *FirstChild() const { return children.First(); }
    Vxml *LastChild() const { return children.Last(); }
    Vxml *NextSibling() const { return List<Vxml>::Element(next); }
    Vxml *PrevSibling() const { return List<Vxml>::Element(prev); }

    // Appends to this element the content of the file's top-level elements
    // that carry this element's name; see xml/readxml.h. Reports nothing.
    void Load(const char *fileName);
    // Writes this element as a document, replacing the file in one step;
    // see xml/writexml.h. True when the whole document reached the file:
    // false, and the file as it was, when a write, the flush or the
    // replacement failed.
    bool Save(const char *fileName);

private:
    // The first element called childName from from on, walking forwards
    // or backwards; nullptr when there is none.
    static Vxml *Seek(Vxml *from, const char *childName, bool forward);

    char name[kNameSize];
    char *text;
    List<Vxml> children;
    Vxml *cursor;
};
