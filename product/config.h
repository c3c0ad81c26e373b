// The setup configuration: the compiled-in constants that name the product
// and fix the installer's places, registry names, versions and defaults.
#pragma once

#include <cstdint>

struct SetupConfig {
    const char *setupName;            // window class of the anchor window
    const char *productName;          // "%1", APPNAME, Uninstall sub-key, desktop caption
    const char *productVersionText;   // "%2"
    uint32_t productVersionMs;        // file version 3.1.51.0, most significant word
    uint32_t productVersionLs;        //   and least significant word
    const char *defaultFolder;        // initial destination folder
    const char *productFolderName;    // appended to a folder picked with Browse
    const char *defaultGroup;         // initial program group
    const char *mainExecutable;       // App Paths sub-key, launch target
    const char *publisher;            // the maker's name
    const char *commonFolder;         // the maker's shared folder
    const char *const *otherProducts; // the maker's other products, ended by nullptr
    const char *productDataFile;      // written after the clean-up of a version 2
    const char *productDataElement;   // root element of that file
    uint32_t upgradeMajorVersion;     // clean-up runs over this major version
    uint32_t incompatibleVersionLimit;// installed major <= this draws a warning; 0 = off
    const char *renameSuffix;         // replaces the extension of old language files
    const char *uninstallRecord;      // the uninstall record in the destination folder
    int defaultLanguageTable;         // SETUPLOCALE resource ids
    int dutchLanguageTable;
    bool initialDesktopIcon;
    bool initialReadMe;
    bool initialLaunch;
};

extern const SetupConfig kSetupConfig;

// The largest uninstall record that either program reads: far above what any
// setup writes (one line per installed file), far below what would make the
// uninstaller's removal or its message, or the setup's merge, unbounded.
const long kMaxRecordSize = 8L << 20;
