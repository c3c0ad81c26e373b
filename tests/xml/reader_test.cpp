// The reader: what Load makes of the documents it meets, well formed or not.
#include <gtest/gtest.h>

#include <string>

#include "tests/xml/xml_files.h"
#include "xml/readxml.h"
#include "xml/vxml.h"

namespace {

// An element and its subtree as "NAME=text(CHILD CHILD ...)".
std::string Dump(const Vxml &element)
{
    std::string out = element.GetName();
    if (element.GetText())
        out += std::string("=") + element.GetText();
    if (element.FirstChild()) {
        out += "(";
        for (const Vxml *child = element.FirstChild(); child; child = child->NextSibling())
            out += Dump(*child) + (child->NextSibling() ? " " : "");
        out += ")";
    }
    return out;
}

// A literal with the NULs inside it.
template <size_t N>
std::string Bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

struct ReadCase {
    const char *what;
    std::string file;
    std::string tree;  // Dump of an element UNINSTALL after Load
};

const ReadCase kCases[] = {
    {"record as written", "<?xml version=\"1.0\"?>\r\n<UNINSTALL>\r\n  <FILE>C:\\V\\a.exe</FILE>\r\n"
     "  <FOLDER>C:\\V</FOLDER>\r\n</UNINSTALL>\r\n", "UNINSTALL(FILE=C:\\V\\a.exe FOLDER=C:\\V)"},
    {"root name in any case", "<uninstall><file>x</file></uninstall>", "UNINSTALL(file=x)"},
    {"other top-level elements ignored", "<OTHER><FILE>a</FILE></OTHER><UNINSTALL><FILE>b</FILE>"
     "</UNINSTALL><UNINSTALLX><FILE>c</FILE></UNINSTALLX><UNINSTALL><FILE>d</FILE></UNINSTALL>",
     "UNINSTALL(FILE=b FILE=d)"},
    {"comment between children", "<UNINSTALL><FILE>a</FILE><!-- <FILE>x</FILE> --><FILE>b</FILE>"
     "</UNINSTALL>", "UNINSTALL(FILE=a FILE=b)"},
    {"<!--> is a whole comment", "<UNINSTALL><!--><FILE>a</FILE></UNINSTALL>", "UNINSTALL(FILE=a)"},
    {"?> inside declaration quotes", "<?xml version='1.0' encoding=\"?><UNINSTALL><FILE>q</FILE>"
     "</UNINSTALL>\" x='?><UNINSTALL>'?><UNINSTALL><FILE>a</FILE></UNINSTALL>", "UNINSTALL(FILE=a)"},
    {"attribute read as text", "<UNINSTALL><FILE name=\"v\">C:\\a</FILE></UNINSTALL>",
     "UNINSTALL(FILE=name=\"v\">C:\\a)"},
    {"name ends at _", "<UNINSTALL><MY_FILE>a</MY_FILE></UNINSTALL>", "UNINSTALL(MY=FILE>a)"},
    {"self-closing tag stays open", "<UNINSTALL><FILE/><FOLDER>a</FOLDER></UNINSTALL><X>b</X>",
     "UNINSTALL(FILE(FOLDER=a) X=b)"},
    {"doctype swallows the root", "<!DOCTYPE UNINSTALL><UNINSTALL><FILE>a</FILE></UNINSTALL>",
     "UNINSTALL"},
    {"processing instruction too", "<?velmo x?><UNINSTALL><FILE>a</FILE></UNINSTALL>", "UNINSTALL"},
    {"empty file", "", "UNINSTALL"},
    {"declaration only", "<?xml version=\"1.0\"?>\r\n", "UNINSTALL"},
    {"end tag closes the innermost element", "<UNINSTALL><FILE>a</FOLDER><FILE>b</X></UNINSTALL>",
     "UNINSTALL(FILE=a FILE=b)"},
    {"stray end tag ends the document", " top</X><UNINSTALL><FILE>a</FILE></UNINSTALL>",
     "UNINSTALL=top"},
    {"open element keeps children, gets no text", "<UNINSTALL><FILE>a</FILE><FOLDER><X>b</X>c",
     "UNINSTALL(FILE=a FOLDER(X=b))"},
    {"text rules", "<UNINSTALL>lost<A> \n lead  </A><B>x<!-- c -->  y<?xml ?> z\n</B></UNINSTALL>",
     "UNINSTALL(A=lead   B=xy z\n)"},
    {"no entity decoding", "<UNINSTALL><FILE>a&amp;b&#65;</FILE></UNINSTALL>",
     "UNINSTALL(FILE=a&amp;b&#65;)"},
    {"NUL ends the document", Bytes("<UNINSTALL><FILE>a</FILE>\0<FILE>b</FILE>"), "UNINSTALL(FILE=a)"},
    {"NUL inside a comment", Bytes("<UNINSTALL><!-- \0 --><FILE>b</FILE>"), "UNINSTALL"},
    {"CR LF becomes LF, a lone CR stays", "<UNINSTALL><A>1\r\n2\r3\r\r\n</A></UNINSTALL>",
     "UNINSTALL(A=1\n2\r3\r\n)"},
    {"Ctrl-Z is text", "<UNINSTALL><A>1\x1A" "2</A><B>3</B></UNINSTALL>", "UNINSTALL(A=1\x1A" "2 B=3)"},
    {"bytes above 0x7F", "<UNINSTALL><FILE>C:\\Gr\xF6\xDF" "e\\%1%%.txt</FILE></UNINSTALL>",
     "UNINSTALL(FILE=C:\\Gr\xF6\xDF" "e\\%1%%.txt)"},
    {"long name cut, the rest is text", "<UNINSTALL><" + std::string(70, 'N') + ">t</x></UNINSTALL>",
     "UNINSTALL(" + std::string(63, 'N') + "=NNNNNN>t)"},
    // Unfinished constructs at the very end of the data.
    {"open declaration quote", "<UNINSTALL><?xml 'open?><FILE>a</FILE>", "UNINSTALL"},
    {"declaration ends in ?", "<UNINSTALL><?xml ?", "UNINSTALL"},
    {"open comment", "<UNINSTALL><!- -", "UNINSTALL"},
    {"open end tag", "<UNINSTALL></FILE", "UNINSTALL"},
    {"lone <", "<UNINSTALL><", "UNINSTALL()"},
    {"open start tag", "<UNINSTALL><FILE", "UNINSTALL(FILE)"},
    {"open root tag", "<UNINSTALL", "UNINSTALL"},
    {"<? at the end", "<?", "UNINSTALL"},
};

class XmlReader : public XmlFileTest {
protected:
    std::string LoadBytes(const std::string &bytes)
    {
        std::string path = TempPath("in.xml");
        WriteBytes(path, bytes);
        Vxml root("UNINSTALL");
        root.Load(path.c_str());
        return Dump(root);
    }
};

TEST_F(XmlReader, ReadsEachKindOfDocument)
{
    for (const ReadCase &c : kCases)
        EXPECT_EQ(LoadBytes(c.file), c.tree) << c.what;
}

TEST_F(XmlReader, AppendsToWhatTheElementHolds)
{
    std::string path = TempPath("in.xml");
    WriteBytes(path, "<UNINSTALL><FILE>a</FILE></UNINSTALL>");
    Vxml root("UNINSTALL");
    root.SetText("kept");
    root.AddChild(new Vxml("APPNAME"))->SetText("Velmo");
    root.Load(path.c_str());
    root.Load(path.c_str());
    root.Load(TempPath("missing.xml").c_str());
    root.Load(nullptr);
    EXPECT_EQ(Dump(root), "UNINSTALL=kept(APPNAME=Velmo FILE=a FILE=a)");
}

TEST_F(XmlReader, AFolderReadsAsNothing)
{
    std::string folder = TempPath("x");
    folder.erase(folder.find_last_of("\\/"));
    Vxml root("UNINSTALL");
    root.Load(folder.c_str());
    EXPECT_EQ(Dump(root), "UNINSTALL");
}

TEST_F(XmlReader, LongTextsGrowTheBuffer)
{
    std::string text;
    for (int i = 0; i < 5000; i++)
        text += static_cast<char>('a' + i % 26);
    EXPECT_EQ(LoadBytes("<UNINSTALL><FILE>" + text + "</FILE></UNINSTALL>"),
              "UNINSTALL(FILE=" + text + ")");
}

// A chain of n nested A elements inside UNINSTALL, the innermost with the
// text "deep", followed by a FILE element.
std::string Nested(int n, bool closed)
{
    std::string doc = "<UNINSTALL>";
    for (int i = 0; i < n; i++)
        doc += "<A>";
    doc += "deep";
    for (int i = 0; closed && i < n; i++)
        doc += "</A>";
    return doc + "<FILE>after</FILE></UNINSTALL>";
}

// How many A levels hang below root, and the deepest one's text.
int ChainDepth(const Vxml &root, std::string *text)
{
    int depth = 0;
    const Vxml *element = &root;
    while (element->FirstChild() && element->FirstChild()->HasName("A")) {
        element = element->FirstChild();
        depth++;
    }
    *text = element->GetText() ? element->GetText() : "";
    return depth;
}

TEST_F(XmlReader, NestingIsKeptTo256LevelsAndDeeperContentIsSkipped)
{
    std::string path = TempPath("deep.xml");
    std::string text;
    // UNINSTALL is level 1, so 255 levels of A fit.
    const int fits = Readxml::kMaxDepth - 1;
    for (int n : {fits, fits + 1, 200000}) {
        WriteBytes(path, Nested(n, true));
        Vxml root("UNINSTALL");
        root.Load(path.c_str());
        EXPECT_EQ(ChainDepth(root, &text), fits) << n;
        EXPECT_EQ(text, n == fits ? "deep" : "") << n;
        EXPECT_STREQ(root.LastChild()->GetName(), "FILE") << n;
        EXPECT_STREQ(root.LastChild()->GetText(), "after") << n;
    }
    WriteBytes(path, Nested(200000, false));
    Vxml open("UNINSTALL");
    open.Load(path.c_str());
    EXPECT_EQ(ChainDepth(open, &text), fits);
    EXPECT_EQ(open.LastChild(), open.FirstChild());
}

// A file written by the C runtime in text mode (CR LF on Windows) reads
// like the same text with LF line ends.
TEST_F(XmlReader, ReadsTextModeFiles)
{
    std::string path = TempPath("text.xml");
    WriteText(path, "<?xml version=\"1.0\"?>\n<UNINSTALL>\n  <FILE>a\nb</FILE>\n</UNINSTALL>\n");
    Vxml root("UNINSTALL");
    root.Load(path.c_str());
    EXPECT_EQ(Dump(root), "UNINSTALL(FILE=a\nb)");
}

}  // namespace
