// The engine's one error reporter.
#pragma once

#include <windows.h>

// Shows the error `message` (a text reference or a literal), formatted
// printf-style with the further arguments, followed by "$0339", in an error
// box over `owner` with the caption "$0330", and waits for the user. The
// text is cut to 1000 characters, the closing sentence always complete.
// The run's log gets the text with the system's reason (the last error when
// the call came); a quiet run shows no box.
// Returns false, the failing step's result.
bool ReportError(HWND owner, const char *message, ...);
