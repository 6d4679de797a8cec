// The public index constants name the entries of the library's tables (a
// sample across both tables: a shift anywhere moves every later entry).
#include "facade/KW5IdTables.h"
#include "kw5/KW5Indices.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PublicIndices, NameTheTableEntries) {
    const struct {
        long frame;
        const char* id;
        long desc;
        const char* name;
    } rows[] = {
        {KW5_FRAME_TIT2, "TIT2", KW5_DESC_NONE, ""},
        {KW5_FRAME_TLEN, "TLEN", KW5_DESC_VMK_TIT2S, "VMK_TIT2S"},
        {KW5_FRAME_WOAR, "WOAR", KW5_DESC_VMK_FTHBL, "VMK_FTHBL"},
        {KW5_FRAME_TXXX, "TXXX", KW5_DESC_VMK_SINFO, "VMK_SINFO"},
        {KW5_FRAME_WXXX, "WXXX", KW5_DESC_VMK_ASGTM, "VMK_ASGTM"},
        {KW5_FRAME_GEOB, "GEOB", KW5_DESC_VMK_LSI, "VMK_LSI"},
        {KW5_FRAME_WPAY, "WPAY", KW5_DESC_VMK_OLINF, "VMK_OLINF"},
        {KW5_FRAME_TPOS, "TPOS", KW5_DESC_USR_LAGA011, "USR_LAGA011"},
    };
    for (const auto& row : rows) {
        EXPECT_STREQ(row.id, frameIdFromIndex(row.frame)) << row.frame;
        const std::string name(row.name);
        EXPECT_EQ(KW5WString(name.begin(), name.end()), KW5WString(descFromIndex(row.desc)));
    }
    EXPECT_EQ(nullptr, frameIdFromIndex(KW5_FRAME_INDEX_LAST + 1));
    EXPECT_EQ(nullptr, descFromIndex(KW5_DESC_INDEX_COUNT));
    EXPECT_EQ(KW5_DESC_INDEX_COUNT - 1, KW5_DESC_USR_LAGA011);
}

} // namespace
