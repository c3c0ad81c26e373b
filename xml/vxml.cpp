// The XML element tree: construction, texts, children and the name search.
#include "xml/vxml.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/format.h"
#include "base/text.h"

namespace {

const int kMaxName = Vxml::kNameSize - 1;

}  // namespace

Vxml::Vxml(const char *elementName) : text(nullptr), cursor(nullptr)
{
    size_t length = elementName ? std::strlen(elementName) : 0;
    if (length > static_cast<size_t>(kMaxName))
        length = kMaxName;
    if (length)
        std::memcpy(name, elementName, length);
    name[length] = '\0';
}

Vxml::~Vxml()
{
    std::free(text);
}

bool Vxml::HasName(const char *other) const
{
    // A stored name ends within its first 64 bytes, so comparing 63 of
    // them cuts the other name just as the constructor would have.
    return other && EqualNoCase(name, other, kMaxName);
}

Vxml *Vxml::AddChild(Vxml *child)
{
    children.InsertAfter(child, children.tail.prev);
    return child;
}

const char *Vxml::SetText(const char *newText)
{
    // Copy before freeing: newText may be this element's own text.
    char *copy = DuplicateText(newText);
    if (newText && !copy)
        return nullptr;
    std::free(text);
    text = copy;
    return text;
}

void Vxml::SetChildNumber(const char *childName, int32_t number)
{
    RemoveChildren(childName);
    char digits[16];
    FormatText(digits, sizeof digits, "%d", static_cast<int>(number));
    AddTextChild(childName, digits);
}

int Vxml::AddUniqueChild(const char *childName, const char *childText)
{
    for (Vxml *child = FirstChild(); child; child = child->NextSibling()) {
        if (child->text && childText && child->HasName(childName) &&
            EqualNoCase(child->text, childText))
            return 0;
    }
    return AddTextChild(childName, childText) ? 1 : 0;
}

Vxml *Vxml::AddTextChild(const char *childName, const char *childText)
{
    Vxml *child = new (std::nothrow) Vxml(childName);
    if (!child)
        return nullptr;
    if (childText && !child->SetText(childText)) {
        delete child;
        return nullptr;
    }
    return AddChild(child);
}

void Vxml::RemoveChildren(const char *childName)
{
    Vxml *child = FirstChild();
    while (child) {
        Vxml *following = child->NextSibling();
        if (child->HasName(childName)) {
            if (child == cursor)
                cursor = nullptr;
            delete child;
        }
        child = following;
    }
}

Vxml *Vxml::Seek(Vxml *from, const char *childName, bool forward)
{
    while (from && !from->HasName(childName))
        from = forward ? from->NextSibling() : from->PrevSibling();
    return from;
}

Vxml *Vxml::FindFirst(const char *childName)
{
    return cursor = Seek(FirstChild(), childName, true);
}

Vxml *Vxml::FindNext()
{
    return cursor = cursor ? Seek(cursor->NextSibling(), cursor->name, true) : nullptr;
}

Vxml *Vxml::FindLast(const char *childName)
{
    return cursor = Seek(LastChild(), childName, false);
}

Vxml *Vxml::FindPrev()
{
    return cursor = cursor ? Seek(cursor->PrevSibling(), cursor->name, false) : nullptr;
}
