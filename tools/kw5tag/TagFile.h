// Shared pieces of the sub-commands: opening a file through the library,
// naming frames on the command line, choosing a variant, writing back.
#ifndef KW5TAG_TAGFILE_H
#define KW5TAG_TAGFILE_H

#include "kw5/CKW5VorletLib.h"

#include <string>
#include <vector>

namespace kw5tag {

// FRAME or FRAME:DESCRIPTION as typed by the user.
struct FrameName {
    std::string id;
    KW5WString description;
    bool hasDescription = false;
    std::string text; // as typed, for messages
};

FrameName parseFrameName(const std::string& text);
// Whether text has the shape of a frame name (an id of four A-Z/0-9,
// optionally ":DESC"), so that it can be told apart from a file name.
bool looksLikeFrameName(const std::string& text);
// "frame TIT2" or "frame TXXX "MOOD"", for messages.
std::string frameLabel(const FrameName& name);

// --variant std|gm|prask as a format kind.
LONG parseVariant(const std::string& text);
const char* variantName(LONG kind);
// Why ownLayout() chose the kind, for messages.
const char* layoutReason(LONG kind);

// The library object with the file open; Close is the caller's choice.
class TagFile {
public:
    TagFile(const std::string& path, LONG mode);
    ~TagFile();
    TagFile(const TagFile&) = delete;
    TagFile& operator=(const TagFile&) = delete;

    CKW5VorletLib& lib() { return lib_; }
    // The layout the tag calls for as it stands in memory: GM when it holds
    // a VMK_LSI object, Prask when it holds VMK_ULINF, STD otherwise.
    LONG ownLayout();
    // --variant when given, else ownLayout().
    LONG layoutToWrite(const std::string& variantOption);
    const std::string& path() const { return path_; }
    // Writes the changes in the given variant's layout and closes the file;
    // prints a progress line when a large file may be rewritten. A dry run
    // writes nothing but fails as the write would where that can be known.
    void save(LONG kind, bool dryRun = false);

private:
    CKW5VorletLib lib_;
    std::string path_;
};

std::vector<unsigned char> readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const unsigned char* data, size_t size);

// A JSON string literal.
std::string jsonString(const std::string& utf8);

} // namespace kw5tag

#endif
