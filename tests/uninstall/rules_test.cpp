// Which elements of a record the uninstaller acts on: everything a setup run
// records, and nothing a damaged or hostile record adds outside the places
// a setup run writes to.
#include <gtest/gtest.h>

#include <ctime>
#include <cstdio>
#include <string>

#include "uninstall/leftovers.h"
#include "uninstall/rules.h"
#include "xml/vxml.h"

namespace {

const char kDestination[] = "C:\\Program Files\\Velmo";
const char kPrograms[] = "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const char kCommonPrograms[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char kDesktop[] = "C:\\users\\ann\\Desktop";

Places TheMachine()
{
    Places places;
    places.destination = kDestination;
    places.startMenus[0] = kPrograms;
    places.startMenus[1] = kCommonPrograms;
    places.desktops[0] = kDesktop;
    return places;
}

std::string In(const char *folder, const char *rest)
{
    return std::string(folder) + "\\" + rest;
}

TEST(Judge, acts_on_everything_a_setup_run_records)
{
    Places places = TheMachine();
    struct Case {
        const char *element;
        std::string text;
        Action action;
    } cases[] = {
        {"APPNAME", "Velmo", Action::Ignore},
        {"FILE", In(kDestination, "Velmo.exe"), Action::RemoveFile},
        {"file", In(kDestination, "Languages\\Fran\xe7" "ais.qlf"), Action::RemoveFile},
        {"FILE", In(kPrograms, "Velmo\\Uninstall Velmo.lnk"), Action::RemoveFile},
        {"FILE", In(kCommonPrograms, "Games\\Velmo\\Velmo.LNK"), Action::RemoveFile},
        {"FILE", In(kDesktop, "Velmo.lnk"), Action::RemoveFile},
        {"FOLDER", kDestination, Action::RemoveFolder},
        {"FOLDER", "c:\\program files\\VELMO", Action::RemoveFolder},
        {"FOLDER", In(kDestination, "Cardsets\\Classic"), Action::RemoveFolder},
        {"FOLDER", In(kPrograms, "Velmo"), Action::RemoveFolder},
        {"FILEPATTERN", In(kDestination, "Velmolog-*.txt"), Action::RemovePattern},
        {"FILEPATTERN", In(kDestination, "Saves\\auto?.sav"), Action::RemovePattern},
        {"APPKEY", "Velmo.exe", Action::DeleteAppKey},
        {"UNINSTKEY", "Velmo", Action::DeleteUninstallKey},
        {"CLASSKEY", ".vlm", Action::DeleteClassKey},
        {"CLASSKEY", "Velmo.Savegame", Action::DeleteClassKey},
        {"SOMETHINGELSE", "C:\\Windows", Action::Ignore},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.action, Judge(c.element, c.text.c_str(), places)) << c.element << " " << c.text;
}

TEST(Judge, refuses_files_outside_the_places_of_the_installation)
{
    Places places = TheMachine();
    const std::string hostile[] = {
        "C:\\Windows\\system.ini",
        "C:\\Program Files\\Velmo",                   // the folder itself is no file
        "C:\\Program Files\\Velmo2\\Velmo.exe",       // a neighbour sharing the prefix
        "C:\\Program Files\\Velmo\\..\\Other\\a.exe",
        "C:\\Program Files\\Velmo\\sub\\..\\..\\b",
        "C:\\Program Files\\Velmo\\.\\Velmo.exe",
        "C:\\Program Files\\Velmo\\...",
        "C:\\Program Files\\Velmo\\a.",               // the system drops the dot
        "C:\\Program Files\\Velmo\\a ",
        "C:\\Program Files\\Velmo\\\\Velmo.exe",
        "C:\\Program Files\\Velmo\\",
        "C:\\Program Files\\Velmo/../Windows/win.ini",
        "C:\\Program Files\\Velmo\\*.exe",
        "C:\\Program Files\\Velmo\\Velmo?.exe",
        "C:\\Program Files\\Velmo\\Velmo.exe:stream",
        "C:\\Program Files\\Velmo\\CON",
        "C:\\Program Files\\Velmo\\sub\\nul.txt",
        "C:\\Program Files\\Velmo\\com1 .dat",
        "C:\\Program Files\\Velmo\\a\x01" "b",
        "C:\\Program Files\\Velmo\\a<b",
        "\\\\?\\C:\\Program Files\\Velmo\\Velmo.exe",
        "\\\\.\\C:\\Program Files\\Velmo\\Velmo.exe",
        "\\\\server\\share\\Program Files\\Velmo\\Velmo.exe",
        "\\Program Files\\Velmo\\Velmo.exe",          // no drive
        "C:Program Files\\Velmo\\Velmo.exe",          // relative to the drive's folder
        "Velmo.exe",
        "..\\Velmo.exe",
        "",
        In(kDestination, std::string(250, 'x').c_str()),  // beyond the path limit
        In(kDesktop, "Report.doc"),                   // only shortcuts on the desktop
        In(kPrograms, "Startup\\notes.txt"),
        "C:\\users\\ann\\Desktop.lnk",
        "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\x.lnk",
    };
    for (const std::string &path : hostile)
        EXPECT_EQ(Action::Refuse, Judge("FILE", path.c_str(), places)) << path;
    EXPECT_EQ(Action::Refuse, Judge("FILE", nullptr, places));
}

TEST(Judge, removes_folders_only_of_the_installation_and_the_program_group)
{
    Places places = TheMachine();
    const char *refused[] = {
        "C:\\Program Files", "C:\\", "C:", "C:\\Windows", kPrograms, kCommonPrograms, kDesktop,
        "C:\\users\\ann\\Desktop\\Velmo", "C:\\Program Files\\Velmo\\..",
        "C:\\Program Files\\Velmo\\Saves\\", "C:\\Program Files\\Velmo\\Sav*",
    };
    for (const char *folder : refused)
        EXPECT_EQ(Action::Refuse, Judge("FOLDER", folder, places)) << folder;
}

TEST(Judge, patterns_stay_in_the_installation_and_never_take_every_file)
{
    Places places = TheMachine();
    const std::string refused[] = {
        In(kDestination, "*"), In(kDestination, "*.*"), In(kDestination, "?*.*"),
        In(kDestination, "Saves\\*."), In(kDestination, "*\\Velmolog-*.txt"),
        In(kDestination, "..\\Velmolog-*.txt"), "C:\\Windows\\Velmolog-*.txt",
        In(kPrograms, "Velmo\\*.lnk"), In(kDesktop, "Velmo*.lnk"), "Velmolog-*.txt",
    };
    for (const std::string &pattern : refused)
        EXPECT_EQ(Action::Refuse, Judge("FILEPATTERN", pattern.c_str(), places)) << pattern;
}

TEST(Judge, keys_are_single_names_and_never_the_systems_classes)
{
    Places places = TheMachine();
    const char *refused[] = {"", ".", "..", "Velmo\\..\\..\\Microsoft", "Velmo\\Sub",
                             "*", "Velmo*", "Vel?o", "Velmo\n"};
    for (const char *element : {"APPKEY", "UNINSTKEY", "CLASSKEY"}) {
        for (const char *name : refused)
            EXPECT_EQ(Action::Refuse, Judge(element, name, places)) << element << " " << name;
        EXPECT_EQ(Action::Refuse, Judge(element, std::string(256, 'k').c_str(), places));
        EXPECT_EQ(Action::Refuse, Judge(element, nullptr, places));
    }
    for (const char *shared : {"CLSID", "clsid", "Interface", "exefile", ".exe", ".LNK", "Directory",
                               "Folder", "http"})
        EXPECT_EQ(Action::Refuse, Judge("CLASSKEY", shared, places)) << shared;
}

TEST(Judge, a_destination_that_is_a_whole_drive_allows_nothing_there)
{
    Places places = TheMachine();
    for (const char *root : {"C:", "C:\\", "\\\\server\\share", ""}) {
        places.destination = root;
        EXPECT_EQ(Action::Refuse, Judge("FILE", "C:\\Windows\\win.ini", places)) << root;
        EXPECT_EQ(Action::Refuse, Judge("FOLDER", "C:\\Windows", places)) << root;
        EXPECT_EQ(Action::Refuse, Judge("FILEPATTERN", "C:\\Velmolog-*.txt", places)) << root;
    }
    places.destination = nullptr;
    EXPECT_EQ(Action::Refuse, Judge("FILE", In(kDestination, "Velmo.exe").c_str(), places));
    EXPECT_EQ(Action::RemoveFile, Judge("FILE", In(kDesktop, "Velmo.lnk").c_str(), places));
}

TEST(Judge, an_installation_on_a_share_is_judged_like_one_on_a_drive)
{
    Places places;
    places.destination = "\\\\server\\games\\Velmo";
    EXPECT_EQ(Action::RemoveFile, Judge("FILE", "\\\\SERVER\\games\\velmo\\Velmo.exe", places));
    EXPECT_EQ(Action::Refuse, Judge("FILE", "\\\\server\\games\\Other\\x.exe", places));
    EXPECT_EQ(Action::Refuse, Judge("FILE", "\\\\server\\games\\Velmo\\..\\x.exe", places));
}

TEST(Ownership, a_key_value_names_the_installation_only_inside_its_folder)
{
    EXPECT_TRUE(NamesInside("C:\\Program Files\\Velmo\\Velmo.exe", kDestination));
    EXPECT_TRUE(NamesInside("\"c:\\program files\\velmo\\Uninstall.exe\" /S", kDestination));
    EXPECT_TRUE(NamesInside("C:\\Program Files\\Velmo", kDestination));
    EXPECT_TRUE(NamesInside("C:\\Program Files\\Velmo\\Velmo.exe,0", kDestination));
    EXPECT_FALSE(NamesInside("D:\\Games\\Velmo\\Velmo.exe", kDestination));
    EXPECT_FALSE(NamesInside("C:\\Program Files\\Velmo2\\Velmo.exe", kDestination));
    EXPECT_FALSE(NamesInside("C:\\Program Files\\Velmo\\..\\Other\\x.exe", kDestination));
    EXPECT_FALSE(NamesInside("\"C:\\Program Files\\Velmo\\Velmo.exe", kDestination));
    EXPECT_FALSE(NamesInside("", kDestination));
    EXPECT_FALSE(NamesInside(nullptr, kDestination));
    EXPECT_FALSE(NamesInside("C:\\Windows\\notepad.exe", "C:\\"));
}

TEST(Pattern, matches_whole_names_without_regard_to_case)
{
    EXPECT_TRUE(MatchesPattern("Velmolog-2024.txt", "Velmolog-*.txt"));
    EXPECT_TRUE(MatchesPattern("VELMOLOG-.TXT", "velmolog-*.txt"));
    EXPECT_TRUE(MatchesPattern("Velmolog-a.txt.txt", "Velmolog-*.txt"));
    EXPECT_TRUE(MatchesPattern("auto1.sav", "auto?.sav"));
    EXPECT_TRUE(MatchesPattern("abc", "*a*b*c*"));
    // The system also matches the short names: "*.txt" finds "notes.txtx"
    // through "NOTES~1.TXT". The name itself decides here.
    EXPECT_FALSE(MatchesPattern("notes.txtx", "*.txt"));
    EXPECT_FALSE(MatchesPattern("Velmolog-1.txt.bak", "Velmolog-*.txt"));
    EXPECT_FALSE(MatchesPattern("auto12.sav", "auto?.sav"));
    EXPECT_FALSE(MatchesPattern("Velmo.txt", "Velmolog-*.txt"));
    EXPECT_FALSE(MatchesPattern("", "?"));
}

class RecordFile : public ::testing::Test {
protected:
    std::string Path() const
    {
        return ::testing::TempDir() + "uninstall-rules-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat";
    }
    void TearDown() override { std::remove(Path().c_str()); }
    void Write(const std::string &text)
    {
        FILE *file = std::fopen(Path().c_str(), "wb");
        ASSERT_NE(nullptr, file);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    bool LoadsAsProductRecord()
    {
        Vxml record("UNINSTALL");
        record.Load(Path().c_str());
        return IsProductRecord(record);
    }
};

TEST_F(RecordFile, only_a_record_of_this_product_counts)
{
    Write("<?xml version=\"1.0\"?>\r\n<UNINSTALL>\r\n  <APPNAME>velmo</APPNAME>\r\n"
          "  <FILE>C:\\Program Files\\Velmo\\Velmo.exe</FILE>\r\n</UNINSTALL>\r\n");
    EXPECT_TRUE(LoadsAsProductRecord());
    Write("<UNINSTALL><APPNAME>Other</APPNAME><APPNAME>Velmo</APPNAME></UNINSTALL>");
    EXPECT_FALSE(LoadsAsProductRecord());
    Write("<UNINSTALL><FILE>C:\\Program Files\\Velmo\\Velmo.exe</FILE></UNINSTALL>");
    EXPECT_FALSE(LoadsAsProductRecord());
    Write("<UNINSTALL><APPNAME></APPNAME></UNINSTALL>");
    EXPECT_FALSE(LoadsAsProductRecord());
    Write(std::string("\0\0\0garbage", 10));
    EXPECT_FALSE(LoadsAsProductRecord());
}

TEST_F(RecordFile, a_hundred_thousand_hostile_elements_are_all_refused_quickly)
{
    std::string text = "<UNINSTALL><APPNAME>Velmo</APPNAME>";
    const char *hostile[] = {"C:\\Windows\\x%d.dll", "C:\\Program Files\\Velmo\\..\\x%d",
                             "C:\\users\\ann\\Desktop\\doc%d.txt", "\\\\?\\C:\\x%d"};
    char path[64];
    for (int i = 0; i < 100000; ++i) {
        std::snprintf(path, sizeof path, hostile[i % 4], i);
        text += std::string(i % 3 ? "<FILE>" : "<FOLDER>") + path + (i % 3 ? "</FILE>" : "</FOLDER>");
    }
    Write(text + "</UNINSTALL>");

    // Processor time of this process: a busy machine stretches the wall
    // clock, not the work done.
    std::clock_t start = std::clock();
    Vxml record("UNINSTALL");
    record.Load(Path().c_str());
    ASSERT_TRUE(IsProductRecord(record));
    Places places = TheMachine();
    // Every element but the name is one of the hostile paths above.
    int refused = 0;
    for (Vxml *child = record.FirstChild(); child; child = child->NextSibling()) {
        if (child->HasName("APPNAME"))
            continue;
        Action action = Judge(child->GetName(), child->GetText(), places);
        if (action != Action::Refuse) {
            ADD_FAILURE() << child->GetName() << " " << child->GetText() << " is not refused";
            break;
        }
        ++refused;
    }
    EXPECT_EQ(100000, refused);
    EXPECT_LT(std::clock() - start, 5 * CLOCKS_PER_SEC);
}

TEST(LeftoverList, lists_the_first_names_of_each_kind_and_counts_the_rest)
{
    const char *headings[] = {"Files:", "Folders:", "Keys:", "Refused:"};
    Leftovers empty;
    char *none = empty.Text(headings, "...and %d more");
    ASSERT_NE(nullptr, none);
    EXPECT_STREQ("", none);
    free(none);

    Leftovers leftovers;
    leftovers.Add(Leftovers::Folder, "C:\\Program Files\\Velmo");
    for (int i = 0; i < Leftovers::kShown + 3; ++i)
        leftovers.Add(Leftovers::File, ("f" + std::to_string(i)).c_str());
    leftovers.Add(Leftovers::Refused, nullptr);
    EXPECT_EQ(Leftovers::kShown + 5, leftovers.Total());

    std::string expected = "Files:\n";
    for (int i = 0; i < Leftovers::kShown; ++i)
        expected += "  f" + std::to_string(i) + "\n";
    expected += "  ...and 3 more\n\nFolders:\n  C:\\Program Files\\Velmo\n\nRefused:\n  \n";
    char *text = leftovers.Text(headings, "...and %d more");
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(expected, text);
    free(text);
}

}  // namespace
