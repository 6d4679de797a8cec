#include "facade/KW5TagTransaction.h"

#include "tag/KW5Tag.h"

#include <utility>

KW5TagTransaction::KW5TagTransaction(std::unique_ptr<KW5Tag>& current, int32_t& modified)
    : current_(current), modified_(modified), originalModified_(modified), committed_(false) {
    // Copy first: if the copy throws, nothing has moved yet.
    std::unique_ptr<KW5Tag> copy(new KW5Tag(*current_));
    original_ = std::move(current_);
    current_ = std::move(copy);
}

KW5TagTransaction::~KW5TagTransaction() {
    if (committed_)
        return;
    current_ = std::move(original_);
    modified_ = originalModified_;
}

void KW5TagTransaction::commit() {
    committed_ = true;
    original_.reset();
}
