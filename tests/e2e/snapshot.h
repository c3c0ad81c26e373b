// The machine as lines of text, to tell what a run changed: every folder
// and file of drive C (files with their size) and every key and value of
// the software parts of the registry.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace snapshot {

using Snapshot = std::set<std::string>;

// HKEY_LOCAL_MACHINE\Software, the session manager's key (files to delete
// at the next start) and HKEY_USERS, in the 64-bit view, which holds the
// 32-bit one as well; Wine's scratch space of the session left out. The
// hardware and device keys, which the display driver writes when the first
// window opens, are no program's.
Snapshot Take();
// The lines of a that b lacks.
std::vector<std::string> Minus(const Snapshot &a, const Snapshot &b);

}  // namespace snapshot
