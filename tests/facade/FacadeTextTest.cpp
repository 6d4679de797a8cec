// Text values through the exported class: by (frame index, description
// index), by frame id and description, and read straight from a file.
// Row syntax: Driver.h.
#include "Driver.h"

namespace {

const char* const kSample = "TIT2=Title,TLEN=1000,WOAR=http://one,WOAR=http://two,"
                            "TXXX:VMK_TIT2S/1=Sort,WXXX:VMK_WRCDC=http://rec,pad=16";

const kw5test::Case kText[] = {
    {"IndexPairsNameFrames", "TIT2=Title,TXXX:VMK_TIT2S=Sort,TALB=Album,TPOS=1/2",
     "open 2;get 1 0 = Title;get 13 1 = Sort;get 11 0 = Album;get 19 0 = 1/2;"
     "get 2 0 -> false -;get 1 1 = Title;get 1 0 + = old|Title"},
    // The frame indices and descriptions no other row names.
    {"IndexTables", ".",
     "open 3;put 2 0 b;put 4 0 d;put 5 0 http://e;put 6 0 f;put 9 0 i;put 12 0 http://l;"
     "put 16 0 m;put 17 0 http://n;put 18 0 o;put 19 0 p;put 14 152 http://t;put 13 163 u;"
     "put 13 6 v;gid TIT3 = b;gid TPUB = d;gid WPUB = http://e;gid TSRC = f;gid TEXT = i;"
     "gid WCOM = http://l;gid TCON = m;gid WPAY = http://n;gid TYER = o;gid TPOS = p;"
     "gdesc WXXX USR_VMKORIGINALID3TAG = http://t;gdesc TXXX USR_LAGA011 = u;"
     "gdesc TXXX VMK_TPE1S = v"},
    {"IndicesOutOfRangeFail", "TIT2=Title",
     "open 2;get 0 0 -> fail -;put 20 0 x -> fail;flag -1 0 -> fail -;get 1 -1 -> fail -;"
     "put 1 164 x -> fail;flag 1 164 -> fail -;get 1 0 = Title"},
    {"ValuesDecodeByEncoding",
     "TIT2/1=Wide,TPE1/2=Big,TCOM=,TXXX:VMK_TIT2S/1=LE,TXXX:VMK_TIT3S/2=BE,WOAR=http://a,"
     "WXXX:VMK_WRCDC=http://n,WXXX:VMK_AWLPU/1=http://l,WXXX:VMK_AWRDC/2=http://b,"
     "TEXT=0x02FFFE4D006500",
     "open 1;get 1 0 = Wide;get 7 0 = Big;get 10 0 = -;get 13 1 = LE;"
     "get 13 2 = BE;get 8 0 = http://a;get 14 5 = http://n;get 14 52 = http://l;"
     "get 14 54 = http://b;get 9 0 = Me"},
    {"UserFrameNeedsADescription", "TXXX:VMK_TIT2S=x",
     "open 2;get 13 0 -> false -;put 13 0 y -> arg;get 13 1 = x"},
    {"NumberedSeriesRunsToTheFirstGap",
     "TXXX:VMK_TNOTE1=one,TXXX:VMK_TNOTE2=two,TXXX:VMK_TNOTE4=four,TXXX:VMK_TCRDT2=lonely",
     "open 2;get 13 109 = one|two;get 13 110 -> false -;flag 13 110 = -;"
     "put 13 109 a|b|c;get 13 109 = a|b|c|four;gdesc TXXX VMK_TNOTE3 = c;"
     "put 13 109 z 2;get 13 109 = z;gdesc TXXX VMK_TNOTE4 -> false ~"},
    {"NumberedSeriesOfLinks", ".",
     "open 2;put 14 111 http://1|http://2 0 0x40;get 14 111 = http://1|http://2;"
     "flag 14 111 = 64|64;put 14 111 -;get 14 111 -> false -"},
    {"NumberedDescriptionOnFrameKeyedById", "TIT2=Title,WOAR=http://a",
     "open 2;get 1 13 -> arg -;flag 1 109 -> arg -;put 1 13 x -> arg;put 1 139 - -> arg;"
     "get 8 58 -> arg -;put 8 58 http://b -> arg;get 1 0 = Title;get 8 0 = http://a"},
    {"PutStringWritesEachEncoding", "TIT2=Old",
     "open 2;put 1 0 New;get 1 0 = New;put 1 0 Wide 1;get 1 0 = Wide;put 1 0 Big 2;"
     "get 1 0 = Big;put 1 0 Low 0x102;get 1 0 = Low;put 7 0 x\xE6\x97\xA5\xC3\xA9 1;"
     "get 7 0 = x\xE6\x97\xA5\xC3\xA9;put 10 0 \xE6\x97\xA5 2;get 10 0 = \xE6\x97\xA5"},
    {"EmptyListDeletes", "TIT2=Title,TXXX:VMK_TIT2S=x",
     "open 2;put 1 0 -;get 1 0 -> false -;put 1 0 -;put 13 2 -;get 13 1 = x"},
    {"LinkFramesTakeSeveralValues", "TIT2=Title,WOAR=http://old",
     "open 2;put 8 0 http://a|http://b;get 8 0 = http://a|http://b;put 12 0 http://1|http://2;"
     "get 12 0 = http://1|http://2;put 1 0 a|b -> arg;put 13 1 a|b -> arg;get 1 0 = Title"},
    {"ProtectedFramesBelowModeThree", "TLEN=1000,TXXX:VMK_SINFO=info,GEOB:VMK_ASGTM=|6F626A",
     "open 2;put 3 0 5 -> false;put 3 0 - -> false;put 13 44 x -> false;put 1 49 x -> false;"
     "put 14 44 - -> false;put 15 49 - -> false;get 3 0 = 1000;get 13 44 = info;"
     "get 15 49 = obj;new;open 3;put 3 0 5;get 3 0 = 5;put 13 44 x;get 13 44 = x;"
     "put 15 49 -;get 15 49 -> false -"},
    {"ReadOnlyModeRefusesEveryChange", "TIT2=Title",
     "open 1;put 1 0 x -> false;put 1 0 - -> false;put 1 0 a|b -> false;get 1 0 = Title"},
    {"FlagsByteIsTheLowByte", ".",
     "open 2;put 1 0 x 0 0x40;put 8 0 http://a|http://b 0 0xFF;flag 1 0 + = 7|64;"
     "flag 8 0 = 255|255"},
    {"GetFrameFlagReadsBothBytes",
     "TIT2#2000=T,TPE1#0020=B,TXXX:VMK_TNOTE1#1234=1,TXXX:VMK_TNOTE2#00C0=2",
     "open 1;flag 1 0 = 8192;flag 7 0 = 32;flag 13 109 = 4660|192;flag 2 0 = -"},
    {"ReadOnlyFlagProtectsAFrame",
     "TIT2#2000=Locked,TPE1#0020=Open,WOAR#2000=http://first,WOAR=http://second",
     "open 2;put 1 0 x -> false;put 1 0 - -> false;put 8 0 http://x -> false;"
     "get 1 0 = Locked;get 8 0 = http://first|http://second;put 7 0 New;"
     "new;open 3;put 1 0 x;get 1 0 = x;put 8 0 http://x;get 8 0 = http://x"},
    {"RefusalInsideASeriesChangesNothing",
     "TXXX:VMK_TNOTE1=one,TXXX:VMK_TNOTE2#2000=two,TXXX:VMK_TNOTE3=three",
     "open 2;put 13 109 x -> false;put 13 109 - -> false;get 13 109 = one|two|three"},
    {"FailedPutKeepsTheOldValue",
     "TIT2=Old,TXXX:VMK_TNOTE1=one,TXXX:VMK_TNOTE2=two,WOAR=http://a,GEOB:VMK_LSI=bin|4C5349",
     "open 2;put 1 0 New 3 -> fail;get 1 0 = Old;put 13 109 a|b|c 0x103 -> fail;"
     "get 13 109 = one|two;put 13 0 x -> neg;put 15 124 text -> neg;get 15 124 = LSI;"
     "get 8 0 = http://a"},
    // Only a real change marks the tag: Update leaves the file alone.
    {"OnlyChangesAreWritten", "TIT2=T,audio=10",
     "open 2;put 2 0 -;put 3 0 1 -> false;put 1 0 x 3 -> fail;pid TCON -;pdesc TXXX NONE -;"
     "pid TIT2 a|b -> arg;update 3;disk a = =;put 1 0 -;update 3;disk a = @notag,audio=10"},
};
KW5_CASES(FacadeText, kText);

const kw5test::Case kProperty[] = {
    {"GetByIdAndByDescription", kSample,
     "open 1;gid TIT2 = Title;gid WOAR = http://one|http://two;gid TXXX -> false -;"
     "gid TALB -> false -;gid ~ -> arg -;gid TIT2 + = old|Title;gdesc WOAR ~ = http://one;"
     "gdesc TXXX VMK_TIT2S = Sort;gdesc WXXX VMK_WRCDC = http://rec;gdesc TIT2 ~ -> ok "
     "Title;"
     "gdesc TXXX VMK_NONE -> false ~;gdesc ~ ~ -> fail ~"},
    {"PutByIdReplaces", kSample,
     "open 2;pid TIT2 New 0x40;gid TIT2 = New;flag 1 0 = 64;pid WOAR http://a|http://b;"
     "gid WOAR = http://a|http://b;pid TALB Album;get 11 0 = Album;pid TPE1 k\xE4\xB8\xAD;"
     "gid TPE1 = k\xE4\xB8\xAD;pid WOAR -;gid WOAR -> false -;pid TCON -"},
    {"PutByIdRefusals", kSample,
     "open 2;pid TIT2 a|b -> arg;pid TXXX a -> arg;pid GEOB a -> arg;pid ~ a -> arg;"
     "pid TIT a -> arg;pid TIT2X a -> arg;pid TLENTIT2 a -> arg;gid TIT2 = Title;"
     "gid TLEN = 1000"},
    {"PutByIdNeedsATextBody", "PRIV=0x6F776E00010203,TIT2=Title",
     "open 2;pid PRIV text -> arg;pid XYZW text -> arg;gid PRIV = own;gid XYZW -> false -"},
    {"PropertiesIgnoreTheProtectedList", kSample,
     "open 2;put 3 0 5 -> false;pid TLEN 5;gid TLEN = 5;pdesc TXXX VMK_SINFO info;"
     "gdesc TXXX VMK_SINFO = info"},
    {"PropertiesReadOnlyFlagAndMode", "TIT2#2000=Locked,TXXX:VMK_TIT2S#2000=Locked2",
     "open 2;pid TIT2 x -> false;pid TIT2 - -> false;pid TIT2X x -> arg;"
     "pdesc TXXX VMK_TIT2S x -> false;gid TIT2 = Locked;gdesc TXXX VMK_TIT2S = Locked2;"
     "new;open 3;pid TIT2 x;pdesc TXXX VMK_TIT2S y;gid TIT2 = x;gdesc TXXX VMK_TIT2S = y;"
     "new;open 1;pid TIT2 x -> false;pid TIT2 a|b -> false;pdesc TIT2 ~ x -> false"},
    {"PutByDescription", kSample,
     "open 2;pdesc TXXX VMK_TIT2S New;gdesc TXXX VMK_TIT2S = New;get 13 1 = New;"
     "pdesc WXXX MY_LINK http://m 2;gdesc WXXX MY_LINK = http://m;pdesc TXXX VMK_TIT2S -;"
     "gdesc TXXX VMK_TIT2S -> false ~;pdesc TXXX VMK_TIT2S -;pdesc TIT2 ~ x -> arg;"
     "pdesc TXX A x -> arg;pdesc TXXXX A x -> arg;pdesc GEOB VMK_LSI x -> arg;pdesc TXXX ~ x -> "
     "arg;"
     "pdesc TXXX ~ - -> arg;gid TIT2 = Title"},
    {"SeekReadsTheFileWithoutOpening", kSample,
     "sid a WOAR = http://one|http://two;sid a TIT2 + = old|Title;"
     "sdesc a TXXX VMK_TIT2S = Sort;sdesc a TXXX NONE -> false ~;sid a TALB -> false -;"
     "gid TIT2 -> false -;close 2;sdesc a WOAR ~ = http://one"},
    // The scan takes the first frame of a key, the loaded tag the last.
    {"SeekTakesFileOrder", "TXXX:A=first,TXXX:A=second,TIT2=t1,TIT2/2=t2",
     "sdesc a TXXX A = first;sid a TIT2 = t1|t2;open 1;gdesc TXXX A = second;"
     "gid TIT2 = t2"},
    {"SeekFindsUserTextWithoutDescription", "TXXX:=bare",
     "sid a TXXX = bare;open 1;gid TXXX -> false -"},
    {"SeekFailures", "pad=5 notag,audio=64 raw=5449543200000064000000536F6E67,size=200",
     "sid missing TIT2 -> fail -;sid a TIT2 -> arg -;sdesc b TXXX A -> arg ~;sid c TIT2 -> fail -"},
};
KW5_CASES(FacadeProperty, kProperty);

} // namespace
