// The element tree: links and ownership, names, texts, the name search and
// the operations that add and remove children.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "xml/vxml.h"

namespace {

// The children's names and texts in order, as "NAME=text NAME ...".
std::string Children(const Vxml &parent)
{
    std::string out;
    for (const Vxml *child = parent.FirstChild(); child; child = child->NextSibling()) {
        out += out.empty() ? "" : " ";
        out += child->GetName();
        if (child->GetText())
            out += std::string("=") + child->GetText();
    }
    return out;
}

// Counts its own destruction, to see what deleting a tree reaches.
struct Counted : Vxml {
    explicit Counted(int *destroyed) : Vxml("C"), destroyed(destroyed) {}
    ~Counted() override { ++*destroyed; }
    int *destroyed;
};

TEST(XmlList, SentinelsLinksAndOwnership)
{
    List<Vxml> list;
    EXPECT_EQ(list.head.next, &list.tail);
    EXPECT_EQ(list.tail.prev, &list.head);
    EXPECT_EQ(list.PopFirst(), nullptr);

    Vxml *b = new Vxml("B");
    list.InsertAfter(b, nullptr);
    list.InsertAfter(new Vxml("A"), nullptr);  // nullptr: after the head
    EXPECT_STREQ(list.First()->GetName(), "A");
    EXPECT_EQ(list.Last(), b);
    EXPECT_EQ(list.head.prev, nullptr);
    EXPECT_EQ(list.tail.next, nullptr);

    Vxml *a = list.PopFirst();
    EXPECT_EQ(a->next, nullptr);
    EXPECT_EQ(a->prev, nullptr);
    EXPECT_EQ(a->Unlink(), a);  // an unlisted link stays as it is
    EXPECT_EQ(list.First(), b);
    EXPECT_EQ(b->prev, &list.head);
    delete a;

    // A link moved into another list leaves the first one intact.
    List<Vxml> other;
    other.InsertAfter(b, nullptr);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(other.First(), b);
    EXPECT_EQ(b->next, &other.tail);
}

TEST(XmlList, ClearDeletesOnlyWhatTheListOwns)
{
    int destroyed = 0;
    Counted kept(&destroyed);
    {
        List<Vxml> borrowing;
        borrowing.doesNotOwn = true;
        borrowing.InsertAfter(&kept, nullptr);
        List<Vxml> owning;
        owning.InsertAfter(new Counted(&destroyed), nullptr);
        owning.InsertAfter(new Counted(&destroyed), nullptr);
    }
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(kept.next, nullptr);
}

TEST(XmlTree, DeletingAChildUnlinksItAndDeletingTheRootFreesAll)
{
    int destroyed = 0;
    Vxml *root = new Vxml("ROOT");
    root->AddChild(new Vxml("A"));
    Vxml *b = root->AddChild(new Vxml("B"));
    root->AddChild(new Vxml("C"));
    delete b;
    EXPECT_EQ(Children(*root), "A C");
    EXPECT_STREQ(root->LastChild()->PrevSibling()->GetName(), "A");

    root->AddChild(new Counted(&destroyed))->AddChild(new Counted(&destroyed));
    root->FirstChild()->AddChild(new Counted(&destroyed));
    delete root;
    EXPECT_EQ(destroyed, 3);
}

TEST(XmlTree, NamesAreCutTo63AndCompareIgnoringAsciiCase)
{
    std::string seventy(70, 'N');
    Vxml root(seventy.c_str());
    EXPECT_EQ(std::string(root.GetName()), seventy.substr(0, 63));
    EXPECT_TRUE(root.HasName(seventy.c_str()));
    EXPECT_STREQ(Vxml(nullptr).GetName(), "");

    Vxml file("File");
    EXPECT_TRUE(file.HasName("FILE"));
    EXPECT_TRUE(file.HasName("file"));
    EXPECT_FALSE(file.HasName("FILES"));
    EXPECT_FALSE(file.HasName("FIL"));
    EXPECT_FALSE(Vxml("\xC9T\xC9").HasName("\xE9T\xE9"));  // no case above 0x7F

    // A long name given again finds the child made from it.
    EXPECT_EQ(root.AddUniqueChild(seventy.c_str(), "x"), 1);
    EXPECT_EQ(root.AddUniqueChild(seventy.c_str(), "x"), 0);
    EXPECT_NE(root.FindFirst(seventy.c_str()), nullptr);
}

TEST(XmlTree, SetTextKeepsAnOwnCopy)
{
    Vxml element("E");
    char source[] = "C:\\Velmo";
    const char *copy = element.SetText(source);
    source[0] = 'D';
    EXPECT_STREQ(element.GetText(), "C:\\Velmo");
    EXPECT_EQ(copy, element.GetText());
    EXPECT_STREQ(element.SetText(element.GetText()), "C:\\Velmo");
    EXPECT_STREQ(element.SetText(element.GetText() + 3), "Velmo");
    EXPECT_EQ(element.SetText(nullptr), nullptr);
    EXPECT_EQ(element.GetText(), nullptr);
}

TEST(XmlSearch, FindsByNameInBothDirections)
{
    Vxml empty("E");
    EXPECT_EQ(empty.FindFirst("FILE"), nullptr);
    EXPECT_EQ(empty.FindNext(), nullptr);
    EXPECT_EQ(empty.FindPrev(), nullptr);

    Vxml root("ROOT");
    Vxml *first = root.AddChild(new Vxml("FILE"));
    root.AddChild(new Vxml("FOLDER"));
    Vxml *second = root.AddChild(new Vxml("file"));
    root.AddChild(new Vxml("FOLDER"));
    EXPECT_EQ(root.FindFirst("File"), first);
    EXPECT_EQ(root.FindNext(), second);
    EXPECT_EQ(root.FindNext(), nullptr);
    EXPECT_EQ(root.FindNext(), nullptr);

    EXPECT_EQ(root.FindLast("FILE"), second);
    EXPECT_EQ(root.FindPrev(), first);
    EXPECT_EQ(root.FindPrev(), nullptr);
    EXPECT_EQ(root.FindLast("MISSING"), nullptr);

    // One position per element: a second search replaces the first.
    root.FindFirst("FILE");
    EXPECT_EQ(root.FindFirst("FOLDER"), first->NextSibling());
    EXPECT_EQ(root.FindNext(), root.LastChild());
}

TEST(XmlEdit, AddUniqueChildIgnoresCaseButNotMissingTexts)
{
    Vxml root("UNINSTALL");
    root.AddChild(new Vxml("FILE"));  // no text: never equal
    root.AddChild(new Vxml("file"))->SetText("c:\\velmo\\velmo.exe");
    EXPECT_EQ(root.AddUniqueChild("FILE", "C:\\Velmo\\Velmo.exe"), 0);
    EXPECT_EQ(root.AddUniqueChild("FOLDER", "C:\\Velmo\\Velmo.exe"), 1);
    EXPECT_EQ(root.AddUniqueChild("FILE", "C:\\Velmo\\Help.txt"), 1);
    EXPECT_EQ(root.AddUniqueChild("FILE", nullptr), 1);
    EXPECT_EQ(Children(root),
              "FILE file=c:\\velmo\\velmo.exe FOLDER=C:\\Velmo\\Velmo.exe "
              "FILE=C:\\Velmo\\Help.txt FILE");
}

TEST(XmlEdit, RemoveChildrenAndSetChildNumber)
{
    Vxml root("VELMO");
    root.AddChild(new Vxml("version"))->AddChild(new Vxml("SUB"));
    root.AddChild(new Vxml("A"));
    root.AddChild(new Vxml("VERSION"))->SetText("7");
    root.AddChild(new Vxml("B"));
    root.RemoveChildren("NONE");
    EXPECT_EQ(Children(root), "version A VERSION=7 B");

    root.SetChildNumber("VERSION", 201);
    EXPECT_EQ(Children(root), "A B VERSION=201");
    root.SetChildNumber("Version", INT32_MIN);
    EXPECT_EQ(Children(root), "A B Version=-2147483648");

    // A search standing on a removed child ends instead of reading freed memory.
    root.AddChild(new Vxml("A"));
    EXPECT_EQ(root.FindFirst("A"), root.FirstChild());
    root.RemoveChildren("a");
    EXPECT_EQ(root.FindNext(), nullptr);
    EXPECT_EQ(Children(root), "B Version=-2147483648");
}

}  // namespace
