// The machine as a test sees it: a picture of drive C and of the software
// parts of the registry to compare before and after, and the registered
// uninstaller, run quietly, with what a restart does after it.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace install_e2e {

// Visits every file and folder below `folder`, each folder before what it
// holds, with its full path and what the search found; a folder is entered
// when `visit` returns true.
void ForEachBelow(const std::string &folder,
                  const std::function<bool(const std::string &, const WIN32_FIND_DATAA &)> &visit);

// The machine as lines of text: every folder and file of drive C (files
// with their size) and every key and value (with its data) of the software
// parts of the registry.
using Snapshot = std::set<std::string>;
Snapshot TakeSnapshot();
// The lines of a that b lacks.
std::vector<std::string> Minus(const Snapshot &a, const Snapshot &b);
// The path of a special folder of the user (CSIDL_*); "" when unknown.
std::string SpecialFolder(int csidl);
// A string value in the setup's 32-bit view of HKEY_LOCAL_MACHINE; "" when
// it is not there.
std::string ReadMachineValue(const std::string &key, const char *value);
bool KeyExists(HKEY root, const std::string &key);
// Writes the string `data` as `value` (null: the default value) of `key`,
// in the setup's 32-bit view; false when that failed.
bool WriteKey(HKEY root, const std::string &key, const char *value, const std::string &data);
// Deletes `value` (null: the default value) of `key`, in the same view;
// false when that failed.
bool DeleteValue(HKEY root, const std::string &key, const char *value);
// The uninstaller as the system's list of installed programs starts it.
std::string UninstallProgram();
// Runs `program` (the setup under test when empty) with `arguments` to its
// end, failing on any window it shows unless `windowsAllowed`; with
// "/VERYSILENT" the setup may not make even its hidden anchor window. The
// exit code; -1 when the run could not start, showed a window or did not
// end within 150 s.
int RunUnattended(const std::string &arguments, const std::string &program = "",
                  bool windowsAllowed = false);
// The uninstaller's quiet run: `program` with "/S", as RunUnattended.
int QuietRun(const std::string &program);
// The finish run deletes the uninstaller after it ended.
void ExpectUninstallerGone(const std::string &program);
// What a restart does: the system deletes the files marked for it.
void Restart();

}  // namespace install_e2e
