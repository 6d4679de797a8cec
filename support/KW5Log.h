// The library's diagnostic log.
#ifndef KW5_SUPPORT_KW5LOG_H
#define KW5_SUPPORT_KW5LOG_H

// One line through the utility library bound at load time. %S takes a host
// (UTF-16) string, %s a narrow one. Failures are not reported.
void writeLog(const char* format, ...);

// One line through the utility library bound at run time (the shared-file
// utilities). Throws std::runtime_error when the utility library cannot be
// bound; the exported method that led here answers E_FAIL.
void writeSharedLog(const char* format, ...);

#endif
