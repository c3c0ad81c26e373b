// Earlier installations of the game for the scenarios: stand-ins of older
// versions in their folders, the files and the record that a version 2
// left, registered as their own setups did.
#pragma once

#include <string>

#include "install_scenario.h"

namespace earlier {

constexpr char kGames[] = "C:\\Games\\Velmo";
// The maker's shared folder, where version 2 kept its uninstaller.
constexpr char kCommon[] = "C:\\Program Files\\Common Files\\Kestrin Software";
constexpr char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velmo.exe";
constexpr char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// folder + "\" + name.
std::string In(const std::string &folder, const std::string &name);
// Where version 2 kept the uninstaller shared with the maker's other products.
std::string SharedUninstaller();
// What an old file holds: its own name, so that a renamed file can be told
// from the new one of the same name.
std::string OldContent(const char *name);
// Creates the folder and every folder on its way; false when one cannot be made.
bool MakeFolders(const std::string &path);
// Writes an old file, making its folders; fails the test when it cannot.
void WriteOldFile(const std::string &path, const std::string &content);
// Stores a text value below HKEY_LOCAL_MACHINE.
void SetRegistryText(const char *key, const char *name, const std::string &value);
// Puts the stand-in of an earlier version ("2.1", "1.5", "3.1.51", "3.2" or
// "none" for a program without version resource) into folder as Velmo.exe
// and registers it under App Paths, as its own setup did.
void PlaceEarlierVersion(const char *version, const std::string &folder);
// What a version 2 left behind: the files that the clean-up table names in
// folder, each holding its old content, and the shared uninstaller; with
// `keepRecord`, the folder's record stays as it is.
void PlaceVersion2Files(const std::string &folder, bool keepRecord = false);
// The record that version 2 wrote: some of its files and folders, a class
// key and an element this setup does not know.
install_e2e::Elements OldRecord(const std::string &folder);

}  // namespace earlier
