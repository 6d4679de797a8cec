// The utility object: writes each log line to the log file.
#ifndef KW5_SUPPORT_VMKUTILS_VMKUTILSLOGGER_H
#define KW5_SUPPORT_VMKUTILS_VMKUTILSLOGGER_H

#include "support/vmkutils/VmkUtilsBase.h"

#include <mutex>

namespace vmkutils {

// A line is "YYYY-MM-DD hh:mm:ss.mmm pppppppp:tttttttt " (local time,
// process and thread id in hex), the formatted message, and a line end
// unless the message brings its own. Host strings appear in UTF-8.
class VmkUtilsLogger : public VmkUtilsBase {
public:
    void writeLine(const char* format, va_list args) override;

private:
    // Lines of this process's threads reach the file one after the other;
    // other processes rely on the whole-line append.
    std::mutex mutex_;
};

} // namespace vmkutils

#endif
