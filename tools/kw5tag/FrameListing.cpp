#include "tools/kw5tag/FrameListing.h"

#include "kw5/kw5vorlet.h"
#include "tools/kw5tag/Failure.h"
#include "tools/kw5tag/FrameWalker.h"
#include "tools/kw5tag/Utf8.h"

#include <memory>

namespace kw5tag {

namespace {

struct HandleCloser {
    void operator()(KW5Lib* lib) const { KW5LibDestroy(lib); }
};
struct BlockFreer {
    void operator()(void* block) const { KW5LibFree(block); }
};
using Handle = std::unique_ptr<KW5Lib, HandleCloser>;
template <typename T> using Block = std::unique_ptr<T, BlockFreer>;

// NUL-terminated UTF-16 for the C interface.
std::vector<kw5_char16> cText(const KW5WString& text) {
    std::vector<kw5_char16> units(text.begin(), text.end());
    units.push_back(0);
    return units;
}

KW5WString hostText(const kw5_char16* text, uint32_t length) {
    return text ? KW5WString(text, text + length) : KW5WString();
}

void fetchObject(KW5Lib* lib, ListedFrame& frame) {
    frame.isObject = true;
    KW5Binary* record = nullptr;
    kw5_hresult hr = KW5LibGetBinaryFromDesc(lib, cText(fromUtf8(frame.id)).data(),
                                             cText(frame.description).data(), &record);
    Block<KW5Binary> owned(record);
    if (hr != KW5_S_OK || !record)
        return;
    frame.objectFound = true;
    frame.objectSize = record->dataSize;
    frame.mimeType = hostText(record->mimeType.text, uint32_t(record->mimeType.length));
}

} // namespace

std::vector<ListedFrame> listLibraryFrames(const std::string& path) {
    KW5Lib* raw = nullptr;
    if (KW5LibCreate(&raw) != KW5_S_OK)
        throw Failure("cannot start the library");
    Handle lib(raw);
    kw5_hresult hr = KW5LibOpen(lib.get(), cText(fromUtf8(path)).data(), KW5_MODE_READONLY);
    if (hr == KW5_E_INVALIDARG) {
        std::string reason = tagProblem(path);
        if (!reason.empty())
            throw Failure("cannot open the tag", reason, hr);
    }
    if (hr != KW5_S_OK)
        throw Failure("cannot open the tag", hr);

    KW5FrameInfoList* list = nullptr;
    hr = KW5LibListFrames(lib.get(), &list);
    Block<KW5FrameInfoList> owned(list);
    if (hr != KW5_S_OK && hr != KW5_S_FALSE)
        throw Failure("cannot list the frames", hr);
    std::vector<ListedFrame> frames;
    for (uint32_t i = 0; list && i < list->count; ++i) {
        const KW5FrameInfo& info = list->frames[i];
        ListedFrame frame;
        frame.id = info.id;
        frame.description = hostText(info.description, info.descriptionLength);
        frame.flags = info.flags;
        frame.size = info.size;
        frame.encoding = info.encoding == KW5_NO_ENCODING ? -1 : info.encoding;
        if (frame.id[0] == 'T' || frame.id[0] == 'W') {
            frame.hasText = info.value != nullptr;
            frame.text = hostText(info.value, info.valueLength);
        } else {
            fetchObject(lib.get(), frame);
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace kw5tag
