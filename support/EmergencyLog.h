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

#endif
