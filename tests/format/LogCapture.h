// Reads back what the library wrote to its log during a test.
//
// The utility library writes its lines to the file named by VMKUTILS_LOG;
// the suite points that at a file of its own before any test runs.
#ifndef KW5_TESTS_FORMAT_LOGCAPTURE_H
#define KW5_TESTS_FORMAT_LOGCAPTURE_H

#include <cstdint>
#include <string>

namespace kw5formattest {

class LogCapture {
public:
    // Marks the current end of the log.
    LogCapture();

    // The log text written since construction.
    std::string text() const;
    bool contains(const std::string& line) const;

private:
    std::uintmax_t start_;
};

} // namespace kw5formattest

#endif
