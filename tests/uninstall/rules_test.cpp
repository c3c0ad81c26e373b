// The gate of the uninstaller: everything a setup run records passes, and
// nothing outside the places a setup run writes to, nothing through a link
// and no key that a value does not show to be this installation's.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/paths.h"
#include "uninstall/leftovers.h"
#include "uninstall/rules.h"
#include "xml/vxml.h"

namespace {

const char kDestination[] = "C:\\Program Files\\Velmo";
const char kPrograms[] = "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const char kCommonPrograms[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char kDesktop[] = "C:\\users\\ann\\Desktop";

std::u16string U(const std::string &ansi)
{
    std::vector<char16_t> wide(ansi.size() + 1);
    EXPECT_TRUE(AnsiToUtf16(ansi.c_str(), wide.data(), wide.size())) << ansi;
    return wide.data();
}

std::string In(const char *folder, const char *rest)
{
    return std::string(folder) + "\\" + rest;
}

// The disk as the tests describe it; every other name is absent. Notes
// every name it was asked about.
class FakeDisk : public DiskView {
public:
    std::map<std::u16string, Kind> kinds;
    std::vector<std::u16string> asked;

    Kind Look(const char16_t *path) override
    {
        asked.push_back(path);
        auto found = kinds.find(path);
        return found == kinds.end() ? Absent : found->second;
    }
};

// A gate over the default places and a disk.
class Machine {
public:
    Machine(const char *destination = kDestination)
    {
        Places places;
        places.destination = destination;
        places.startMenus[0] = kPrograms;
        places.startMenus[1] = kCommonPrograms;
        places.desktops[0] = kDesktop;
        Widen(places, "C:\\Program Files\\Velmo\\Uninstall.exe", wide);
    }
    Action Of(const char *element, const std::string &text)
    {
        return gate.Judge(element, text.c_str()).action();
    }

    WidePlaces wide;
    FakeDisk disk;
    Gate gate{wide, disk};
};

TEST(Judge, acts_on_everything_a_setup_run_records)
{
    Machine machine;
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
        EXPECT_EQ(c.action, machine.Of(c.element, c.text)) << c.element << " " << c.text;
}

TEST(Judge, refuses_files_outside_the_places_of_the_installation)
{
    Machine machine;
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
        "C:\\Program Files\\Velmo\\a\x7f" "b",
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
        In(kDestination, std::string(100000, 'x').c_str()),
        In(kDesktop, "Report.doc"),                   // only shortcuts on the desktop
        In(kPrograms, "Startup\\notes.txt"),
        "C:\\users\\ann\\Desktop.lnk",
        "C:\\users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\x.lnk",
    };
    for (const std::string &path : hostile)
        EXPECT_EQ(Action::Refuse, machine.Of("FILE", path)) << path;
    EXPECT_EQ(Action::Refuse, machine.gate.Judge("FILE", nullptr).action());
}

TEST(Judge, removes_folders_only_of_the_installation_and_the_program_group)
{
    Machine machine;
    const char *refused[] = {
        "C:\\Program Files", "C:\\", "C:", "C:\\Windows", kPrograms, kCommonPrograms, kDesktop,
        "C:\\users\\ann\\Desktop\\Velmo", "C:\\Program Files\\Velmo\\..",
        "C:\\Program Files\\Velmo\\Saves\\", "C:\\Program Files\\Velmo\\Sav*",
    };
    for (const char *folder : refused)
        EXPECT_EQ(Action::Refuse, machine.Of("FOLDER", folder)) << folder;
}

TEST(Judge, patterns_stay_in_the_installation_and_never_take_every_file)
{
    Machine machine;
    const std::string refused[] = {
        In(kDestination, "*"), In(kDestination, "*.*"), In(kDestination, "?*.*"),
        In(kDestination, "Saves\\*."), In(kDestination, "*\\Velmolog-*.txt"),
        In(kDestination, "..\\Velmolog-*.txt"), "C:\\Windows\\Velmolog-*.txt",
        In(kPrograms, "Velmo\\*.lnk"), In(kDesktop, "Velmo*.lnk"), "Velmolog-*.txt",
    };
    for (const std::string &pattern : refused)
        EXPECT_EQ(Action::Refuse, machine.Of("FILEPATTERN", pattern)) << pattern;
}

TEST(Judge, keys_are_single_names_and_never_the_systems_classes)
{
    Machine machine;
    const char *refused[] = {"", ".", "..", "Velmo\\..\\..\\Microsoft", "Velmo\\Sub",
                             "*", "Velmo*", "Vel?o", "Velmo\n"};
    for (const char *element : {"APPKEY", "UNINSTKEY", "CLASSKEY"}) {
        for (const char *name : refused)
            EXPECT_EQ(Action::Refuse, machine.Of(element, name)) << element << " " << name;
        EXPECT_EQ(Action::Refuse, machine.Of(element, std::string(256, 'k')));
        EXPECT_EQ(Action::Refuse, machine.gate.Judge(element, nullptr).action());
    }
    for (const char *shared : {"CLSID", "clsid", "Interface", "exefile", ".exe", ".LNK", "Directory",
                               "Folder", "http", "Local Settings", "WOW6432Node"})
        EXPECT_EQ(Action::Refuse, machine.Of("CLASSKEY", shared)) << shared;
}

TEST(Judge, a_destination_that_is_a_whole_drive_allows_nothing_there)
{
    for (const char *root : {"C:", "C:\\", "\\\\server\\share", ""}) {
        Machine machine(root);
        EXPECT_EQ(Action::Refuse, machine.Of("FILE", "C:\\Windows\\win.ini")) << root;
        EXPECT_EQ(Action::Refuse, machine.Of("FOLDER", "C:\\Windows")) << root;
        EXPECT_EQ(Action::Refuse, machine.Of("FILEPATTERN", "C:\\Velmolog-*.txt")) << root;
    }
    Machine none(nullptr);
    EXPECT_EQ(Action::Refuse, none.Of("FILE", In(kDestination, "Velmo.exe")));
    EXPECT_EQ(Action::RemoveFile, none.Of("FILE", In(kDesktop, "Velmo.lnk")));
}

TEST(Judge, an_installation_on_a_share_is_judged_like_one_on_a_drive)
{
    Machine machine("\\\\server\\games\\Velmo");
    EXPECT_EQ(Action::RemoveFile, machine.Of("FILE", "\\\\SERVER\\games\\velmo\\Velmo.exe"));
    EXPECT_EQ(Action::Refuse, machine.Of("FILE", "\\\\server\\games\\Other\\x.exe"));
    EXPECT_EQ(Action::Refuse, machine.Of("FILE", "\\\\server\\games\\Velmo\\..\\x.exe"));
}

TEST(Judge, compares_folders_as_the_file_system_does)
{
    // Letters beyond ASCII fold as the system folds them.
    Machine accented("C:\\Spi\xeble\\Velmo");
    EXPECT_EQ(Action::RemoveFile, accented.Of("FILE", "C:\\SPI\xcbLE\\VELMO\\Velmo.exe"));
    EXPECT_EQ(Action::RemoveFolder, accented.Of("FOLDER", "c:\\spi\xcble\\velmo"));
    EXPECT_EQ(Action::Refuse, accented.Of("FILE", "C:\\Spiele\\Velmo\\Velmo.exe"));

    // Double-byte names in UTF-16: the second byte of a character is no
    // separator (U+8868 is 0x95 0x5C in code page 932) and no letter to fold
    // (U+30A2 and U+30C2 differ there only as 0x41 and 0x61).
    Machine wide;
    std::u16string table = u"C:\\\u8868\\Velmo", katakana = u"D:\\\u30a2";
    std::memcpy(wide.wide.destination, table.c_str(), (table.size() + 1) * 2);
    EXPECT_EQ(Action::RemoveFile, wide.gate.Judge16("FILE", (table + u"\\Velmo.exe").c_str()).action());
    std::memcpy(wide.wide.destination, katakana.c_str(), (katakana.size() + 1) * 2);
    EXPECT_EQ(Action::Refuse, wide.gate.Judge16("FILE", u"D:\\\u30c2\\Velmo.exe").action());
    EXPECT_EQ(Action::RemoveFile, wide.gate.Judge16("FILE", u"d:\\\u30a2\\Velmo.exe").action());
    // Full-width letters fold as letters and are no separators.
    EXPECT_EQ(Action::RemoveFile,
              wide.gate.Judge16("FILE", u"D:\\\u30a2\\\uff41\uff3c..\uff3cx").action());
}

TEST(Gate, nothing_goes_through_a_link_below_a_place)
{
    Machine machine;
    FakeDisk &disk = machine.disk;
    disk.kinds[U(In(kDestination, "Saves"))] = DiskView::Link;
    disk.kinds[U(In(kDestination, "Maps"))] = DiskView::Folder;
    disk.kinds[U(In(kDestination, "Maps\\notes.txt"))] = DiskView::Link;
    disk.kinds[U(In(kDestination, "Locked"))] = DiskView::Unknown;
    disk.kinds[U(In(kDesktop, "Linked"))] = DiskView::Link;
    const std::pair<const char *, std::string> refused[] = {
        {"FILE", In(kDestination, "Saves\\keep.txt")},
        {"FILE", In(kDestination, "Saves\\deeper\\keep.txt")},
        {"FILE", In(kDestination, "Maps\\notes.txt")},
        {"FILE", In(kDestination, "Locked\\x.dat")},
        {"FILE", In(kDesktop, "Linked\\Velmo.lnk")},
        {"FILEPATTERN", In(kDestination, "Saves\\Velmolog-*.txt")},
        {"FOLDER", In(kDestination, "Saves")},
        {"FOLDER", In(kDestination, "Saves\\Empty")},
    };
    for (const auto &element : refused)
        EXPECT_EQ(Action::Refuse, machine.Of(element.first, element.second)) << element.second;
    disk.kinds[U(In(kDestination, "Maps\\map1.dat"))] = DiskView::File;
    EXPECT_EQ(Action::RemoveFile, machine.Of("FILE", In(kDestination, "Maps\\map1.dat")));
    // What is not there needs no removal.
    EXPECT_FALSE(machine.gate.Judge("FILE", In(kDestination, "Maps\\map1.dat").c_str()).absent());
    EXPECT_TRUE(machine.gate.Judge("FILE", In(kDestination, "Maps\\gone.dat").c_str()).absent());
    EXPECT_TRUE(machine.gate.Judge("FILE", In(kDestination, "Gone\\x.dat").c_str()).absent());
    size_t asked = machine.disk.asked.size();
    EXPECT_TRUE(machine.gate.Judge("FILE", In(kDestination, "Gone\\y.dat").c_str()).absent());
    EXPECT_EQ(asked, machine.disk.asked.size()) << "a missing folder is asked about again";
    EXPECT_EQ(Action::RemoveFolder, machine.Of("FOLDER", In(kDestination, "Maps")));
    // Only what lies below a place is looked at: the place and its parents
    // are the system's.
    for (const std::u16string &path : disk.asked)
        EXPECT_TRUE(IsInside(path.c_str(), U(kDestination).c_str()) ||
                    IsInside(path.c_str(), U(kDesktop).c_str()));
}

TEST(Gate, a_name_a_listing_returned_is_judged_as_the_path_it_makes)
{
    Machine machine;
    Approved pattern = machine.gate.Judge("FILEPATTERN", In(kDestination, "Velmolog-*.txt").c_str());
    ASSERT_EQ(Action::RemovePattern, pattern.action());
    // Full-width separators are ordinary characters of one name.
    std::u16string odd = u"Velmolog-\uff3c..\uff3c..\uff3cOther\uff3ca.txt";
    Approved file = machine.gate.JudgeFound(pattern, odd.c_str());
    ASSERT_EQ(Action::RemoveFile, file.action());
    EXPECT_EQ(U(kDestination) + u"\\" + odd, file.target());
    for (const char16_t *name : {u"Velmolog-\\..\\..\\Other\\a.txt", u"Velmolog-/../a.txt",
                                 u"Velmolog-:a.txt", u"Velmolog-a.txt.bak", u"..", u"",
                                 u"Velmolog-CON.txt."})
        EXPECT_EQ(Action::Refuse, machine.gate.JudgeFound(pattern, name).action());
    EXPECT_EQ(Action::Refuse, machine.gate.JudgeFound(pattern, nullptr).action());
    // The whole path is judged again: a name that became a link since.
    machine.disk.kinds[U(In(kDestination, "Velmolog-1.txt"))] = DiskView::Link;
    EXPECT_EQ(Action::Refuse, machine.gate.JudgeFound(pattern, u"Velmolog-1.txt").action());
    // Only a pattern the gate approved lists anything.
    Approved refused = machine.gate.Judge("FILEPATTERN", "C:\\Windows\\*.txt");
    EXPECT_EQ(Action::Refuse, machine.gate.JudgeFound(refused, u"a.txt").action());
}

// A key as the registry holds it: (key below the named one, value, data);
// a value of nullptr stands for the key itself.
struct Key {
    std::vector<KeyEntry> entries;
    KeyTree tree;
    explicit Key(std::vector<KeyEntry> list, bool complete = true) : entries(std::move(list))
    {
        tree.exists = true;
        tree.complete = complete;
        tree.entries = entries.data();
        tree.count = entries.size();
    }
};

bool Owned(Machine &machine, const char *element, const char *name, const Key &key,
           const Key *typeClass = nullptr)
{
    Approved judged = machine.gate.Judge(element, name);
    EXPECT_NE(Action::Refuse, judged.action()) << name;
    return machine.gate.ClaimKey(judged, key.tree, typeClass ? &typeClass->tree : nullptr).owned();
}

TEST(Ownership, a_key_is_ours_only_when_a_value_in_it_names_this_installation)
{
    Machine m;
    const char16_t *game = u"C:\\Program Files\\Velmo\\Velmo.exe";
    const char16_t *uninstaller = u"\"c:\\program files\\velmo\\UNINSTALL.EXE\"";
    EXPECT_TRUE(Owned(m, "APPKEY", "Velmo.exe", Key({{u"", nullptr, nullptr}, {u"", u"", game},
                                                       {u"", u"Path", u"C:\\Program Files\\Velmo"}})));
    EXPECT_FALSE(Owned(m, "APPKEY", "Other.exe",
                       Key({{u"", nullptr, nullptr}, {u"", u"Path", u"C:\\Program Files\\Velmo"}})));
    EXPECT_FALSE(Owned(m, "APPKEY", "Other.exe", Key({{u"", nullptr, nullptr}})));
    EXPECT_FALSE(Owned(m, "APPKEY", "Other.exe",
                       Key({{u"", nullptr, nullptr}, {u"", u"", u"C:\\Other\\Other.exe"}})));
    EXPECT_FALSE(Owned(m, "APPKEY", "Velmo.exe",
                       Key({{u"", nullptr, nullptr}, {u"", u"", game}, {u"Sub", nullptr, nullptr}})));
    EXPECT_FALSE(Owned(m, "APPKEY", "Velmo.exe", Key({{u"", nullptr, nullptr}, {u"", u"", nullptr}})));

    EXPECT_TRUE(Owned(m, "UNINSTKEY", "Velmo",
                      Key({{u"", nullptr, nullptr}, {u"", u"UninstallString", uninstaller}})));
    EXPECT_FALSE(Owned(m, "UNINSTKEY", "Other", Key({{u"", nullptr, nullptr},
                                                     {u"", u"DisplayName", u"Other"}})));
    // Inside the folder is not enough: it must be this uninstaller.
    EXPECT_FALSE(Owned(m, "UNINSTKEY", "Other",
                       Key({{u"", nullptr, nullptr}, {u"", u"UninstallString", game}})));
    EXPECT_FALSE(Owned(m, "UNINSTKEY", "Velmo",
                       Key({{u"", nullptr, nullptr}, {u"", u"UninstallString", uninstaller}}, false)));
    // A key of the setup's own name with nothing in it, as a run ended
    // between making the key and its first value leaves it, is the setup's;
    // one of another name, or with anything in it, is not.
    EXPECT_TRUE(Owned(m, "APPKEY", "velmo.EXE", Key({{u"", nullptr, nullptr}})));
    EXPECT_TRUE(Owned(m, "UNINSTKEY", "Velmo", Key({{u"", nullptr, nullptr}})));
    EXPECT_FALSE(Owned(m, "UNINSTKEY", "Other", Key({{u"", nullptr, nullptr}})));
    EXPECT_FALSE(Owned(m, "UNINSTKEY", "Velmo",
                       Key({{u"", nullptr, nullptr}, {u"", u"DisplayName", u"Velmo"}})));
    EXPECT_FALSE(Owned(m, "APPKEY", "Velmo.exe",
                       Key({{u"", nullptr, nullptr}, {u"Sub", nullptr, nullptr}})));

    const char16_t *command = u"\"C:\\Program Files\\Velmo\\Velmo.exe\" \"%1\"";
    std::vector<KeyEntry> savegame = {
        {u"", nullptr, nullptr},         {u"", u"", u"Velmo saved game"},
        {u"DefaultIcon", nullptr, nullptr}, {u"DefaultIcon", u"", u"C:\\Program Files\\Velmo\\Velmo.exe,1"},
        {u"shell", nullptr, nullptr},    {u"shell\\open", nullptr, nullptr},
        {u"shell\\open\\command", nullptr, nullptr}, {u"shell\\open\\command", u"", command}};
    Key ours(savegame);
    EXPECT_TRUE(Owned(m, "CLASSKEY", "Velmo.Savegame", ours));
    // One value deep inside that names the folder does not make a key ours.
    auto with = [&savegame](std::vector<KeyEntry> more) {
        std::vector<KeyEntry> entries = savegame;
        entries.insert(entries.end(), more.begin(), more.end());
        return Key(entries);
    };
    EXPECT_FALSE(Owned(m, "CLASSKEY", "Other.Document",
                       with({{u"shell\\edit", nullptr, nullptr}, {u"shell\\edit\\command", nullptr, nullptr},
                             {u"shell\\edit\\command", u"", u"C:\\Other\\Other.exe \"%1\""}})));
    EXPECT_FALSE(Owned(m, "CLASSKEY", "Other.Document",
                       with({{u"shell\\open\\command", u"DelegateExecute", u"{0}"}})));
    EXPECT_FALSE(Owned(m, "CLASSKEY", "Other.Document", with({{u"CLSID", nullptr, nullptr}})));
    EXPECT_FALSE(Owned(m, "CLASSKEY", "Other.Document",
                       with({{u"shell\\open\\ddeexec", nullptr, nullptr}})));
    EXPECT_FALSE(Owned(m, "CLASSKEY", "Other.Document",
                       Key({{u"", nullptr, nullptr}, {u"", u"", u"C:\\Program Files\\Velmo\\Velmo.exe"}})));

    // A file type is ours when it names a class of ours and holds nothing else.
    Key type({{u"", nullptr, nullptr}, {u"", u"", u"Velmo.Savegame"}});
    EXPECT_TRUE(Owned(m, "CLASSKEY", ".vsav", type, &ours));
    Key foreignClass({{u"", nullptr, nullptr}, {u"shell\\open\\command", nullptr, nullptr},
                      {u"shell\\open\\command", u"", u"C:\\Other\\Other.exe"}});
    EXPECT_FALSE(Owned(m, "CLASSKEY", ".odoc", type, &foreignClass));
    EXPECT_FALSE(Owned(m, "CLASSKEY", ".vsav", type, nullptr));
    EXPECT_FALSE(Owned(m, "CLASSKEY", ".vsav",
                       Key({{u"", nullptr, nullptr}, {u"", u"", u"Velmo.Savegame"},
                            {u"OpenWithProgids", nullptr, nullptr}}),
                       &ours));
    EXPECT_FALSE(Owned(m, "CLASSKEY", ".vsav", Key({{u"", nullptr, nullptr}, {u"", u"", u"exefile"}}),
                       &ours));
}

TEST(Ownership, a_value_names_the_installation_only_inside_its_folder)
{
    const std::u16string folder = U(kDestination);
    for (const char16_t *inside : {u"C:\\Program Files\\Velmo\\Velmo.exe",
                                   u"\"c:\\program files\\velmo\\Uninstall.exe\" /S",
                                   u"C:\\Program Files\\Velmo\\Velmo.exe,0"})
        EXPECT_TRUE(NamesInside(inside, folder.c_str())) << std::string(inside, inside + 10);
    for (const char16_t *outside : {u"C:\\Program Files\\Velmo", u"D:\\Games\\Velmo\\Velmo.exe",
                                    u"C:\\Program Files\\Velmo2\\Velmo.exe",
                                    u"C:\\Program Files\\Velmo\\..\\Other\\x.exe",
                                    u"\"C:\\Program Files\\Velmo\\Velmo.exe", u""})
        EXPECT_FALSE(NamesInside(outside, folder.c_str()));
    EXPECT_FALSE(NamesInside(nullptr, folder.c_str()));
    EXPECT_FALSE(NamesInside(u"C:\\Windows\\notepad.exe", u"C:\\"));
}

TEST(Pattern, matches_whole_names_without_regard_to_case)
{
    EXPECT_TRUE(MatchesPattern(u"Velmolog-2024.txt", u"Velmolog-*.txt"));
    EXPECT_TRUE(MatchesPattern(u"VELMOLOG-.TXT", u"velmolog-*.txt"));
    EXPECT_TRUE(MatchesPattern(u"Velmolog-a.txt.txt", u"Velmolog-*.txt"));
    EXPECT_TRUE(MatchesPattern(u"auto1.sav", u"auto?.sav"));
    EXPECT_TRUE(MatchesPattern(u"abc", u"*a*b*c*"));
    EXPECT_TRUE(MatchesPattern(u"\u00c9t\u00e9.txt", u"\u00e9T\u00c9*"));
    // The system also matches the short names: "*.txt" finds "notes.txtx"
    // through "NOTES~1.TXT". The name itself decides here.
    EXPECT_FALSE(MatchesPattern(u"notes.txtx", u"*.txt"));
    EXPECT_FALSE(MatchesPattern(u"Velmolog-1.txt.bak", u"Velmolog-*.txt"));
    EXPECT_FALSE(MatchesPattern(u"auto12.sav", u"auto?.sav"));
    EXPECT_FALSE(MatchesPattern(u"Velmo.txt", u"Velmolog-*.txt"));
    EXPECT_FALSE(MatchesPattern(u"", u"?"));
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
    Machine machine;
    // Every element but the name is one of the hostile paths above.
    int refused = 0;
    for (Vxml *child = record.FirstChild(); child; child = child->NextSibling()) {
        if (child->HasName("APPNAME"))
            continue;
        Action action = machine.gate.Judge(child->GetName(), child->GetText()).action();
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
    const char *headings[] = {"Files:", "Locked:", "Folders:", "Keys:", "Foreign:", "Refused:"};
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

TEST(LeftoverList, a_record_cannot_make_the_message_long_or_break_its_lines)
{
    const char *headings[] = {"Files:", "Locked:", "Folders:", "Keys:", "Foreign:", "Refused:"};
    Leftovers leftovers;
    std::string huge = "C:\\Windows\\a\r\nb\tc\x7f";
    huge += std::string(50 << 20, 'x');
    for (int i = 0; i < 1000; ++i)
        leftovers.Add(Leftovers::Refused, huge.c_str());
    char *text = leftovers.Text(headings, "...and %d more");
    ASSERT_NE(nullptr, text);
    std::string shown = text;
    free(text);
    std::string name = "C:\\Windows\\a\\x0D\\x0Ab\\x09c\\x7F" +
                       std::string(Leftovers::kNameShown - 18, 'x') + "...";
    std::string expected = "Refused:\n";
    for (int i = 0; i < Leftovers::kShown; ++i)
        expected += "  " + name + "\n";
    EXPECT_EQ(expected + "  ...and 992 more\n", shown);
}

TEST(LeftoverList, only_what_the_record_names_and_could_not_be_removed_is_a_failure)
{
    Leftovers kept;
    kept.Add(Leftovers::Folder, "C:\\Program Files\\Velmo");
    kept.Add(Leftovers::Foreign, "Other.exe");
    EXPECT_EQ(2, kept.Total());
    EXPECT_EQ(0, kept.Failed());
    for (Leftovers::Kind kind : {Leftovers::File, Leftovers::Locked, Leftovers::Key,
                                 Leftovers::Refused}) {
        Leftovers failed;
        failed.Add(Leftovers::Folder, "C:\\Program Files\\Velmo");
        failed.Add(kind, "x");
        EXPECT_EQ(1, failed.Failed()) << kind;
    }
}

}  // namespace
