#include "tools/kw5tag/Failure.h"

#include "kw5/HResult.h"

#include <cstdio>

namespace kw5tag {

Failure::Failure(const std::string& action, HRESULT hr)
    : std::runtime_error(action + ": " + hresultMeaning(hr) + " (" + hresultText(hr) + ")"),
      hr_(hr), hasHr_(true) {}

Failure::Failure(const std::string& action, const std::string& reason, HRESULT hr)
    : std::runtime_error(action + ": " + reason + " (" + hresultText(hr) + ")"), hr_(hr),
      hasHr_(true) {}

Failure::Failure(const std::string& message) : std::runtime_error(message), hr_(0), hasHr_(false) {}

std::string hresultText(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(static_cast<uint32_t>(hr)));
    return buf;
}

std::string hresultMeaning(HRESULT hr) {
    switch (static_cast<uint32_t>(hr)) {
    case 0:
        return "done";
    case 1:
        return "refused: the file was opened read-only or the frame is protected";
    case 0x80004001u:
        return "not supported for this kind of frame";
    case 0x80004003u:
        return "a required value is missing";
    case 0x80004005u:
        return "the operation failed (file missing, locked, read-only, or not writable)";
    case 0x8000FFFFu:
        return "unexpected internal failure";
    case 0x8007000Eu:
        return "out of memory";
    case 0x80070057u:
        return "invalid argument, or the tag is damaged or of an unsupported kind";
    case 0x8004040Eu:
        return "the tag does not follow the layout of the requested variant";
    case 0x80040A08u:
        return "not enough free disk space to rewrite the file";
    case 0x80070040u:
        return "the network name is no longer available";
    case 0x80070041u:
        return "network access denied";
    case 0x80070035u:
        return "the network path was not found";
    case 0x80070043u:
        return "the network name cannot be found";
    case 0x8007052Eu:
        return "logon failure";
    default:
        return "failed";
    }
}

void requireOk(HRESULT hr, const std::string& action) {
    if (hr != kw5::kS_OK)
        throw Failure(action, hr);
}

} // namespace kw5tag
