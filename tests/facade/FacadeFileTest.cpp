// Files through the exported class: Open and Close, what Update writes byte
// by byte in each layout, and the layout check and conversion by path.
// Row syntax: Driver.h.
#include "Driver.h"

namespace {

const kw5test::Case kLifecycle[] = {
    {"OpenRefusesBadArguments", "TIT2=Song,TPE1=Band,pad=30,audio=100",
     "open 1 ~ -> arg;open 0 -> arg;open 4 -> arg;open -1 -> arg;image null 5 -> arg;"
     "image a 0 -> arg;image a -3 -> arg;open 1;get 1 0 = Song;size = 70;size null -> ptr"},
    {"Id3MagicIsRead", "ID3,TIT2=Old", "open 1;get 1 0 = Old"},
    {"MissingFileIsAnEmptyTag", "-", "open 2;size = 0;get 1 0 -> false -;disk a = missing"},
    {"FileWithoutTagHasSizeZero", "notag,audio=50", "open 2;size = 0"},
    {"ReadOnlyFileOpensOnlyToRead", "TIT2=Song",
     "ro a;open 2 -> fail;open 3 -> fail;open 1;get 1 0 = Song"},
    {"SecondOpenIsRefusedAndUpdateWritesTheFirst", "TIT2=Song TIT2=Other",
     "open 2;open 1 b -> fail;image b -> fail;get 1 0 = Song;put 1 0 New;close 2;"
     "disk b = =;new;open 1;get 1 0 = New"},
    {"OtherVersionsAreRefused",
     "head=040000,TIT2=x head=020000,TIT2=x head=030100,TIT2=x TIT2=Song",
     "open 1 a -> arg;open 1 b -> arg;open 1 c -> arg;size = 0;open 1 d"},
    {"UnknownFrameRefusesTheTag", "TIT2=Song,TPE1=Band,XYZW=0x010203",
     "open 1 -> arg;get 1 0 -> false -"},
    {"FrameRunningPastTheTag", "raw=5449543200000028000000536F6E67,audio=64",
     "open 1 -> arg;get 1 0 -> false -"},
    // Cut inside a frame: refused; cut after a whole frame: read.
    {"FileCutInsideTheTag",
     "TIT2=Song,raw=5450453100000013000000416C6F6E67,size=200 TIT2=Song,size=200",
     "open 1 a -> arg;new;open 1 b;get 1 0 = Song"},
    {"MemoryImageIsReadOnly", "TIT2=Mem,pad=7",
     "image a;size = 31;get 1 0 = Mem;put 1 0 x -> false;pid TIT2 x -> false;update 2;"
     "get 1 0 = Mem"},
    {"ShortMemoryImageIsAnEmptyTag", "notag,raw=6B77350300", "image a;size = 5;get 1 0 -> false -"},
    {"BadMemoryImageIsRefused", "head=040000,TIT2=x TIT2=y", "image a -> arg;image b"},
    {"NewObjectHoldsAnEmptyTag", ".", "get 1 0 -> false -;size = 0;flag 1 0 = -"},
    {"ClosedObjectRefusesAccess", "TIT2=Song",
     "open 1;close 2;get 1 0 -> fail -;put 1 0 x -> fail;flag 1 0 -> fail -;gid TIT2 -> fail -;"
     "gdesc TIT2 ~ -> fail ~;pid TIT2 x -> fail;pdesc TXXX A x -> fail;size -> fail;update 2;"
     "close 2;open 1;get 1 0 = Song"},
    {"ReopenReadsTheNewFile", "TIT2=Song TALB=Album",
     "open 1;close 2;open 1 b;get 1 0 -> false -;get 11 0 = Album"},
    {"ThreadCodePageDecidesNarrowTexts", "TIT2=0x00636166E9",
     "cp 1252;cp 4242 -> false;open 1;get 1 0 = caf\xC3\xA9"},
};
KW5_CASES(FacadeLifecycle, kLifecycle);

// Every byte of the written file: the frames in encoding 2 in the layout's
// order; a new tag pads to a multiple of 3072 bytes.
const char* const kMixed =
    "ID3,TALB=Album,GEOB:VMK_LSI=app/x|4C53490001,TIT2/1=Title,WOAR=http://a,"
    "TXXX:B=bee,GEOB:X=|090807,audio=5000";

// A tag of its own (kw5, size 12, TIT2 "A") to stack behind another.
const std::string kStacked = "6B77350300000000000C544954320000000200000041";

const kw5test::Case kUpdate[] = {
    {"InPlaceKeepsTheTagSizeAndTheAudio", "TIT2=Song,pad=100,audio=5000",
     "open 2;put 7 0 Band;update 3;size = 125;"
     "disk a = @TIT2/2=Song,TPE1/2=Band,pad=77,audio=5000"},
    {"RemakeAddsATagBeforeTheAudio", "notag,audio=5000",
     "open 2;put 1 0 A 0 0x40;update 2;disk a = @TIT2/2#40=A,pad=3049,audio=5000"},
    {"MissingFileIsCreated", "-",
     "open 2;pdesc TXXX VMK_TRACK 7;close 3;disk a = @TXXX:VMK_TRACK/2=7,pad=3029"},
    {"GmPutsTheLsiObjectFirst", kMixed,
     "open 2;put 2 0 -;put 2 0 Sub;put 2 0 -;update 2;disk a = @ID3,GEOB:VMK_LSI/2=app/x|"
     "4C53490001,TIT2/2=Title,TALB/2=Album,WOAR=http://a,TXXX:B/2=bee,GEOB:X/2=|090807,pad=2920,"
     "audio=5000"},
    {"KindZeroIsGm", std::string(kMixed) + " " + kMixed,
     "open 2;put 2 0 Sub;update 2;new;open 2 b;put 2 0 Sub;update 0;disk b = %a"},
    {"PraskWithoutUlinfPutsObjectsLast", kMixed,
     "open 2;put 2 0 -;put 2 0 Sub;put 2 0 -;update 1;disk a = @ID3,TIT2/2=Title,TALB/2=Album,"
     "WOAR=http://a,TXXX:B/2=bee,GEOB:VMK_LSI/2=app/x|4C53490001,GEOB:X/2=|090807,pad=2920,"
     "audio=5000"},
    {"StdRefusesAnLsiObjectAndKeepsTheChange", "GEOB:VMK_LSI=|0102,TIT2=Old,audio=5000",
     "open 2;put 1 0 New;update 3 -> fmt;disk a = =;get 1 0 = New;update 2;new;open 1;"
     "get 1 0 = New;gbd GEOB VMK_LSI = #0102"},
    {"UnknownKindIsRefusedAndTheChangeStays", "TIT2=Old",
     "open 2;put 1 0 New;update 4 -> arg;update -1 -> arg;disk a = =;update 1;new;open 1;"
     "get 1 0 = New"},
    {"NothingWrittenWithoutChangesOrReadOnly", "TIT2=Old,pad=3,audio=5000",
     "open 2;update 3;close 2;disk a = =;new;open 1;put 1 0 New -> false;update 3;update 4;"
     "close 3;disk a = ="},
    {"PutBeforeOpenHasNoFile", "TIT2=File",
     "put 1 0 Loose;update 2 -> arg;get 1 0 = Loose;open 2;get 1 0 = File;update 2;"
     "disk a = ="},
    {"TheObjectKeepsEveryFrameAfterUpdate",
     "TIT2=Title,TPE1=Band,WOAR=http://a,WOAR=http://b,TXXX:VMK_TNOTE1=n1,TXXX:VMK_TNOTE2=n2,"
     "PRIV=0x6F000102,pad=40,audio=5000",
     "open 2;put 11 0 Album;update 3;get 1 0 = Title;get 8 0 = http://a|http://b;"
     "get 13 109 = n1|n2;put 18 0 1999;close 3;new;open 1;get 1 0 = Title;"
     "get 7 0 = Band;get 8 0 = http://a|http://b;get 13 109 = n1|n2;"
     "get 11 0 = Album;get 18 0 = 1999;gid PRIV = o"},
    {"DeletingEveryFrameRemovesTheTag", "TIT2=Title,WOAR=http://a,pad=10,audio=5000",
     "open 2;put 1 0 -;pid WOAR -;close 2;disk a = @notag,audio=5000"},
    // A second tag stacked behind the first must not become the file's tag.
    {"AnEmptyTagStaysBeforeAudioThatStartsLikeATag",
     "TIT2=Title,pad=10,raw=" + kStacked + ",size=26,audio=20 pad=20,raw=" + kStacked +
         ",size=20,audio=20",
     "open 2;put 1 0 -;close 2;disk a = @pad=26,raw=" + kStacked +
         ",size=26,audio=20;open 1;get 1 0 -> false -;close 2;cf b 2;disk b = =;format b 1;"
         "disk b = ="},
    {"CloseForgetsTheTagWhateverUpdateAnswered", "TIT2=Old",
     "open 2;put 1 0 New;close 4 -> arg;get 1 0 -> fail -;disk a = =;update 2 -> fail;"
     "close 2 -> fail;open 1;get 1 0 = Old"},
    {"NothingWrittenOverATagThatFailedToOpen", "head=040000,TIT2=x,audio=5000",
     "open 2 -> arg;put 1 0 new;update 3 -> fail;close 3 -> fail;disk a = ="},
    {"UnsyncAndExtendedHeaderAreNeverWritten",
     "ID3,head=030080,TIT2=Old,pad=200 ID3,head=030040,TIT2=Old",
     "open 2 -> arg;put 1 0 New;close 3 -> neg;format a 3 -> neg;format b 3 -> neg;"
     "disk a = =;disk b = ="},
    {"ExperimentalBitAndMagicSurvive", "ID3,head=030020,TIT2=Old,pad=200",
     "open 2;put 1 0 New;close 3;disk a = @ID3,head=030020,TIT2/2=New,pad=197"},
    {"ReadOnlyFlagSurvivesTheWrite", "TIT2#2000=Locked,TPE1=Band",
     "open 2;put 7 0 Other;close 3;new;open 2;flag 1 0 = 8192;put 1 0 x -> false;"
     "get 1 0 = Locked;get 7 0 = Other"},
};
KW5_CASES(FacadeUpdate, kUpdate);

const char* const kNarrow = "TIT2=Title,TALB=Album,pad=20,audio=9";
const char* const kStd = "TIT2/2=Title,TALB/2=Album,pad=20,audio=9";
const char* const kGm = "GEOB:VMK_LSI/2=binary|C0DE,TIT2/2=Title,pad=20,audio=9";

const kw5test::Case kFormat[] = {
    {"NoTagIsAnEmptyTag", "notag,audio=9 -",
     "check a 3;check a 2 -> fmt;check a 0 -> fmt;check a 1 -> fmt;check b 3;check b 2 -> fmt;"
     "check b 1 -> fmt;format a 3;disk a = =;cf a 2;disk a = ="},
    {"UnknownKindOrEmptyPath", kNarrow,
     "check a 7 -> arg;check a -1 -> arg;check a 4 -> arg;format a 7 -> fail;cf a 7 -> fail;"
     "disk a = =;check ~ 3 -> arg;format ~ 3 -> fail;cf ~ 3 -> fail"},
    {"ValidFilesPassAndStayAsTheyAre", std::string(kStd) + " " + kGm,
     "check a 3;check b 2;cf a 3;cf b 2;disk a = =;disk b = =;check a 2 -> fmt;"
     "check b 3 -> fmt;check b 1 -> fmt"},
    {"WrongEncodingIsRewrittenInPlace", kNarrow,
     "check a 3 -> fmt;cf a 3;disk a = @TIT2/2=Title,TALB/2=Album,pad=10,audio=9;check a 3"},
    {"GmRewriteMakesNoLsiObject", kNarrow, "cf a 2;check a 2 -> fmt;check a 3"},
    {"StdOnAGmFileIsRefused", kGm, "check a 3 -> fmt;cf a 3 -> fmt;format a 3 -> fmt;disk a = ="},
    {"PraskTitleGoesBeforeTheAlbum",
     "GEOB:VMK_ULINF/2=binary|C0DE,TALB/2=Album,TIT2/2=Title,pad=30,audio=9",
     "check a 1 -> fmt;cf a 1;check a 1;disk a = @GEOB:VMK_ULINF/2=binary|C0DE,"
     "TIT2/2=Title,TALB/2=Album,pad=30,audio=9"},
    {"GmWrongEncodingIsRewritten", "GEOB:VMK_LSI/2=binary|C0DE,TIT2/1=Title,audio=9",
     "check a 2 -> fmt;cf a 2;check a 2;check a 0;cf a 0"},
    {"FormatRewritesWithoutChecking",
     "TIT2/2=Title,TALB/2=Album,pad=5000,audio=9 TIT2/2=Title,TALB/2=Album,pad=5000,audio=9",
     "check a 3;format a 3;disk a = @TIT2/2=Title,TALB/2=Album,pad=3020,audio=9;cf b 3;"
     "disk b = ="},
    {"UnreadableTagIsNotRewritten", "TIT2/2=Title,XYZW=0x0102,audio=9 head=040000,TIT2/2=T",
     "check a 3 -> arg;cf a 3 -> fail;format a 3 -> arg;disk a = =;check b 3 -> fmt;"
     "cf b 3 -> arg;disk b = ="},
    {"NoRewriteWhileAFileIsOpen", std::string(kStd) + " " + kStd + " " + kNarrow,
     "open 2 a;format b 3 -> fail;format a 3 -> fail;check b 3;check c 3 -> fmt;cf b 3;"
     "cf c 3 -> fail;disk c = =;get 1 0 = Title;close 3;cf c 3;check c 3"},
};
KW5_CASES(FacadeFormat, kFormat);

} // namespace
