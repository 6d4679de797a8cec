// Objects (GEOB) through the exported class, the object tag images built in
// memory, and the blob of unknown frames moved between files. A refused or
// failed change leaves the open tag, and so the file, as it was.
// Row syntax: Driver.h.
#include "Driver.h"

namespace {

const kw5test::Case kBinary[] = {
    {"GetBinaryGivesDataAndMimeType", "GEOB:VMK_LSI=image/png|4C5349,pad=16",
     "open 1;gbin 15 124 = image/png#4C5349;gbin 15 124 + = old#|image/png#4C5349"},
    {"TextFramesGiveTheBytesAfterTheEncoding", "TIT2=Hello,TALB/1=Hi",
     "open 1;gbin 1 0 = #48656C6C6F;gbin 11 0 = #FFFE48006900;gbd TIT2 ~ -> ok "
     "#48656C6C6F"},
    {"MissingObjectIsSFalse", "-",
     "open 1;gbin 15 124 -> false -;gbin 15 13 -> false -;gbin 15 0 -> false -"},
    {"SeriesReadsInOrderToTheFirstGap",
     "GEOB:VMK_FTHBL2=x|02,GEOB:VMK_FTHBL4=x|04,GEOB:VMK_FTHBL1=x|01 GEOB:VMK_FTHBL2=x|02",
     "open 1;gbin 15 13 = x#01|x#02;new;open 1 b;gbin 15 13 -> false -"},
    {"PutBinaryWritesAndReplacesASeries", "-",
     "open 2;pbin 15 13 a/b#61|a/b#6262|a/b#636363;gbd GEOB VMK_FTHBL1 = a/b#61;"
     "gbd GEOB VMK_FTHBL3 = a/b#636363;gbd GEOB VMK_FTHBL -> false ~;"
     "gbin 15 13 = a/b#61|a/b#6262|a/b#636363;pbin 15 13 x#78;gbin 15 13 = x#78;"
     "gbd GEOB VMK_FTHBL2 -> false ~"},
    {"EmptyListDeletes", "GEOB:VMK_LSI=x|4C,GEOB:VMK_FTHBL1=x|31,GEOB:VMK_FTHBL2=x|32",
     "open 2;pbin 15 124 -;gbd GEOB VMK_LSI -> false ~;pbin 15 13 -;gbd GEOB VMK_FTHBL2 -> false ~;"
     "pbin 15 124 -;put 1 0 T;pbin 1 0 -;get 1 0 -> false -"},
    {"RefusalsKeepTheTagAndTheFile",
     "TIT2=Keep,GEOB:VMK_FTHBL1=x|31,GEOB:VMK_FTHBL2=x|32,GEOB:VMK_FTHBL3#2000=x|33,"
     "GEOB:VMK_SINFO=x|69,GEOB:VMK_LSI=x|4C",
     "open 2;pbin 1 0 #78 -> arg;pbin 15 13 #6E -> false;pbin 15 44 #6E -> false;"
     "pbin 3 0 #78 -> false;pbin 15 124 #61|#62 -> arg;pbin 20 124 #61 -> fail;"
     "pbin 15 124 null -> ptr;pbin 15 124 nodata -> ptr;gbin 1 13 -> arg -;pbin 1 13 #61 -> arg;"
     "pbin 1 13 - -> arg;get 1 0 = Keep;gbin 15 13 = x#31|x#32|x#33;"
     "gbd GEOB VMK_SINFO = x#69;gbd GEOB VMK_LSI = x#4C;close 3;disk a = =;"
     "new;open 3;pbin 15 13 #6E;gbin 15 13 = #6E;pbin 15 124 m#;gbd GEOB VMK_LSI = m#"},
    {"ReadOnlyOrClosedKeepsTheRecords", "GEOB:VMK_LSI=x|4C",
     "open 1;pbin 15 124 #61 -> false;gbd GEOB VMK_LSI = x#4C;close 3;pbin 15 124 #61 -> fail;"
     "gbin 15 124 -> fail -"},
    {"PutByDescriptionTakesOnlyGeob", "-",
     "open 2;pbd TXXX VMK_LSI #61 -> arg;pbd geob VMK_LSI #61 -> arg;pbd GEOB ~ #61 -> arg;"
     "pbd GEOB VMK_LSI #61;gbd GEOB VMK_LSI = #61"},
    {"PutByDescriptionNullDeletes", "GEOB:VMK_LSI=x|4C",
     "open 2;pbd GEOB VMK_LSI null;gbd GEOB VMK_LSI -> false ~;pbd GEOB VMK_LSI null;close 3;"
     "new;open 1;gbd GEOB VMK_LSI -> false ~"},
    {"PutByDescriptionReadOnlyFrameNeedsModeThree", "GEOB:VMK_LSI#2000=x|4C",
     "open 2;pbd GEOB VMK_LSI #6E -> false;pbd GEOB VMK_LSI null -> false;"
     "gbd GEOB VMK_LSI = x#4C;new;open 1;pbd GEOB VMK_LSI #6E -> false;new;open 3;"
     "pbd GEOB VMK_LSI #6E;gbd GEOB VMK_LSI = #6E"},
    {"ProtectedObjectsAreMarked", "- -",
     "open 2 a;pbd GEOB VMK_SINFO #69 4;flag 15 44 = 32;pbd GEOB VMK_OLINF #69 4;"
     "flag 15 123 = 4;new;open 3 b;pbd GEOB VMK_SINFO #69 4;flag 15 44 = 4"},
    {"WrittenObjectIsExact", "-",
     "open 2;pbd GEOB VMK_OLINF app/x-test#01020300FF;gbin 15 123 = app/x-test#01020300FF;"
     "update 1;disk a = @GEOB:VMK_OLINF/2=app/x-test|01020300FF,pad=3013"},
    {"GetByDescriptionFillsTheHostRecord", "GEOB:VMK_LSI=image/png|4C5349,TIT2=T",
     "open 1;gbd GEOB VMK_NONE -> false ~;gbd ~ VMK_LSI -> arg ~;"
     "gbd GEOB VMK_LSI = image/png#4C5349;gbd GEOB VMK_LSI nullrec -> ptr"},
    {"SeekReadsObjectsWithoutOpening",
     "GEOB:VMK_LSI=a/b|6669727374,GEOB:VMK_OLINF=a/b|7365636F6E64,pad=10,audio=5 notag,audio=25",
     "sbd a GEOB VMK_OLINF = a/b#7365636F6E64;sbd a GEOB VMK_NONE -> false ~;"
     "sbd missing GEOB VMK_LSI -> fail ~;sbd b GEOB VMK_LSI -> arg ~;"
     "sbd a GEOB VMK_LSI nullrec -> ptr;open 1"},
    {"LargeObjectRoundTripsThroughAFile", "-",
     "open 2;pbin 15 124 a/b#pat:5000;close 2;check a 2;"
     "disk a = @GEOB:VMK_LSI/2=a/b|pat:5000,pad=1101"},
};
KW5_CASES(FacadeBinary, kBinary);

// Images: the frames, then zeros to the next multiple of 3072 bytes (a
// whole unit when the frames end on one).
const kw5test::Case kImage[] = {
    {"OneObject", ".",
     "lsi - = @GEOB:VMK_LSI/2=binary|,pad=3026;"
     "lsi pat:100 = @GEOB:VMK_LSI/2=binary|pat:100,pad=2926"},
    {"PaddingAtTheUnitEdge", ".",
     "lsi pat:3026 = @GEOB:VMK_LSI/2=binary|pat:3026,pad=3072;"
     "lsi pat:3025 = @GEOB:VMK_LSI/2=binary|pat:3025,pad=1;"
     "lsi pat:3027 = @GEOB:VMK_LSI/2=binary|pat:3027,pad=3071"},
    {"TwoObjectsLsiFirst", ".",
     "lsi pat:7 pat:300 = @GEOB:VMK_LSI/2=binary|pat:7,GEOB:VMK_OLINF/2=binary|pat:300,"
     "pad=2679;lsi - - = @GEOB:VMK_LSI/2=binary|,GEOB:VMK_OLINF/2=binary|,pad=2986"},
    {"NullPointers", ".",
     "lsi null@4 -> ptr ~;lsi 01020304 !img -> ptr ~;lsi 01020304 !size -> ptr ~;"
     "lsi null@4 01020304 -> ptr ~;lsi 01020304 null@4 -> ptr ~;lsi 01020304 01 !img -> ptr ~;"
     "lsi 01020304 01 !size -> ptr ~"},
    // Never a huge allocation, never a read beyond the four bytes given.
    {"NegativeOrHugeSizes", ".",
     "lsi 01020304@-1 -> oom ~;lsi 01020304@0x80000000 -> oom ~;lsi 01 01@-4 -> oom ~;"
     "lsi 01@-4 01 -> oom ~;lsi 01020304@0x7FFFFFFF -> fail ~;lsi 01 01020304@0x10000000 -> fail "
     "~"},
    {"ImageOpensAndGivesTheObjectsBack", "TIT2=Song,pad=8",
     "open 2;lsi pat:1000 pat:10 >b;new;image b;size = 3072;"
     "gbin 15 123 = binary#0524436281A0BFDEFD1C;new;open 2;lsi - >c;get 1 0 = Song;"
     "close 3;disk a = =;lsi - = =c"},
};
KW5_CASES(FacadeImage, kImage);

const char* const kA = "TIT2=A-title,TXXX:VMK_TRACK=7,GEOB:VMK_OLINF=binary|09,pad=40,audio=20";
const char* const kB =
    "TIT2=B-title,TXXX:VMK_TRACK=3,TPE1=B-artist,GEOB:VMK_LSI=binary|01,pad=40,audio=20";

const kw5test::Case kUnknown[] = {
    // The open tag's header, the Prask lead object, the priority frames,
    // the rest in key order; text in encoding 2; no padding.
    {"ExportGivesEveryFrameInPraskOrder",
     "ID3,TCOM=Comp,TALB/2=Alb,GEOB:VMK_ULINF/2=binary|0102,PRIV=0x010203,pad=50",
     "open 2;unk = @ID3,GEOB:VMK_ULINF/2=binary|0102,TALB/2=Alb,PRIV=0x010203,TCOM/2=Comp;"
     "get 10 0 = Comp;close 3;disk a = ="},
    {"KnownPropertiesAreLeftOut", kA,
     "open 1;unk 1:0 13:77 = @GEOB:VMK_OLINF/2=binary|09;unk 1:0 7:0 13:77 15:123 -> false ~"},
    {"KnownSeriesAndReadOnlyFramesAreLeftOut",
     "GEOB:VMK_FTHBL1/2=x|01,GEOB:VMK_FTHBL2/2=x|02,TIT2/2#2000=T,TALB/2=A",
     "open 2;unk 15:13 1:0 = @TALB/2=A"},
    {"ExportRefusesBadProperties", kA,
     "open 1;unk 20:0 -> fail ~;unk 1:164 -> fail ~;unk 1:13 -> arg ~;unk null -> ptr ~;close 3;"
     "unk -> fail ~"},
    {"ImportReplacesAddsAndKeeps", std::string(kA) + " " + kB,
     "open 1;unk >c;new;open 2 b;putunk c;get 1 0 = A-title;get 7 0 = B-artist;close 1;"
     "new;open 1 b;get 1 0 = A-title;get 13 77 = 7;get 7 0 = B-artist;"
     "gbin 15 123 = binary#09;gbin 15 124 = binary#01"},
    {"ImportKeepsTheTargetsKnownFrames", std::string(kA) + " " + kB,
     "open 1;unk 1:0 >c;new;open 2 b;putunk c;get 1 0 = B-title;get 13 77 = 7"},
    {"ImportReplacesReadOnlyFrames", "TIT2#2000=B-title TIT2/2=New",
     "open 2;put 1 0 x -> false;putunk b;get 1 0 = New"},
    {"HeaderOnlyBlobAddsNothing", std::string(kB) + " .",
     "open 2;putunk b;get 1 0 = B-title;close 3;disk a = ="},
    {"ImportRefusesBadArguments", std::string(kB) + " TIT2/2=New",
     "open 2;putunk b 0 -> arg;putunk b -5 -> arg;putunk null 10 -> ptr;get 1 0 = B-title;"
     "close 3;putunk b -> fail;new;open 1;putunk null 0 -> false;putunk b -> false;"
     "get 1 0 = B-title"},
    {"InvalidBlobChangesNothing",
     std::string(kB) + " head=040000,TIT2/2=N TIT2/2=N,TALB/2=Album TIT2/2=N,XYZW=0x01 "
                       "TIT2/2=New,TCOM/5=Comp",
     "open 2;putunk b -> arg;putunk c 41 -> arg;putunk d -> arg;putunk e -> neg;"
     "get 1 0 = B-title;close 3;disk a = ="},
    {"ExportImportRoundTrip", std::string(kA) + " -",
     "open 1;unk >c;new;open 2 b;putunk c;close 1;new;open 1 b;unk = =c"},
};
KW5_CASES(FacadeUnknown, kUnknown);

} // namespace
