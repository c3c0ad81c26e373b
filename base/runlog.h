// The log of a run ("/LOG=file"): one line per event, each with the time,
// written to the disk as it happens so that a run that ends abruptly still
// leaves its log. While no log is open every call does nothing.
#pragma once

#include <stdarg.h>

// Creates the log file, or empties an existing one. False when it cannot
// be opened; GetLastError tells why.
bool OpenRunLog(const char *path);
void CloseRunLog();
bool RunLogOpen();

// Writes one line, formatted printf-style. Line breaks inside the text
// become blanks, so that every event is one line.
void RunLog(const char *format, ...);
void RunLogV(const char *format, va_list args);

// Writes one line followed by the system's own text of the error `code`
// and the code itself ("...: Access denied. (error 5)").
void RunLogError(unsigned long code, const char *format, ...);
