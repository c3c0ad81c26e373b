// Installation runs that fail: the error box names the failure, what was
// done stays and the record lists it, and nothing else follows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "install_scenario.h"

using namespace install_e2e;

namespace {

// The first `done` entries of the extraction are in place, the other files
// are not there at all; the uninstaller, made ahead of them, is whole.
void ExpectExtractedUpTo(const std::vector<int> &order, size_t done)
{
    ExpectInstalledLikeSource(kInstallTable[order.back()]);
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        const ManifestEntry &entry = kInstallTable[order[i]];
        if (i < done) {
            ExpectInstalledLikeSource(entry);
        } else if (i > done) {
            EXPECT_FALSE(driver::FileExists(Installed(entry.name))) << entry.name;
        }
    }
}

size_t PagesOf(int64_t bytes)
{
    return static_cast<size_t>((bytes + 4095) / 4096);
}

// Fills the small disk under the destination so that `pages` pages of 4096
// bytes stay free.
void LeaveFreePages(size_t pages)
{
    ULARGE_INTEGER free = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA((std::string(kDestination) + "\\").c_str(), &free, nullptr,
                                    nullptr));
    ASSERT_GE(free.QuadPart, pages * 4096) << "the small disk is too small";
    std::string filler(static_cast<size_t>(free.QuadPart - pages * 4096), 'F');
    ASSERT_TRUE(WriteWholeFile(Installed("Filler.bin"), filler));
    ASSERT_TRUE(GetDiskFreeSpaceExA((std::string(kDestination) + "\\").c_str(), &free, nullptr,
                                    nullptr));
    ASSERT_EQ(pages * 4096, free.QuadPart);
}

}  // namespace

namespace {

// On a full disk the finished record may not fit beside the one kept while
// the run went, which then stays: it names, in their order, the elements of
// the finished record, and beyond them only what was never made.
void ExpectRecordNamesWhatWasMade(const Elements &expected)
{
    Elements written = ParseRecord(ReadRecord());
    auto next = written.begin();
    for (const auto &element : expected) {
        auto found = std::find(next, written.end(), element);
        EXPECT_NE(written.end(), found) << element.first << " " << element.second;
        for (; next != found && next != written.end(); ++next)
            EXPECT_FALSE(driver::FileExists(next->second) || driver::FolderExists(next->second))
                << next->second << " is recorded but is no element of the record";
        if (found != written.end())
            next = found + 1;
    }
}

}  // namespace

TEST(InstallFailure, uncreatable_destination_reports_the_path)
{
    // A file where the destination folder should be.
    ASSERT_TRUE(WriteWholeFile(kDestination, "not a folder"));
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(setup, "Can't create file C:\\Program Files\\Velmo\\Velmo.exe"));
    ExpectRunEnded(setup);
    std::string content;
    EXPECT_TRUE(driver::ReadWholeFile(kDestination, &content));
    EXPECT_EQ("not a folder", content);
}

TEST(InstallFailure, uncreatable_file_keeps_the_files_before_it)
{
    std::vector<int> order = ExtractionOrder();
    const size_t failing = 12;
    const ManifestEntry &entry = kInstallTable[order[failing]];
    ASSERT_EQ(nullptr, std::strchr(entry.name, '\\'));
    // A folder where the file should go.
    CreateDirectoryA(kDestination, nullptr);
    ASSERT_TRUE(CreateDirectoryA(Installed(entry.name).c_str(), nullptr));

    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(setup, "Can't create file " + Installed(entry.name)));
    ExpectRunEnded(setup);
    ExpectExtractedUpTo(order, failing);
    // Creating the file's folder failed, so every folder up to the drive
    // was recorded on the way, behind the folders before it.
    Elements expected = ExpectedRecord(failing, Reached::Files);
    auto key = std::find(expected.begin(), expected.end(),
                         Elements::value_type("UNINSTKEY", "Velmo"));
    expected.insert(key, {{"FOLDER", "C:"}, {"FOLDER", "C:\\Program Files"}});
    EXPECT_EQ(RecordText(expected), ReadRecord());
}

// The setup under test, with the stream of one entry damaged in a copy of
// it: the program itself is not changed for the test.
TEST(InstallFailure, corrupt_payload_reports_a_decompression_error)
{
    std::vector<int> order = ExtractionOrder();
    const size_t damaged = 30;
    const ManifestEntry &entry = kInstallTable[order[damaged]];
    std::string program, stream;
    ASSERT_TRUE(driver::ReadWholeFile(driver::WindowsPath(driver::Env("VELMO_SETUP")), &program));
    ASSERT_TRUE(driver::ReadWholeFile(driver::WindowsPath(driver::Env("VELMO_PAYLOAD_PACKED")) +
                                          "\\" + std::to_string(entry.resourceId) + ".z",
                                      &stream));
    ASSERT_EQ(entry.packedSize, stream.size());
    size_t at = program.find(stream);
    ASSERT_NE(std::string::npos, at) << "the stream of " << entry.name << " is not in the setup";
    ASSERT_EQ(std::string::npos, program.find(stream, at + 1));
    for (size_t i = stream.size() / 2; i < stream.size() / 2 + 32 && i + 4 < stream.size(); ++i)
        program[at + i] = static_cast<char>(program[at + i] ^ 0x5a);
    const char copy[] = "C:\\SetupDamaged.exe";
    ASSERT_TRUE(WriteWholeFile(copy, program));
    SetEnvironmentVariableA("VELMO_SETUP", copy);

    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(setup, "Decompression error"));
    ExpectRunEnded(setup);
    ExpectExtractedUpTo(order, damaged);
    // The damaged file stays as far as it came, and is recorded.
    std::string written;
    EXPECT_TRUE(driver::ReadWholeFile(Installed(entry.name), &written));
    EXPECT_FALSE(written == PayloadSource(entry));
    EXPECT_EQ(RecordText(ExpectedRecord(damaged + 1, Reached::Files)), ReadRecord());
}

// The destination is a small disk of its own (the harness mounts it); the
// record file links to a folder elsewhere, so that it can still be written.
TEST(InstallFailure, full_disk_during_a_file_reports_an_io_error)
{
    std::vector<int> order = ExtractionOrder();
    const size_t freePages = 256;
    size_t failing = 0;
    // The uninstaller is made ahead of the files.
    for (size_t used = PagesOf(kInstallTable[order.back()].unpackedSize); failing < order.size();
         ++failing) {
        used += PagesOf(kInstallTable[order[failing]].unpackedSize);
        if (used > freePages)
            break;
    }
    ASSERT_LT(failing, order.size());
    ASSERT_NO_FATAL_FAILURE(LeaveFreePages(freePages));

    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(setup, "I/O error"));
    ExpectRunEnded(setup);
    ExpectExtractedUpTo(order, failing);
    // The file cut short stays and is recorded for the uninstaller.
    std::string written;
    EXPECT_TRUE(driver::ReadWholeFile(Installed(kInstallTable[order[failing]].name), &written));
    EXPECT_LT(written.size(), kInstallTable[order[failing]].unpackedSize);
    ExpectRecordNamesWhatWasMade(ExpectedRecord(failing + 1, Reached::Files));
}

// One page short: every chunk is written into the stream's buffer, and only
// the last bytes of the last file are refused, when the file is closed. The
// uninstaller, made ahead of the files, took its pages first; its place
// writes it again over itself.
TEST(InstallFailure, full_disk_at_the_last_close_reports_an_io_error)
{
    std::vector<int> order = ExtractionOrder();
    size_t pages = 0;
    for (int index : order)
        pages += PagesOf(kInstallTable[index].unpackedSize);
    // The record kept on disk while the run goes takes its pages too.
    const size_t recordPages =
        PagesOf(RecordText(ExpectedRecord(order.size(), Reached::Files)).size() + 200);
    ASSERT_NO_FATAL_FAILURE(LeaveFreePages(pages - 1 + recordPages));
    const ManifestEntry &last = kInstallTable[order[order.size() - 2]];
    const int64_t total = TotalSize(order);
    const int bar = static_cast<int>((total - kInstallTable[order.back()].unpackedSize) * 80 / total);

    driver::SetupProcess setup;
    HWND progress = e2e::StartInstallation(setup);
    ASSERT_NE(nullptr, progress);
    HWND box = driver::WaitForMessageBox(setup.Id(), "");
    ASSERT_NE(nullptr, box) << "no error box";
    // All bytes of the files went through the bar before the close failed.
    EXPECT_EQ(CopyingStatus(last), driver::ControlText(progress, ids::kProgressStatus));
    EXPECT_EQ(bar, BarPosition(progress));
    driver::Screenshot("full-disk-at-80");
    ASSERT_NO_FATAL_FAILURE(ExpectErrorBox(setup, "I/O error"));
    ExpectRunEnded(setup);

    ExpectExtractedUpTo(order, order.size() - 2);
    std::string written;
    EXPECT_TRUE(driver::ReadWholeFile(Installed(last.name), &written));
    EXPECT_LT(written.size(), last.unpackedSize) << "the last file was not cut short";
    ExpectRecordNamesWhatWasMade(ExpectedRecord(order.size() - 1, Reached::Files));
}

TEST(InstallFailure, unwritable_record_is_reported_before_the_first_file)
{
    // The machine holds a record in the destination that the file system
    // refuses to change. Nothing may be made that the record cannot name.
    const std::string locked = ReadRecord();
    ASSERT_NE("", locked) << "the machine was not prepared";
    driver::SetupProcess setup;
    ASSERT_NE(nullptr, e2e::StartInstallation(setup));
    ASSERT_NO_FATAL_FAILURE(
        ExpectErrorBox(setup, "Can't create file C:\\Program Files\\Velmo\\Uninstall.dat"));
    ExpectRunEnded(setup);
    EXPECT_FALSE(driver::FileExists(Installed(kInstallTable[ExtractionOrder()[0]].name)));
    EXPECT_EQ(locked, ReadRecord());
}
