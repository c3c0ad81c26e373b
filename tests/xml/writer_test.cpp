// The writer's exact bytes, and records that go to disk and come back.
#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "tests/xml/xml_files.h"
#include "xml/vxml.h"

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\"?>\r\n";

class XmlWriter : public XmlFileTest {
protected:
    std::string Saved(Vxml &root)
    {
        std::string path = TempPath("out.xml");
        root.Save(path.c_str());
        return ReadBytes(path);
    }
};

TEST_F(XmlWriter, ProductDataFile)
{
    Vxml root("VELMO");
    root.SetChildNumber("VERSION", 201);
    EXPECT_EQ(Saved(root), std::string(kDeclaration) +
                               "<VELMO>\r\n  <VERSION>201</VERSION>\r\n</VELMO>\r\n");
}

TEST_F(XmlWriter, LayoutOfEmptyTextAndNestedElements)
{
    Vxml empty("UNINSTALL");
    EXPECT_EQ(Saved(empty), std::string(kDeclaration) + "<UNINSTALL></UNINSTALL>\r\n");

    Vxml root("ROOT");
    root.SetText("root text");
    root.AddChild(new Vxml("CHILD"));
    EXPECT_EQ(Saved(root), std::string(kDeclaration) +
                               "<ROOT>\r\n  <CHILD></CHILD>\r\nroot text</ROOT>\r\n");

    Vxml deep("A");
    Vxml *b = deep.AddChild(new Vxml("B"));
    b->AddChild(new Vxml("C"))->SetText("line 1\nline 2");
    b->SetText("b");
    deep.AddChild(new Vxml("D"))->SetText("d");
    EXPECT_EQ(Saved(deep), std::string(kDeclaration) +
                               "<A>\r\n  <B>\r\n    <C>line 1\r\nline 2</C>\r\n  b</B>\r\n"
                               "  <D>d</D>\r\n</A>\r\n");
}

TEST_F(XmlWriter, TextsAndNamesGoOutUnescaped)
{
    Vxml root("R<&>");
    root.AddChild(new Vxml("FILE"))->SetText("C:\\%s 100% \"q\" 'a' <b> &amp; \xE9\xFF\x80");
    EXPECT_EQ(Saved(root), std::string(kDeclaration) +
                               "<R<&>>\r\n  <FILE>C:\\%s 100% \"q\" 'a' <b> &amp; \xE9\xFF\x80"
                               "</FILE>\r\n</R<&>>\r\n");
}

TEST_F(XmlWriter, ReplacesAnOldFileAndSkipsAnUnopenableOne)
{
    std::string path = TempPath("out.xml");
    WriteBytes(path, std::string(4000, 'x'));
    Vxml root("UNINSTALL");
    EXPECT_TRUE(root.Save(path.c_str()));
    EXPECT_EQ(ReadBytes(path), std::string(kDeclaration) + "<UNINSTALL></UNINSTALL>\r\n");

    std::string nowhere = TempPath("missing-folder") + "/Uninstall.dat";
    EXPECT_FALSE(root.Save(nowhere.c_str()));
    EXPECT_FALSE(root.Save(nullptr));
    EXPECT_EQ(ReadBytes(nowhere), "<missing>");
}

#ifndef _WIN32
// A disk that fills up while the document is written (a file size limit
// stands in for it): the save says so, the old file keeps every byte and no
// half-written file stays beside it.
TEST_F(XmlWriter, AFullDiskLeavesTheOldFileAsItWas)
{
    std::string path = TempPath("Uninstall.dat");
    std::string old = std::string(kDeclaration) + "<UNINSTALL>\r\n  <FILE>C:\\old</FILE>\r\n</UNINSTALL>\r\n";
    WriteBytes(path, old);
    Vxml root("UNINSTALL");
    for (int i = 0; i < 1000; ++i)
        root.AddUniqueChild("FILE", ("C:\\Program Files\\Velmo\\" + std::to_string(i)).c_str());

    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved = root.Save(path.c_str());
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(ReadBytes(path + ".new"), "<missing>");

    // Room again: the next save replaces the file whole.
    EXPECT_TRUE(root.Save(path.c_str()));
    EXPECT_NE(ReadBytes(path).find("Velmo\\999</FILE>"), std::string::npos);
    EXPECT_EQ(ReadBytes(path + ".new"), "<missing>");
}

// A file or a link left where the new document is written is replaced, and
// never written through.
TEST_F(XmlWriter, ALeftoverBesideTheFileIsNotWrittenThrough)
{
    std::string path = TempPath("Uninstall.dat");
    std::string victim = TempPath("victim.txt");
    WriteBytes(victim, "precious");
    ASSERT_EQ(symlink(victim.c_str(), (path + ".new").c_str()), 0);
    Vxml root("UNINSTALL");
    EXPECT_TRUE(root.Save(path.c_str()));
    EXPECT_EQ(ReadBytes(victim), "precious");
    EXPECT_EQ(ReadBytes(path), std::string(kDeclaration) + "<UNINSTALL></UNINSTALL>\r\n");
}
#endif

// An uninstall record with every element name goes to disk and comes back
// element for element, in order, whatever bytes its paths hold.
TEST_F(XmlWriter, UninstallRecordRoundTrip)
{
    const char *const record[][2] = {
        {"APPNAME", "Velmo"},
        {"FILE", "C:\\Program Files\\Velmo\\Velmo.exe"},
        {"FILE", "C:\\Spiele\\Gr\xF6\xDF" "e\\100% %1 %s.txt"},
        {"FOLDER", "C:\\Program Files\\Velmo"},
        {"APPKEY", "Velmo.exe"},
        {"UNINSTKEY", "Velmo"},
        {"CLASSKEY", "Velmo.Game"},
        {"FILEPATTERN", "C:\\Program Files\\Velmo\\Velmolog-*.txt"},
        {"OTHER", "kept & \"quoted\""},
    };
    Vxml written("UNINSTALL");
    for (const auto &element : record)
        EXPECT_EQ(written.AddUniqueChild(element[0], element[1]), 1);
    std::string path = TempPath("Uninstall.dat");
    written.Save(path.c_str());

    Vxml read("UNINSTALL");
    read.Load(path.c_str());
    const Vxml *child = read.FirstChild();
    for (const auto &element : record) {
        ASSERT_NE(child, nullptr);
        EXPECT_STREQ(child->GetName(), element[0]);
        EXPECT_STREQ(child->GetText(), element[1]);
        EXPECT_EQ(child->FirstChild(), nullptr);
        child = child->NextSibling();
    }
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(read.GetText(), nullptr);

    // Saved again, the record is the same file.
    std::string again = TempPath("again.dat");
    read.Save(again.c_str());
    EXPECT_EQ(ReadBytes(again), ReadBytes(path));
}

// A text with "<" is written as it stands and does not survive reading.
TEST_F(XmlWriter, TextWithALessThanSignIsNotReadBack)
{
    Vxml root("UNINSTALL");
    root.AddChild(new Vxml("FILE"))->SetText("a<b");
    std::string path = TempPath("out.xml");
    root.Save(path.c_str());
    EXPECT_NE(ReadBytes(path).find("<FILE>a<b</FILE>"), std::string::npos);
    Vxml read("UNINSTALL");
    read.Load(path.c_str());
    ASSERT_NE(read.FirstChild(), nullptr);
    EXPECT_EQ(read.FirstChild()->GetText(), nullptr);
    EXPECT_STREQ(read.FirstChild()->FirstChild()->GetName(), "b");
}

#ifdef _WIN32
// The bytes are those of a Windows text-mode write of the same lines.
TEST_F(XmlWriter, MatchesATextModeWrite)
{
    std::string expected = TempPath("expected.xml");
    WriteText(expected, "<?xml version=\"1.0\"?>\n<VELMO>\n  <VERSION>a\nb</VERSION>\n</VELMO>\n");
    Vxml root("VELMO");
    root.AddChild(new Vxml("VERSION"))->SetText("a\nb");
    EXPECT_EQ(Saved(root), ReadBytes(expected));
}
#endif

}  // namespace
