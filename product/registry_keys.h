// The registry keys below HKEY_LOCAL_MACHINE that the setup writes into.
#pragma once

constexpr const char *kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
constexpr const char *kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
