#include "facade/KW5IdTables.h"

#include "kw5/HResult.h"
#include "tag/KW5FrameKinds.h"

namespace {

const char* const kFrameIds[] = {
    "TIT2", // 1
    "TIT3", // 2
    "TLEN", // 3
    "TPUB", // 4
    "WPUB", // 5
    "TSRC", // 6
    "TPE1", // 7
    "WOAR", // 8
    "TEXT", // 9
    "TCOM", // 10
    "TALB", // 11
    "WCOM", // 12
    "TXXX", // 13
    "WXXX", // 14
    "GEOB", // 15
    "TCON", // 16
    "WPAY", // 17
    "TYER", // 18
    "TPOS", // 19
};

const KW5WChar* const kDescriptions[] = {
    KW5_WSTR(""),
    KW5_WSTR("VMK_TIT2S"),
    KW5_WSTR("VMK_TIT3S"),
    KW5_WSTR("VMK_TPGMR"),
    KW5_WSTR("VMK_TRCDC"),
    KW5_WSTR("VMK_WRCDC"),
    KW5_WSTR("VMK_TPE1S"),
    KW5_WSTR("VMK_TEXTS"),
    KW5_WSTR("VMK_TCOMS"), // 8
    KW5_WSTR("VMK_TARGM"),
    KW5_WSTR("VMK_TARGS"),
    KW5_WSTR("VMK_TPRDC"),
    KW5_WSTR("VMK_TPRDS"),
    KW5_WSTR("VMK_FTHBL"),
    KW5_WSTR("VMK_FPRTH"),
    KW5_WSTR("VMK_FCPTH"),
    KW5_WSTR("VMK_E_FENCA"), // 16
    KW5_WSTR("VMK_E_FPRCA"),
    KW5_WSTR("VMK_E_FCRCA"),
    KW5_WSTR("VMK_E_FENLR"),
    KW5_WSTR("VMK_E_FPRLR"),
    KW5_WSTR("VMK_E_FCRLR"),
    KW5_WSTR("VMK_FENCA"),
    KW5_WSTR("VMK_FPRCA"),
    KW5_WSTR("VMK_FCRCA"), // 24
    KW5_WSTR("VMK_FENLR"),
    KW5_WSTR("VMK_FPRLR"),
    KW5_WSTR("VMK_FCRLR"),
    KW5_WSTR("VMK_SRCID"),
    KW5_WSTR("VMK_TPKGD"),
    KW5_WSTR("VMK_TPGMD"),
    KW5_WSTR("VMK_TTRGD"),
    KW5_WSTR("VMK_TTRMD"), // 32
    KW5_WSTR("VMK_TTRTS"),
    KW5_WSTR("VMK_TTRSS"),
    KW5_WSTR("VMK_TTRSR"),
    KW5_WSTR("VMK_TTRNP"),
    KW5_WSTR("VMK_TTRNC"),
    KW5_WSTR("VMK_TTRVL"),
    KW5_WSTR("VMK_TMJBR"),
    KW5_WSTR("VMK_TMNVR"), // 40
    KW5_WSTR("VMK_TCBR1"),
    KW5_WSTR("VMK_TCBR2"),
    KW5_WSTR("VMK_TCPRT"),
    KW5_WSTR("VMK_SINFO"),
    KW5_WSTR("VMK_APRID"),
    KW5_WSTR("VMK_ALBMS"),
    KW5_WSTR("VMK_ALMST"),
    KW5_WSTR("VMK_ALSTS"), // 48
    KW5_WSTR("VMK_ASGTM"),
    KW5_WSTR("VMK_APGMR"),
    KW5_WSTR("VMK_ALAPU"),
    KW5_WSTR("VMK_AWLPU"),
    KW5_WSTR("VMK_ARCDC"),
    KW5_WSTR("VMK_AWRDC"),
    KW5_WSTR("VMK_AISRC"),
    KW5_WSTR("VMK_ATPE1"), // 56
    KW5_WSTR("VMK_ATP1S"),
    KW5_WSTR("VMK_AWMAR"),
    KW5_WSTR("VMK_ALYRC"),
    KW5_WSTR("VMK_ALYRS"),
    KW5_WSTR("VMK_ASGWR"),
    KW5_WSTR("VMK_ASGWS"),
    KW5_WSTR("VMK_AARGM"),
    KW5_WSTR("VMK_AARGS"), // 64
    KW5_WSTR("VMK_APRDC"),
    KW5_WSTR("VMK_APRDS"),
    KW5_WSTR("VMK_FATHL"),
    KW5_WSTR("VMK_FAPRT"),
    KW5_WSTR("VMK_FACPT"),
    KW5_WSTR("VMK_E_FAECA"),
    KW5_WSTR("VMK_E_FAPCA"),
    KW5_WSTR("VMK_E_FACCA"), // 72
    KW5_WSTR("VMK_FAECA"),
    KW5_WSTR("VMK_FAPCA"),
    KW5_WSTR("VMK_FACCA"),
    KW5_WSTR("VMK_TPRID"),
    KW5_WSTR("VMK_TRACK"),
    KW5_WSTR("VMK_TENTM"),
    KW5_WSTR("VMK_CIDCH"),
    KW5_WSTR("VMK_CIDCL"), // 80
    KW5_WSTR("VMK_CIDPH"),
    KW5_WSTR("VMK_CIDPL"),
    KW5_WSTR("VMK_ACTLG"),
    KW5_WSTR("VMK_AUPSN"),
    KW5_WSTR("VMK_AGENR"),
    KW5_WSTR("VMK_TCTLG"),
    KW5_WSTR("VMK_TUPSN"),
    KW5_WSTR("VMK_TSING"), // 88
    KW5_WSTR("VMK_TSNGS"),
    KW5_WSTR("VMK_WTSNG"),
    KW5_WSTR("VMK_TMIXR"),
    KW5_WSTR("VMK_TMIXS"),
    KW5_WSTR("VMK_WTMIX"),
    KW5_WSTR("VMK_TSTAR"),
    KW5_WSTR("VMK_TSTRS"),
    KW5_WSTR("VMK_WTSTR"), // 96
    KW5_WSTR("VMK_TDIRC"),
    KW5_WSTR("VMK_TDIRS"),
    KW5_WSTR("VMK_WTDIR"),
    KW5_WSTR("VMK_TPFMR"),
    KW5_WSTR("VMK_TPFMS"),
    KW5_WSTR("VMK_WTPFM"),
    KW5_WSTR("VMK_DXCON"),
    KW5_WSTR("VMK_TCONS"), // 104
    KW5_WSTR("VMK_WTCON"),
    KW5_WSTR("VMK_TOCST"),
    KW5_WSTR("VMK_TOCSS"),
    KW5_WSTR("VMK_WTOCS"),
    KW5_WSTR("VMK_TNOTE"),
    KW5_WSTR("VMK_TCRDT"),
    KW5_WSTR("VMK_WINFO"),
    KW5_WSTR("VMK_TTIT1"), // 112
    KW5_WSTR("VMK_TRLDA"),
    KW5_WSTR("VMK_WCPYR"),
    KW5_WSTR("VMK_WTEXT"),
    KW5_WSTR("VMK_WCOMS"),
    KW5_WSTR("VMK_WARGM"),
    KW5_WSTR("VMK_WPRDC"),
    KW5_WSTR("VMK_MSAIF"),
    KW5_WSTR("VMK_MSANM"), // 120
    KW5_WSTR("VMK_PAFMT"),
    KW5_WSTR("VMK_ULINF"),
    KW5_WSTR("VMK_OLINF"),
    KW5_WSTR("VMK_LSI"),
    KW5_WSTR("VMK_SHAREINF"),
    KW5_WSTR("VMK_TDFCA"),
    KW5_WSTR("VMK_BKLSI"),
    KW5_WSTR("VMK_ATP1I"), // 128
    KW5_WSTR("VMK_TLYRC"),
    KW5_WSTR("VMK_TLNNT"),
    KW5_WSTR("VMK_GNMID"),
    KW5_WSTR("VMK_ATRCK"),
    KW5_WSTR("USR_L2MMID"),
    KW5_WSTR("USR_L2BKKMFFV"),
    KW5_WSTR("USR_L2BK3G2FN"),
    KW5_WSTR("USR_L2FENWP"), // 136
    KW5_WSTR("USR_E_L2FENWP"),
    KW5_WSTR("USR_L2FENLR"),
    KW5_WSTR("USR_E_L2FENLR"),
    KW5_WSTR("USR_L2BKCNFG"),
    KW5_WSTR("USR_L2BK3G2UUID"),
    KW5_WSTR("USR_L2BK3G2IOED"),
    KW5_WSTR("USR_L2BKBKUP"),
    KW5_WSTR("USR_L2TCPRT"), // 144
    KW5_WSTR("USR_L2TMDDA"),
    KW5_WSTR("USR_L2BK3G2MVHDCT"),
    KW5_WSTR("USR_L2BK3G2MVHDMT"),
    KW5_WSTR("USR_L2BK3G2TKHDCT"),
    KW5_WSTR("USR_L2BK3G2TKHDMT"),
    KW5_WSTR("USR_SMFMF"),
    KW5_WSTR("VMK_GNEXT"),
    KW5_WSTR("USR_VMKORIGINALID3TAG"), // 152
    KW5_WSTR("USR_VMKORIGINALMP4STSS"),
    KW5_WSTR("USR_VMKORIGINALMP4STSC"),
    KW5_WSTR("USR_DISTRIBUTIONUUIDA010"),
    KW5_WSTR("USR_DISTRIBUTIONUUIDA011"),
    KW5_WSTR("USR_DISTRIBUTIONUUIDA012"),
    KW5_WSTR("USR_DISTRIBUTIONUUIDA013"),
    KW5_WSTR("USR_DISTRIBUTIONUUIDA014"),
    KW5_WSTR("USR_DISTRIBUTIONUUIDA015"), // 160
    KW5_WSTR("USR_DISTRIBUTIONUUIDA016"),
    KW5_WSTR("USR_LAGA010"),
    KW5_WSTR("USR_LAGA011"),
};

static_assert(sizeof(kFrameIds) / sizeof(kFrameIds[0]) == kKW5FrameIndexLast, "frame index table");
static_assert(sizeof(kDescriptions) / sizeof(kDescriptions[0]) == kKW5DescIndexCount,
              "description index table");

} // namespace

const char* frameIdFromIndex(LONG frameIndex) {
    if (frameIndex < kKW5FrameIndexFirst || frameIndex > kKW5FrameIndexLast)
        return nullptr;
    return kFrameIds[frameIndex - kKW5FrameIndexFirst];
}

const KW5WChar* descFromIndex(LONG descIndex) {
    if (descIndex < 0 || descIndex >= kKW5DescIndexCount)
        return nullptr;
    return kDescriptions[descIndex];
}

bool isNumberedDesc(LONG descIndex) {
    // VMK_FTHBL .. VMK_FCRLR, VMK_AWMAR, VMK_FATHL .. VMK_FACCA,
    // VMK_TNOTE .. VMK_WINFO, USR_L2FENLR and USR_E_L2FENLR.
    return (descIndex >= 13 && descIndex <= 27) || descIndex == 58 ||
           (descIndex >= 67 && descIndex <= 75) || (descIndex >= 109 && descIndex <= 111) ||
           descIndex == 138 || descIndex == 139;
}

bool isSeriesWithoutKey(const std::string& frameId, LONG descIndex) {
    return isNumberedDesc(descIndex) && !kw5kinds::isKeyedByDescription(frameId);
}
