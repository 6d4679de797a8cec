// Shared helpers of the field tests: hex bodies and a fixed code page.
#ifndef KW5_TESTS_FIELDS_FIELDSTESTSUPPORT_H
#define KW5_TESTS_FIELDS_FIELDSTESTSUPPORT_H

#include "fields/KW5FieldBase.h"
#include "fields/KW5FieldInfo.h"
#include "platform/CodePage.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kw5fieldstest {

using kw5test::hex;
using kw5test::toHex;

inline std::string hexOf(const std::string& narrow) {
    return toHex(std::vector<unsigned char>(narrow.begin(), narrow.end()));
}

inline std::vector<unsigned char> bytesOf(const std::string& text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

// The held body of a codec as hex.
inline std::string heldHex(const KW5FieldBase& codec) {
    return toHex(codec.buffer());
}

inline KW5FieldInfo textRecord(const std::string& frameId, const std::string& description,
                               unsigned char encoding, const KW5WString& value) {
    KW5FieldInfo record;
    record.setFrameId(frameId);
    record.setDescription(description);
    record.setEncoding(encoding);
    record.setValue(value);
    return record;
}

// Every test of the room runs in code page 1252 unless it picks another.
class FieldsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = kw5platform::threadAnsiCodePage();
        ASSERT_TRUE(kw5platform::setThreadAnsiCodePage(1252));
    }
    void TearDown() override { kw5platform::setThreadAnsiCodePage(saved_); }

private:
    unsigned int saved_ = 1252;
};

} // namespace kw5fieldstest

#endif
