// The fixture of the tests that write an uninstall record: a folder of its
// own for each test, named after it, where the files that the setup writes
// into the installation folder (the record and the product data file) are
// removed before and after the test, and helpers to read and write them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "xml/vxml.h"

class RecordFolderTest : public ::testing::Test {
public:
    using Elements = std::vector<std::string>;  // "NAME=text", in file order

protected:
    void SetUp() override
    {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = ::testing::TempDir() + test->test_suite_name() + "-" + test->name();
        RemoveFiles();
    }
    void TearDown() override { RemoveFiles(); }

    const char *Folder() const { return folder_.c_str(); }
    // A file of the folder as the setup names it: the folder, "\" and the name.
    std::string In(const char *name) const { return folder_ + "\\" + name; }
    std::string RecordFile() const { return In("Uninstall.dat"); }
    // A folder that does not exist, for a record that cannot be written.
    std::string MissingFolder() const { return folder_ + "-missing/Velmo"; }

    static void WriteFile(const std::string &path, const std::string &content)
    {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string ReadFile(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteRecordFile(const std::string &content) const { WriteFile(RecordFile(), content); }
    std::string ReadRecordFile() const { return ReadFile(RecordFile()); }

    static Elements Children(Vxml &root)
    {
        Elements elements;
        for (Vxml *child = root.FirstChild(); child; child = child->NextSibling())
            elements.push_back(std::string(child->GetName()) + "=" +
                               (child->GetText() ? child->GetText() : "(none)"));
        return elements;
    }
    // The elements of the record on disk.
    Elements Written() const
    {
        Vxml root("UNINSTALL");
        root.Load(RecordFile().c_str());
        return Children(root);
    }

    std::string folder_;

private:
    void RemoveFiles() const
    {
        std::remove(RecordFile().c_str());
        std::remove(In("Velmo.dat").c_str());
    }
};
