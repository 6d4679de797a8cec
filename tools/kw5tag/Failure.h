// How the tool reports what the library answered.
#ifndef KW5TAG_FAILURE_H
#define KW5TAG_FAILURE_H

#include "kw5/Types.h"

#include <stdexcept>
#include <string>

namespace kw5tag {

enum ExitCode { kExitOk = 0, kExitNotFound = 1, kExitError = 2 };

// A failed operation: "what" is the action in plain words; the message on
// stderr adds the HRESULT and what it means.
class Failure : public std::runtime_error {
public:
    Failure(const std::string& action, HRESULT hr);
    // A reason found by the tool itself stands in for the HRESULT's meaning.
    Failure(const std::string& action, const std::string& reason, HRESULT hr);
    Failure(const std::string& message); // no HRESULT involved
    HRESULT hresult() const { return hr_; }
    bool hasHresult() const { return hasHr_; }

private:
    HRESULT hr_;
    bool hasHr_;
};

// "0x80070057" and the meaning of the value.
std::string hresultText(HRESULT hr);
std::string hresultMeaning(HRESULT hr);

// Throws Failure unless hr is S_OK; S_FALSE counts as a refusal to write.
void requireOk(HRESULT hr, const std::string& action);

} // namespace kw5tag

#endif
