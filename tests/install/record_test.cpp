// The uninstall record: what Commit writes in which order, what a second
// run adds, and what a roll-back removes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "install/record.h"
#include "product/config.h"
#include "record_folder.h"

namespace {

// Remembers the calls of a roll-back in order.
class RecordingRollback : public RollbackTarget {
public:
    void RemoveFile(const char *path) override { calls.push_back(std::string("file ") + path); }
    void RemoveFolder(const char *path) override
    {
        calls.push_back(std::string("folder ") + path);
    }
    void RemoveAppKey(const char *name) override { calls.push_back(std::string("app ") + name); }
    void RemoveUninstallKey(const char *name) override
    {
        calls.push_back(std::string("uninstall ") + name);
    }
    std::vector<std::string> calls;
};

class Record : public RecordFolderTest {
protected:
    // What a first installation into "C:\Games\Velmo" records, in the order
    // the steps add it.
    void RecordFirstInstallation(Log &log)
    {
        log.Add("APPNAME", "Velmo");
        log.Add("FOLDER", "C:\\Games");            // created parent
        log.Add("FOLDER", "C:\\Games\\Velmo");     // created destination
        log.Add("FOLDER", "C:\\Games\\Velmo");     // the destination again
        log.Add("FILE", "C:\\Games\\Velmo\\Velmo.exe");
        log.Add("FOLDER", "C:\\Games\\Velmo\\Cardsets");
        log.Add("FILE", "C:\\Games\\Velmo\\Cardsets\\Cards.png");
        log.Add("FILE", "C:\\Games\\Velmo\\Uninstall.exe");
        log.Add("UNINSTKEY", "Velmo");
        log.AddPath("FILE", "C:\\Games\\Velmo", "Velmo.dat");
        log.AddPath("FILEPATTERN", "C:\\Games\\Velmo", "Velmolog-*.txt");
        log.Add("APPKEY", "Velmo.exe");
        log.Add("FOLDER", "C:\\Start Menu\\Velmo");
        log.Add("FILE", "C:\\Start Menu\\Velmo\\Velmo.lnk");
    }
    // A run over a record that it may not replace: it keeps and commits
    // nothing, and its roll-back leaves the record alone.
    void RunThatMayNotReplaceTheRecord()
    {
        Log log(Folder());
        log.Add("APPNAME", "Velmo");
        log.Add("FILE", "C:\\Velmo\\New.exe");
        EXPECT_FALSE(log.Keep());
        EXPECT_FALSE(log.Commit());
        RecordingRollback rollback;
        log.Rollback(rollback);
    }
    // A first installation's record, committed.
    void CommitFirstInstallation()
    {
        Log first(Folder());
        RecordFirstInstallation(first);
        ASSERT_TRUE(first.Commit());
    }
};

using Elements = RecordFolderTest::Elements;

const Elements kFirstInstallation = {
    "APPNAME=Velmo",
    "FILE=C:\\Games\\Velmo\\Velmo.exe",
    "FILE=C:\\Games\\Velmo\\Cardsets\\Cards.png",
    "FILE=C:\\Games\\Velmo\\Uninstall.exe",
    "FILE=C:\\Games\\Velmo\\Velmo.dat",
    "FILE=C:\\Start Menu\\Velmo\\Velmo.lnk",
    "FOLDER=C:\\Games",
    "FOLDER=C:\\Games\\Velmo",
    "FOLDER=C:\\Games\\Velmo\\Cardsets",
    "FOLDER=C:\\Start Menu\\Velmo",
    "APPKEY=Velmo.exe",
    "UNINSTKEY=Velmo",
    "FILEPATTERN=C:\\Games\\Velmo\\Velmolog-*.txt",
};

TEST_F(Record, first_installation_is_written_grouped_by_element_name)
{
    Log log(Folder());
    RecordFirstInstallation(log);
    EXPECT_TRUE(log.Commit());
    EXPECT_EQ(kFirstInstallation, Written());
}

TEST_F(Record, commit_tells_when_the_record_cannot_be_written)
{
    Log log(MissingFolder().c_str());
    log.Add("APPNAME", "Velmo");
    EXPECT_FALSE(log.Commit());
}

TEST_F(Record, file_has_the_writers_layout)
{
    Log log(Folder());
    log.Add("APPNAME", "Velmo");
    log.Add("FILE", "C:\\Velmo\\Fran\xe7" "ais.qlf");  // ANSI, as the setup has it
    log.Commit();
    EXPECT_EQ("<?xml version=\"1.0\"?>\r\n"
              "<UNINSTALL>\r\n"
              "  <APPNAME>Velmo</APPNAME>\r\n"
              "  <FILE>C:\\Velmo\\Fran\xe7" "ais.qlf</FILE>\r\n"
              "</UNINSTALL>\r\n",
              ReadRecordFile());
}

TEST_F(Record, add_reports_only_what_this_run_added)
{
    Log log(Folder());
    EXPECT_TRUE(log.Add("FILE", "C:\\Velmo\\Velmo.exe"));
    EXPECT_FALSE(log.Add("FILE", "C:\\Velmo\\Velmo.exe"));
    EXPECT_FALSE(log.Add("file", "c:\\velmo\\VELMO.EXE"));
    EXPECT_TRUE(log.Add("FOLDER", "C:\\Velmo\\Velmo.exe"));
    EXPECT_EQ((Elements{"FILE=C:\\Velmo\\Velmo.exe", "FOLDER=C:\\Velmo\\Velmo.exe"}),
              Children(*log.sessionList));
    EXPECT_EQ(Children(*log.fullList), Children(*log.sessionList));
}

TEST_F(Record, second_installation_into_the_same_folder_changes_nothing)
{
    ASSERT_NO_FATAL_FAILURE(CommitFirstInstallation());
    std::string before = ReadRecordFile();
    Log second(Folder());
    RecordFirstInstallation(second);
    // Only the keys it wrote into, which a roll-back gives their values back.
    EXPECT_EQ((Elements{"UNINSTKEY=Velmo", "APPKEY=Velmo.exe"}), Children(*second.sessionList));
    second.Commit();
    EXPECT_EQ(before, ReadRecordFile());
}

TEST_F(Record, second_installation_appends_only_what_differs)
{
    ASSERT_NO_FATAL_FAILURE(CommitFirstInstallation());
    Log second(Folder());
    RecordFirstInstallation(second);
    EXPECT_TRUE(second.Add("FILE", "C:\\Games\\Velmo\\Extra.png"));
    EXPECT_TRUE(second.Add("FOLDER", "C:\\Games\\Velmo\\Themes"));
    second.Commit();
    Elements expected = kFirstInstallation;
    expected.push_back("FILE=C:\\Games\\Velmo\\Extra.png");
    expected.push_back("FOLDER=C:\\Games\\Velmo\\Themes");
    EXPECT_EQ(expected, Written());
}

TEST_F(Record, an_old_record_keeps_its_order_and_foreign_elements)
{
    WriteRecordFile("<?xml version=\"1.0\"?>\n"
                    "<UNINSTALL>\n"
                    "  <FOLDER>C:\\Velmo</FOLDER>\n"
                    "  <REGVALUE>HKCU\\Velmo</REGVALUE>\n"
                    "  <FILE>C:\\Velmo\\Old.exe</FILE>\n"
                    "  <CLASSKEY>Velmo.Deck</CLASSKEY>\n"
                    "  <file>c:\\velmo\\velmo.exe</file>\n"
                    "  <APPNAME>Velmo</APPNAME>\n"
                    "  <FILE>C:\\Velmo\\Old.exe</FILE>\n"
                    "</UNINSTALL>\n");
    Log log(Folder());
    log.Add("APPNAME", "Velmo");
    log.Add("FOLDER", "C:\\Velmo");
    log.Add("FILE", "C:\\Velmo\\Velmo.exe");
    log.Add("FILE", "C:\\Velmo\\New.exe");
    log.Add("APPKEY", "Velmo.exe");
    log.Commit();
    EXPECT_EQ((Elements{"FOLDER=C:\\Velmo", "REGVALUE=HKCU\\Velmo", "FILE=C:\\Velmo\\Old.exe",
                        "CLASSKEY=Velmo.Deck", "file=c:\\velmo\\velmo.exe", "APPNAME=Velmo",
                        "FILE=C:\\Velmo\\Old.exe", "FILE=C:\\Velmo\\New.exe",
                        "APPKEY=Velmo.exe"}),
              Written());
}

TEST_F(Record, commit_without_the_earlier_file_keeps_only_its_known_groups)
{
    WriteRecordFile("<UNINSTALL><REGVALUE>HKCU\\Velmo</REGVALUE>"
                    "<CLASSKEY>Velmo.Deck</CLASSKEY><FILE>C:\\Velmo\\Old.exe</FILE></UNINSTALL>");
    Log log(Folder());
    log.Add("FILE", "C:\\Velmo\\Velmo.exe");
    log.Add("APPNAME", "Velmo");
    // The clean-up of a version-2 installation gives up the old record; the
    // file stays on disk until the record of this run replaces it.
    log.DropEarlierFile();
    EXPECT_NE("", ReadRecordFile());
    log.Commit();
    // What the record loaded survives as far as it belongs to the seven
    // groups; other element names are gone with the file.
    EXPECT_EQ((Elements{"APPNAME=Velmo", "FILE=C:\\Velmo\\Old.exe", "FILE=C:\\Velmo\\Velmo.exe",
                        "CLASSKEY=Velmo.Deck"}),
              Written());
}

TEST_F(Record, kept_record_names_what_comes_next_and_the_finished_one_only_what_came)
{
    WriteRecordFile("<UNINSTALL><REGVALUE>HKCU\\Velmo</REGVALUE>"
                    "<FILE>C:\\Velmo\\Old.exe</FILE></UNINSTALL>");
    const std::string pending = "FILE=" + RecordFile() + ".new";
    Log log(Folder());
    log.Add("APPNAME", "Velmo");
    log.AddAhead("FOLDER", "C:\\Velmo\\Cardsets");
    log.AddAhead("FILE", "C:\\Velmo\\Cardsets\\Cards.png");
    log.AddAhead("FILE", "C:\\Velmo\\Old.exe");  // named already: nothing new
    ASSERT_TRUE(log.Keep());
    EXPECT_EQ((Elements{"REGVALUE=HKCU\\Velmo", "FILE=C:\\Velmo\\Old.exe", "APPNAME=Velmo",
                        pending, "FILE=C:\\Velmo\\Cardsets\\Cards.png",
                        "FOLDER=C:\\Velmo\\Cardsets"}),
              Written());

    // Nothing new: no write, so that a pause without news costs nothing.
    WriteRecordFile("<UNINSTALL><FILE>C:\\Marker</FILE></UNINSTALL>");
    ASSERT_TRUE(log.Keep());
    EXPECT_EQ(Elements{"FILE=C:\\Marker"}, Written());

    // The file came, the folder was there already: the file was named on
    // disk before, so no write. The record of the run's end names what
    // came, in the order it came, and nothing else.
    log.Add("FILE", "C:\\Velmo\\Cardsets\\Cards.png");
    ASSERT_TRUE(log.Keep());
    EXPECT_EQ(Elements{"FILE=C:\\Marker"}, Written());
    log.Add("FILE", "C:\\Velmo\\Cardsets\\Extra.png");
    ASSERT_TRUE(log.Keep());
    EXPECT_EQ(7u, Written().size()) << "what was not named before is written";
    ASSERT_TRUE(log.Commit());
    EXPECT_EQ((Elements{"REGVALUE=HKCU\\Velmo", "FILE=C:\\Velmo\\Old.exe", "APPNAME=Velmo",
                        "FILE=C:\\Velmo\\Cardsets\\Cards.png",
                        "FILE=C:\\Velmo\\Cardsets\\Extra.png"}),
              Written());
}

TEST_F(Record, a_run_that_ended_after_a_keep_is_completed_by_the_next_run)
{
    {
        Log killed(Folder());
        killed.Add("APPNAME", "Velmo");
        killed.Add("FOLDER", "C:\\Games");
        killed.Add("FOLDER", "C:\\Games\\Velmo");
        killed.Add("FILE", "C:\\Games\\Velmo\\Velmo.exe");
        killed.AddAhead("FILE", "C:\\Games\\Velmo\\Cardsets\\Cards.png");
        killed.AddAhead("FOLDER", "C:\\Games\\Velmo\\Cardsets");
        ASSERT_TRUE(killed.Keep());
        // The process ends here: no Commit, no Rollback.
    }
    Log next(Folder());
    RecordFirstInstallation(next);
    ASSERT_TRUE(next.Commit());
    Elements written = Written();
    // Everything of a whole installation, each element once, and the name of
    // the record's scratch file that the ended run might have left.
    for (const std::string &element : kFirstInstallation)
        EXPECT_EQ(1, std::count(written.begin(), written.end(), element)) << element;
    EXPECT_EQ(1, std::count(written.begin(), written.end(), "FILE=" + RecordFile() + ".new"));
    EXPECT_EQ(kFirstInstallation.size() + 1, written.size());
}

// What the run makes ahead of the files: the folders on the way to the
// destination take their place at once, the uninstaller and its key wait.
void StageUninstaller(Log &log)
{
    log.staging = true;
    log.Add("FOLDER", "C:\\Games");
    log.Add("FOLDER", "C:\\Games\\Velmo");
    log.Add("FILE", "C:\\Games\\Velmo\\Uninstall.exe");
    log.Add("UNINSTKEY", "Velmo");
    log.staging = false;
}

TEST_F(Record, staged_uninstaller_is_named_at_once_and_finished_in_its_place)
{
    Log log(Folder());
    log.Add("APPNAME", "Velmo");
    StageUninstaller(log);
    // Nothing named them ahead: the record on disk names them all the same.
    ASSERT_TRUE(log.Keep());
    EXPECT_EQ((Elements{"APPNAME=Velmo", "FILE=C:\\Games\\Velmo\\Uninstall.exe",
                        "FILE=" + RecordFile() + ".new", "FOLDER=C:\\Games",
                        "FOLDER=C:\\Games\\Velmo", "UNINSTKEY=Velmo"}),
              Written());
    // The whole run makes them again in their place: the finished record is
    // that of a run without staging, each element once.
    RecordFirstInstallation(log);
    ASSERT_TRUE(log.Commit());
    EXPECT_EQ(kFirstInstallation, Written());
}

TEST_F(Record, a_run_that_fails_among_the_files_names_the_staged_after_them)
{
    Log log(Folder());
    log.Add("APPNAME", "Velmo");
    StageUninstaller(log);
    log.Add("FOLDER", "C:\\Games\\Velmo");
    log.Add("FILE", "C:\\Games\\Velmo\\Velmo.exe");
    log.Add("FOLDER", "C:\\Games\\Velmo\\Cardsets");
    log.Add("FILE", "C:\\Games\\Velmo\\Cardsets\\Cards.png");
    ASSERT_TRUE(log.Commit());
    EXPECT_EQ((Elements{"APPNAME=Velmo", "FILE=C:\\Games\\Velmo\\Velmo.exe",
                        "FILE=C:\\Games\\Velmo\\Cardsets\\Cards.png",
                        "FILE=C:\\Games\\Velmo\\Uninstall.exe", "FOLDER=C:\\Games",
                        "FOLDER=C:\\Games\\Velmo", "FOLDER=C:\\Games\\Velmo\\Cardsets",
                        "UNINSTKEY=Velmo"}),
              Written());
}

TEST_F(Record, keep_tells_when_the_record_cannot_be_written)
{
    Log log(MissingFolder().c_str());
    log.Add("APPNAME", "Velmo");
    EXPECT_FALSE(log.Keep());
    // What failed is tried again with the next keep.
    EXPECT_FALSE(log.Keep());
}

TEST_F(Record, elements_without_text_are_not_repeated)
{
    WriteRecordFile("<UNINSTALL><FILE></FILE><FILE>C:\\Velmo\\Velmo.exe</FILE></UNINSTALL>");
    Log log(Folder());
    log.Commit();
    EXPECT_EQ((Elements{"FILE=(none)", "FILE=C:\\Velmo\\Velmo.exe"}), Written());
}

TEST_F(Record, rollback_removes_keys_then_files_then_folders_inner_first)
{
    Log log(Folder());
    RecordFirstInstallation(log);
    ASSERT_TRUE(log.Keep());
    RecordingRollback rollback;
    log.Rollback(rollback);
    EXPECT_EQ((std::vector<std::string>{
                  "app Velmo.exe",
                  "uninstall Velmo",
                  "file C:\\Games\\Velmo\\Velmo.exe",
                  "file C:\\Games\\Velmo\\Cardsets\\Cards.png",
                  "file C:\\Games\\Velmo\\Uninstall.exe",
                  "file C:\\Games\\Velmo\\Velmo.dat",
                  "file C:\\Start Menu\\Velmo\\Velmo.lnk",
                  "folder C:\\Start Menu\\Velmo",
                  "folder C:\\Games\\Velmo\\Cardsets",
                  "folder C:\\Games\\Velmo",
                  "folder C:\\Games",
              }),
              rollback.calls);
    // A roll-back leaves no record: the one kept while the run went is gone.
    std::ifstream record(RecordFile());
    EXPECT_FALSE(record.good());
}

TEST_F(Record, rollback_removes_what_was_staged_but_spares_what_the_old_record_listed)
{
    {
        Log cancelled(Folder());
        StageUninstaller(cancelled);
        cancelled.Add("FILE", "C:\\Games\\Velmo\\Velmo.exe");
        ASSERT_TRUE(cancelled.Keep());
        RecordingRollback rollback;
        cancelled.Rollback(rollback);
        EXPECT_EQ((std::vector<std::string>{
                      "uninstall Velmo",
                      "file C:\\Games\\Velmo\\Uninstall.exe",
                      "file C:\\Games\\Velmo\\Velmo.exe",
                      "folder C:\\Games\\Velmo",
                      "folder C:\\Games",
                  }),
                  rollback.calls);
    }
    // An earlier installation in the folder made the uninstaller and its
    // entry: staging them again leaves them that installation's, the
    // entry with the values it had.
    WriteRecordFile("<UNINSTALL><FOLDER>C:\\Games\\Velmo</FOLDER>"
                    "<FILE>C:\\Games\\Velmo\\Uninstall.exe</FILE>"
                    "<UNINSTKEY>Velmo</UNINSTKEY></UNINSTALL>");
    Log again(Folder());
    StageUninstaller(again);
    RecordingRollback rollback;
    again.Rollback(rollback);
    EXPECT_EQ((std::vector<std::string>{"uninstall Velmo", "folder C:\\Games"}), rollback.calls);
}

TEST_F(Record, rollback_spares_what_the_old_record_listed)
{
    WriteRecordFile("<UNINSTALL><FOLDER>C:\\Velmo</FOLDER>"
                    "<FILE>C:\\Velmo\\Velmo.exe</FILE><APPKEY>Velmo.exe</APPKEY></UNINSTALL>");
    Log log(Folder());
    log.Add("FOLDER", "C:\\Velmo");
    log.Add("FILE", "C:\\VELMO\\velmo.exe");
    log.Add("FILE", "C:\\Velmo\\New.exe");
    log.Add("APPKEY", "Velmo.exe");
    ASSERT_TRUE(log.Keep());
    RecordingRollback rollback;
    log.Rollback(rollback);
    EXPECT_EQ((std::vector<std::string>{"app Velmo.exe", "file C:\\Velmo\\New.exe"}),
              rollback.calls);
    // The old record is on disk again as it was.
    EXPECT_EQ((Elements{"FOLDER=C:\\Velmo", "FILE=C:\\Velmo\\Velmo.exe", "APPKEY=Velmo.exe"}),
              Written());
}

// An earlier installation whose record does not name the game's scores or
// the record itself (one of version 2, or of a run that failed early).
TEST_F(Record, rollback_leaves_what_only_the_uninstaller_deals_with_and_the_record_to_the_last)
{
    WriteRecordFile("<UNINSTALL><FOLDER>C:\\Velmo</FOLDER>"
                    "<FILE>C:\\Velmo\\Velmo.exe</FILE></UNINSTALL>");
    Log log(Folder());
    log.Add("FOLDER", "C:\\Velmo");
    log.Add("FILE", "C:\\Velmo\\New.exe");
    log.AddPath("FILE", "C:\\Velmo", "Scores.dat", false);
    log.AddPath("FILEPATTERN", "C:\\Velmo", "Velmolog-*.txt", false);
    // Even named as made by the run, the record is only ever replaced by
    // the earlier one, never deleted first.
    log.Add("FILE", log.RecordPath());
    ASSERT_TRUE(log.Keep());
    // The uninstaller would find the scores while the run goes.
    Elements kept = Written();
    EXPECT_EQ(1, std::count(kept.begin(), kept.end(), "FILE=C:\\Velmo\\Scores.dat"));
    RecordingRollback rollback;
    log.Rollback(rollback);
    EXPECT_EQ(std::vector<std::string>{"file C:\\Velmo\\New.exe"}, rollback.calls);
    EXPECT_EQ((Elements{"FOLDER=C:\\Velmo", "FILE=C:\\Velmo\\Velmo.exe"}), Written());
}

// A record that is there but cannot be read (here a link to itself, which
// no open gets through) may be an earlier installation's.
TEST_F(Record, an_earlier_record_that_cannot_be_read_is_never_replaced_or_removed)
{
    ASSERT_EQ(0, symlink(RecordFile().c_str(), RecordFile().c_str()));
    RunThatMayNotReplaceTheRecord();
    struct stat link;
    EXPECT_EQ(0, lstat(RecordFile().c_str(), &link));
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the record was written over or removed";
    unlink(RecordFile().c_str());
}

// Somebody who may write into the game's folder puts a record of tens of
// thousands of elements there: the setup, run by an administrator, still
// writes it in moments, each element once.
TEST_F(Record, a_record_of_many_elements_is_written_in_moments)
{
    const int kElements = 60000;
    std::string document = "<UNINSTALL>\n";
    for (int i = 0; i < kElements; ++i)
        document += "<FILE>C:\\Velmo\\f" + std::to_string(i) + "</FILE>\n";
    // Elements of the file that only differ in case stay as the file has them.
    document += "<FILE>C:\\VELMO\\F7</FILE>\n</UNINSTALL>\n";
    WriteRecordFile(document);

    auto started = std::chrono::steady_clock::now();
    Log log(Folder());
    log.Add("FILE", "C:\\Velmo\\F5");           // held by the record
    log.Add("FILE", "C:\\Velmo\\New.exe");
    log.Add("FOLDER", "C:\\Velmo");
    ASSERT_TRUE(log.Keep());
    ASSERT_TRUE(log.Commit());
    // Compared with every element before it, each element took the merge a
    // minute and a half per write in this build; looked up at once, a
    // fraction of a second.
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took.count(), 20.0) << "seconds to keep and commit the record";

    Elements written = Written();
    ASSERT_EQ(static_cast<size_t>(kElements + 3), written.size());
    EXPECT_EQ("FILE=C:\\Velmo\\f0", written[0]);
    EXPECT_EQ("FILE=C:\\Velmo\\f59999", written[kElements - 1]);
    EXPECT_EQ((Elements{"FILE=C:\\VELMO\\F7", "FILE=C:\\Velmo\\New.exe", "FOLDER=C:\\Velmo"}),
              Elements(written.begin() + kElements, written.end()));
}

// A record above that size is no setup's: the uninstaller refuses it, and
// the setup neither reads it nor writes over it, which would lose whatever
// it names.
TEST_F(Record, a_record_larger_than_the_programs_read_is_never_replaced)
{
    std::string document = "<UNINSTALL><FILE>C:\\Velmo\\Old.exe</FILE></UNINSTALL>\n";
    document.resize(static_cast<size_t>(kMaxRecordSize) + 1, ' ');
    WriteRecordFile(document);
    RunThatMayNotReplaceTheRecord();
    EXPECT_TRUE(ReadRecordFile() == document) << "the record was written over or removed";

    // One byte less is a record like any other.
    document.resize(static_cast<size_t>(kMaxRecordSize));
    WriteRecordFile(document);
    Log smaller(Folder());
    smaller.Add("FILE", "C:\\Velmo\\New.exe");
    ASSERT_TRUE(smaller.Commit());
    EXPECT_EQ((Elements{"FILE=C:\\Velmo\\Old.exe", "FILE=C:\\Velmo\\New.exe"}), Written());
}

}  // namespace
