// The three layout variants: what each check answers for an image and logs,
// the keys each one expects in order, and the files each writer leaves.
#include "format/KW5FormatFactory.h"
#include "format/KW5FormatGM.h"
#include "format/KW5FormatPrask.h"
#include "format/KW5FormatSTD.h"
#include "tag/KW5Tag.h"
#include "tests/tag/TagImages.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <typeinfo>

using namespace kw5img;

namespace {

// The utility library logs to the file VMKUTILS_LOG names; set before main.
const std::string kLog = (std::filesystem::temp_directory_path() /
                          ("kw5-format-" + std::to_string(std::random_device()()) + ".log"))
                             .string();
const bool kLogSet = [] {
#ifdef _WIN32
    return _putenv_s("VMKUTILS_LOG", kLog.c_str()) == 0;
#else
    return setenv("VMKUTILS_LOG", kLog.c_str(), 1) == 0;
#endif
}();

const struct LogRemover {
    ~LogRemover() { std::remove(kLog.c_str()); }
} kLogRemover;

std::string logText() {
    std::ifstream in(kLog, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<KW5Format> variant(char v) {
    if (v == 'S')
        return std::unique_ptr<KW5Format>(new KW5FormatSTD);
    if (v == 'G')
        return std::unique_ptr<KW5Format>(new KW5FormatGM);
    return std::unique_ptr<KW5Format>(new KW5FormatPrask);
}

// Checks a copy of exactly the image's size, so that a read past its end is
// a read past an allocation.
_KW5_FILE_RET check(char v, const Bytes& image) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[image.size() + 1]);
    std::copy(image.begin(), image.end(), copy.get());
    const unsigned char* data = copy.get();
    return variant(v)->checkFormat(data, static_cast<ULONG>(image.size()));
}

Bytes img(const std::string& spec, size_t padding = 0) {
    return image(frames(spec), padding);
}

const _KW5_FILE_RET DUP = KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT, NO_LSI = KW5_FILE_RET_FORMAT_NO_LSI,
                    NO_ULINF = KW5_FILE_RET_FORMAT_NO_ULINF, LSI = KW5_FILE_RET_FORMAT_LSI_PRESENT,
                    TOO_LARGE = KW5_FILE_RET_FORMAT_FRAME_TOO_LARGE,
                    WRONG_ENC = KW5_FILE_RET_FORMAT_WRONG_ENCODING,
                    WRONG_VER = KW5_FILE_RET_FORMAT_WRONG_VERSION;

Bytes less(Bytes b, size_t n) {
    b.resize(b.size() - n);
    return b;
}

const std::string kTo512 = std::string(256, 'x'), kTo514 = std::string(257, 'x');

// variant, image -> result, and a log line ("" when nothing may be logged).
TEST(FormatCheck, Images) {
    const Bytes none;
    const struct {
        char variant;
        Bytes image;
        _KW5_FILE_RET result;
        const char* log;
    } rows[] = {
        {'S', img(""), OK, ""},
        {'G', img(""), NO_LSI, ""},
        {'P', less(img(""), 1), FAILED, nullptr},
        {'S', less(img(""), 1), FAILED, nullptr},
        {'S', image(frames("TIT2.t2=T"), 0, "ID3"), OK, ""},
        {'S', image(frames("TIT2.t2=T"), 0, "ID3", 4), WRONG_VER, "ch_f_std wrong ver"},
        {'G', image(frames("TIT2.t2=T"), 0, "ID3", 4), WRONG_VER, "ch_f_gm wrong ver"},
        {'P', image(frames("TIT2.t2=T"), 0, "ID3", 4), WRONG_VER, "ch_f_prsk wrong ver"},
        {'S', image({}, 0, "kw5", 3, 1), WRONG_VER, nullptr},
        {'S', image({}, 0, "KW5"), WRONG_VER, nullptr},
        // The lead objects: none in STD, first in GM and Prask, one only.
        {'S', img("TIT2.t2=T GEOB.g2=VMK_LSI"), LSI, "ch_f_std LSI exists"},
        {'S', img("GEOB.g2=VMK_LSI GEOB.g2=VMK_LSI"), LSI, "ch_f_std LSI exists"},
        {'S', img("GEOB.g2=VMK_LSI TIT2.t0=T"), LSI, nullptr},
        {'G', img("GEOB.g2=VMK_LSI TIT2.t2=T"), OK, ""},
        {'G', img("TIT2.t2=T GEOB.g2=VMK_LSI"), DUP, nullptr},
        {'G', img("TIT2.t2=T"), NO_LSI, ""},
        {'G',
         img("GEOB.g2=VMK_LSI TIT2.t2=T GEOB.h=02_62_00_00_00_00_56_00_4D_00_4B_00_5F_00_4C_"
             "00_53_00_49_00_00_09"),
         DUP, "ch_f_gm many LSIs"},
        {'P', img("GEOB.g2=VMK_LSI"), NO_ULINF, "ch_f_prsk No ULINF"},
        {'P', img("GEOB.g2=VMK_ULINF TIT2.t2=T"), OK, ""},
        {'P',
         img("GEOB.g2=VMK_ULINF GEOB.h=02_62_00_00_00_00_56_00_4D_00_4B_00_5F_00_55_00_4C_00_"
             "49_00_4E_00_46_00_00_09"),
         DUP, "ch_f_prsk many ULINFs"},
        // A tag that cannot be read.
        {'S', img("TIT2.t2=T XYZW.h=01"), BAD_PARAM, "ch_f_std check LSI error"},
        {'G', img("TIT2.t2=T XYZW.h=01"), BAD_PARAM, "ch_f_gm check LSI error"},
        {'P', img("TIT2.t2=T XYZW.h=01"), BAD_PARAM, "ch_f_prsk check ULINF error"},
        {'G', less(img("GEOB.g2=VMK_LSI TIT2.t2=Title"), 1), BAD_DATA, "ch_f_gm check LSI error"},
        // Priority keys in list order; others may follow them, not stand between.
        {'S', img("TIT2.t2=T TYER.t2=2001 TALB.t2=A"), DUP, ""},
        {'S', img("TIT2.t2=T TALB.t2=A TYER.t2=2001"), OK, ""},
        {'S', img("TIT2.t2=T TALB.t2=A TCOM.t2=C TYER.t2=2001"), DUP, nullptr},
        {'S', img("TIT2.t2=T TYER.t2=2001 WOAR.s=u TCOM.t2=C GEOB.g2=OTHER", 8), OK, nullptr},
        {'S', img("TCON.t2=R TXXX.u2=VMK_TPE1S|S TXXX.u2=VMK_TRACK|7 TYER.t2=1"), OK, nullptr},
        {'S', img("TXXX.u2=VMK_TRACK|7 TXXX.u2=VMK_TPE1S|S"), DUP, nullptr},
        {'S', img("WXXX.w2=VMK_TPE1S|http://x TYER.t2=1"), OK, nullptr},
        // The numbered series follows the priority keys, in ordinal order, to its first gap.
        {'S', img("TIT2.t2=T GEOB.g2=VMK_FTHBL1 GEOB.g2=VMK_FTHBL2"), OK, nullptr},
        {'S', img("TIT2.t2=T GEOB.g2=VMK_FTHBL2 GEOB.g2=VMK_FTHBL1"), DUP, nullptr},
        {'S', img("GEOB.g2=VMK_FTHBL1 TIT2.t2=T"), DUP, nullptr},
        {'G', img("GEOB.g2=VMK_LSI TPE1.t2=P GEOB.g2=VMK_FTHBL1"), OK, nullptr},
        {'S', img("TIT2.t2=T TCOM.t2=C GEOB.g2=VMK_FTHBL2"), OK, nullptr},
        {'S', img("TIT2.t2=T GEOB.g2=VMK_FTHBL1 GEOB.g2=OTHER GEOB.g2=VMK_FTHBL3"), OK, nullptr},
        // Priority payloads: at most 256 units (512 bytes); size comes before order.
        {'S', img("TIT2.t2=" + kTo512), OK, nullptr},
        {'S', img("TIT2.t2=" + kTo514), TOO_LARGE, nullptr},
        {'S', image(frame("TIT2", cat({Bytes{2}, Bytes(513, 0x41)}))), TOO_LARGE, nullptr},
        {'G', img("GEOB.g2=VMK_LSI TXXX.u2=VMK_TRACK|" + kTo514), TOO_LARGE, nullptr},
        {'S', img("TCOM.t2=" + std::string(1000, 'x')), OK, nullptr},
        {'S', img("TYER.t2=2001 TIT2.t2=" + kTo514), TOO_LARGE, nullptr},
        // Texts in encoding 2 only (URL frames have no encoding byte).
        {'S', img("TIT2.t2=T TXXX.u0=VMK_TRACK|7"), WRONG_ENC, nullptr},
        {'G', img("GEOB.g2=VMK_LSI TXXX.u0=VMK_TRACK|7"), WRONG_ENC, nullptr},
        {'P', img("GEOB.g2=VMK_ULINF TXXX.u0=VMK_TRACK|7"), WRONG_ENC, nullptr},
        {'S', img("WOAR.s=h"), OK, nullptr},
        {'G', img("GEOB.g2=VMK_LSI TIT2.t2=T", 1), OK, nullptr}, // one byte of padding
    };
    ASSERT_TRUE(kLogSet);
    for (const auto& row : rows) {
        const size_t before = logText().size();
        EXPECT_EQ(check(row.variant, row.image), row.result) << row.variant << toHex(row.image);
        const std::string log = logText().substr(before);
        if (row.log) {
            EXPECT_TRUE(*row.log ? log.find(row.log) != std::string::npos : log.empty())
                << row.variant << " " << row.log << ": " << log;
        }
    }
    const unsigned char* null = nullptr;
    const ULONG zero = 0, five = 5;
    EXPECT_EQ(KW5FormatSTD().checkFormat(null, zero), OK);
    EXPECT_EQ(KW5FormatGM().checkFormat(null, zero), NO_LSI);
    EXPECT_EQ(KW5FormatPrask().checkFormat(null, zero), NO_ULINF);
    EXPECT_EQ(KW5FormatSTD().checkFormat(null, five), KW5_FILE_RET_NULL_POINTER);
    EXPECT_EQ(KW5FormatGM().checkFormat(null, five), KW5_FILE_RET_NULL_POINTER);
}

TEST(FormatCheck, Kinds) {
    const std::pair<LONG, const std::type_info&> rows[] = {{0, typeid(KW5FormatGM)},
                                                           {1, typeid(KW5FormatPrask)},
                                                           {2, typeid(KW5FormatGM)},
                                                           {3, typeid(KW5FormatSTD)}};
    for (const auto& row : rows) {
        KW5Format* raw = nullptr;
        ASSERT_EQ(createFormat(row.first, raw), OK);
        std::unique_ptr<KW5Format> format(raw);
        EXPECT_TRUE(typeid(*format) == row.second) << row.first;
    }
}

// A file holding image and audio, written by a variant's writer from the tag
// of `load` -> result, the frames written, and the checks of the new tag.
TEST(FormatWrite, Files) {
    const Bytes audio = hex("FF FB 90 00 11 22");
    const Bytes gm = img("GEOB.g2=VMK_LSI TIT2.t2=Title GEOB.g2=A_OBJ TCOM.t2=C GEOB.g2=ZZZ", 16);
    std::string series = "TIT2.t2=T";
    for (int i = 1; i <= 10; ++i)
        series += " GEOB.g2=VMK_FTHBL" + std::to_string(i);
    const struct {
        char writer;
        Bytes image;
        _KW5_FILE_RET result;
        const char* written;
        std::vector<_KW5_FILE_RET> checks; // of the variants S, G and P
    } rows[] = {
        {'G', img("TALB.t0=Album TIT2.t0=T"), OK, "TIT2 TALB", {OK, NO_LSI, NO_ULINF}},
        {'S', gm, LSI, "", {}},
        {'P', gm, OK, "TIT2 TCOM GEOB:A_OBJ GEOB:VMK_LSI GEOB:ZZZ", {LSI, DUP, NO_ULINF}},
        {'G',
         img("TYER.t0=2001 TXXX.u0=VMK_TRACK|7 GEOB.g2=VMK_LSI TIT2.t0=" + kTo514),
         OK,
         "GEOB:VMK_LSI TIT2 TXXX:VMK_TRACK TYER",
         {LSI, OK, NO_ULINF}},
        {'S',
         img(series),
         OK,
         "TIT2 GEOB:VMK_FTHBL1 GEOB:VMK_FTHBL10 GEOB:VMK_FTHBL2 GEOB:VMK_FTHBL3 GEOB:VMK_FTHBL4 "
         "GEOB:VMK_FTHBL5 GEOB:VMK_FTHBL6 GEOB:VMK_FTHBL7 GEOB:VMK_FTHBL8 GEOB:VMK_FTHBL9",
         {DUP, NO_LSI, NO_ULINF}},
        {'S', image(frames("TIT2.t2=T"), 0, "ID3"), OK, "TIT2", {OK, NO_LSI, NO_ULINF}},
    };
    kw5test::TempDir dir;
    for (const auto& row : rows) {
        const Bytes original = cat({row.image, audio});
        kw5test::writeFile(dir.file("f"), original);
        KW5Tag tag;
        ASSERT_EQ(tag.load(row.image.data(), static_cast<ULONG>(row.image.size())), OK);
        EXPECT_EQ(variant(row.writer)->writeTag(tag, kw5test::hostPath(dir.file("f"))), row.result)
            << row.written;
        const Bytes file = kw5test::readFile(dir.file("f"));
        if (row.result != OK) {
            EXPECT_EQ(file, original) << "file and tag are left as they were";
            KW5FrameList kept;
            EXPECT_EQ(tag.findFramesById("GEOB", "ZZZ", kept), OK);
            continue;
        }
        KW5FrameList left;
        EXPECT_EQ(tag.findFramesById("TIT2", "", left), NOT_FOUND) << "emptied";
        ASSERT_GE(file.size(), 10 + audio.size());
        EXPECT_EQ(toHex(Bytes(file.begin(), file.begin() + 6)),
                  toHex(Bytes(original.begin(), original.begin() + 6)));
        EXPECT_EQ(Bytes(file.end() - 6, file.end()), audio);
        const size_t size = size_t(file[6]) << 21 | size_t(file[7]) << 14 | file[8] << 7 | file[9];
        const Bytes tagPart(file.begin(), file.begin() + 10 + size);
        EXPECT_EQ(names(tagPart, 10), row.written);
        EXPECT_EQ((std::vector<_KW5_FILE_RET>{check('S', tagPart), check('G', tagPart),
                                              check('P', tagPart)}),
                  row.checks)
            << row.written;
        if (row.writer == 'G' && row.image.size() > 300) { // the title cut to 256 units
            EXPECT_NE(toHex(tagPart).find("54 49 54 32 00 00 02 01 00 00 02"), std::string::npos);
        }
    }
}

} // namespace
