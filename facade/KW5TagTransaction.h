// A change to the open tag of the exported class, made on a copy.
//
// The copy is installed as the current tag at once, so the facade's own
// helpers (deleteFrame, addFrames on `tag`) work on it unchanged. Unless
// commit() is called, the original tag and the modified flag come back when
// the transaction ends: a Put that fails half-way, or throws, leaves the tag
// as it was.
#ifndef KW5_FACADE_KW5TAGTRANSACTION_H
#define KW5_FACADE_KW5TAGTRANSACTION_H

#include <cstdint>
#include <memory>

class KW5Tag;

class KW5TagTransaction {
public:
    // current must hold a tag.
    KW5TagTransaction(std::unique_ptr<KW5Tag>& current, int32_t& modified);
    ~KW5TagTransaction();
    KW5TagTransaction(const KW5TagTransaction&) = delete;
    KW5TagTransaction& operator=(const KW5TagTransaction&) = delete;

    // Keeps the edited copy and the flag as they are now.
    void commit();

private:
    std::unique_ptr<KW5Tag>& current_;
    int32_t& modified_;
    std::unique_ptr<KW5Tag> original_;
    int32_t originalModified_;
    bool committed_;
};

#endif
