// The registry keys below HKEY_LOCAL_MACHINE that the setup writes into.
#pragma once

// Inline: one copy in the program, however many files name them.
inline constexpr char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
inline constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
