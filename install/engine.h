// The objects of the running installation, reached by all of its steps.
#pragma once

class Progress;
class Log;

struct Engine {
    Progress *progress = nullptr;  // the progress window, while it exists
    Log *record = nullptr;         // the uninstall record, while it exists
};

// Set by RunInstallation for the length of one run; empty otherwise.
extern Engine g_engine;
