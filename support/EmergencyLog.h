// The emergency log: the last resort when the utility library's log cannot
// be had. One line per call is appended to "vmk-emergency-log.txt" on the
// user's desktop; every failure silently drops the line.
#ifndef KW5_SUPPORT_EMERGENCYLOG_H
#define KW5_SUPPORT_EMERGENCYLOG_H

#include "kw5/Types.h"

#include <string>

// Narrow printf-style format; %S takes a host (UTF-16) string.
void writeEmergencyLog(const char* format, ...);

// The file the next line goes to, computing (and caching) it when needed;
// empty when the desktop folder cannot be had.
KW5WString emergencyLogPath();

// Tests only: forgets the cached file path, so the next line looks for the
// desktop folder again. A non-empty desktopFolder then stands in for the
// user's desktop (created when missing, like it), and a non-empty mutexName
// for the mutex's name, so that a test keeps its lines and its lock to
// itself.
void resetEmergencyLogForTesting(const KW5WString& desktopFolder = KW5WString(),
                                 const std::string& mutexName = std::string());

#endif
