#include "format/KW5FormatFactory.h"
#include "format/KW5FormatGM.h"
#include "format/KW5FormatPrask.h"
#include "format/KW5FormatSTD.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

namespace {

std::string render(const std::vector<FormatKey>& keys) {
    std::string out;
    for (const FormatKey& key : keys)
        out += std::to_string(key.series) + ":" + key.frameId + ":" + key.description + " ";
    return out;
}

const std::string kPriority = "0:TIT2: 0:TPE1: 0:TALB: 0:TCON: 0:TXXX:VMK_TPE1S "
                              "0:TXXX:VMK_TRACK 0:TYER: ";

} // namespace

TEST(FormatKeys, PriorityListIsSharedByAllVariants) {
    KW5FormatSTD std_;
    KW5FormatGM gm;
    KW5FormatPrask prask;
    for (KW5Format* format : {static_cast<KW5Format*>(&std_), static_cast<KW5Format*>(&gm),
                              static_cast<KW5Format*>(&prask)}) {
        std::vector<FormatKey> keys;
        format->getPriorityKeys(keys);
        EXPECT_EQ(kPriority, render(keys));
    }
}

TEST(FormatKeys, KeyOrderOfEachVariant) {
    std::vector<FormatKey> keys;
    KW5FormatSTD().getKeyOrder(keys);
    EXPECT_EQ(kPriority + "1:GEOB:VMK_FTHBL ", render(keys));
    keys.clear();
    KW5FormatGM().getKeyOrder(keys);
    EXPECT_EQ("0:GEOB:VMK_LSI " + kPriority + "1:GEOB:VMK_FTHBL ", render(keys));
    keys.clear();
    KW5FormatPrask().getKeyOrder(keys);
    EXPECT_EQ("0:GEOB:VMK_ULINF " + kPriority + "1:GEOB:VMK_FTHBL ", render(keys));
}

TEST(FormatKeys, ListsAreAppendedTo) {
    std::vector<FormatKey> keys{{0, "ABCD", "x"}};
    KW5FormatGM().getKeyOrder(keys);
    ASSERT_EQ(10u, keys.size());
    EXPECT_EQ("ABCD", keys[0].frameId);
    KW5FormatSTD().getPriorityKeys(keys);
    EXPECT_EQ(17u, keys.size());
}

TEST(FormatFactory, KindsMakeTheirVariants) {
    struct Case {
        LONG kind;
        const std::type_info& type;
    };
    const Case cases[] = {{0, typeid(KW5FormatGM)},
                          {1, typeid(KW5FormatPrask)},
                          {2, typeid(KW5FormatGM)},
                          {3, typeid(KW5FormatSTD)}};
    for (const Case& c : cases) {
        KW5Format* raw = nullptr;
        EXPECT_EQ(KW5_FILE_RET_OK, createFormat(c.kind, raw)) << c.kind;
        std::unique_ptr<KW5Format> format(raw);
        ASSERT_NE(nullptr, format) << c.kind;
        EXPECT_EQ(c.type, typeid(*format)) << c.kind;
    }
}

TEST(FormatFactory, UnknownKindsMakeNothing) {
    const LONG kinds[] = {-1, 4, 100, static_cast<LONG>(0x80000000u)};
    for (LONG kind : kinds) {
        KW5FormatSTD placeholder;
        KW5Format* raw = &placeholder;
        EXPECT_EQ(KW5_FILE_RET_INVALID_DATA, createFormat(kind, raw)) << kind;
        EXPECT_EQ(nullptr, raw) << kind;
    }
}
