// What an installation leaves in the system outside its folder, read the
// way the system reads it: registry values below HKEY_LOCAL_MACHINE in the
// view of the setup under test, shell links loaded through the shell link
// object, and Wine's own tools run against the prefix.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace install_e2e {

constexpr char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// One registry value as stored: its data with whatever terminating zero
// the writer gave it.
struct RegistryValue {
    std::string name;  // "" for the default value
    DWORD type = 0;
    std::string data;
    bool operator==(const RegistryValue &other) const
    {
        return name == other.name && type == other.type && data == other.data;
    }
};
// How a failing check shows a value.
void PrintTo(const RegistryValue &value, std::ostream *out);
// A REG_SZ value as the setup must store it: the text and its zero.
RegistryValue TextValue(const std::string &name, const std::string &text);

// Every value of HKEY_LOCAL_MACHINE\<key>, sorted by name, in the registry
// view of the setup under test (a 32-bit setup writes into the 32-bit view
// of a 64-bit prefix). False when the key does not exist.
bool ReadKeyValues(const std::string &key, std::vector<RegistryValue> *values);
bool KeyExists(const std::string &key);
// Creates HKEY_LOCAL_MACHINE\<key> in the setup's view with these values.
bool WriteKeyValues(const std::string &key, const std::vector<RegistryValue> &values);
// Lets everyone only read HKEY_LOCAL_MACHINE\<key> in the setup's view, so
// that opening it with full access is refused. False when that failed.
bool MakeKeyReadOnly(const std::string &key);

// A shell link as the shell loads it back.
struct LinkSeen {
    bool loaded = false;
    std::string target;
    std::string folder;  // working folder
    std::string description;
    std::string arguments;
};
LinkSeen LoadLink(const std::string &path);
// What the shell link object keeps as the target when it is given `path`:
// a web address, for one, becomes a path below the current folder.
std::string LinkTargetOf(const std::string &path);
// The names of the files in `folder` that match `pattern`, sorted.
std::vector<std::string> FilesIn(const std::string &folder, const std::string &pattern);

// The user's Programs folder of the Start menu and desktop folder.
std::string ProgramsFolder();
std::string DesktopFolder();

// Runs a program of Wine's system folder that has the setup's bitness with
// `arguments`, waits at most `timeoutMs` for its end and returns what it
// wrote to its standard output; `*ended` tells whether it ended in time.
std::string RunSystemTool(const std::string &program, const std::string &arguments,
                          DWORD timeoutMs, bool *ended);

}  // namespace install_e2e
