#include "uninstall/rules/path_list.h"

#include <cstdlib>
#include <cstring>

#include "base/allocation.h"

PathList::~PathList() {
    for (int32_t i = 0; i < count_; ++i)
        freeBlock(items_[i]);
    freeBlock(items_);
}

int32_t PathList::add(const char* text, int32_t length) {
    if (text == nullptr || length < 0)
        return 0;
    if (count_ == capacity_) {
        if (capacity_ > INT32_MAX / 4)
            return 0;
        int32_t grown = capacity_ < 16 ? 16 : capacity_ * 2;
        char** items = static_cast<char**>(allocateBlock(sizeof(char*) * size_t(grown)));
        if (items == nullptr)
            return 0;
        if (count_ > 0)
            std::memcpy(items, items_, sizeof(char*) * size_t(count_));
        freeBlock(items_);
        items_ = items;
        capacity_ = grown;
    }
    char* copy = static_cast<char*>(allocateBlock(size_t(length) + 1));
    if (copy == nullptr)
        return 0;
    std::memcpy(copy, text, size_t(length));
    copy[length] = '\0';
    items_[count_++] = copy;
    return 1;
}

int32_t PathList::add(const char* text) {
    return text ? add(text, static_cast<int32_t>(std::strlen(text))) : 0;
}

namespace {

int (*activeOrder)(const char*, const char*) = nullptr;

// Items the order finds equal are ranked by their bytes, so that the same
// spelling survives whatever the C library's sort does with ties.
int compareItems(const void* a, const void* b) {
    const char* x = *static_cast<char* const*>(a);
    const char* y = *static_cast<char* const*>(b);
    int order = activeOrder(x, y);
    return order != 0 ? order : std::strcmp(x, y);
}

}  // namespace

void PathList::sortUnique(int (*compare)(const char*, const char*)) {
    if (count_ < 2)
        return;
    // One thread: the order is handed to qsort's comparison through a static.
    activeOrder = compare;
    std::qsort(items_, size_t(count_), sizeof(char*), compareItems);
    activeOrder = nullptr;
    int32_t kept = 1;
    for (int32_t i = 1; i < count_; ++i) {
        if (compare(items_[kept - 1], items_[i]) == 0) {
            freeBlock(items_[i]);
        } else {
            items_[kept++] = items_[i];
        }
    }
    count_ = kept;
}

int32_t PathList::removeWhere(bool (*test)(const char*, const void*), const void* context) {
    int32_t kept = 0;
    for (int32_t i = 0; i < count_; ++i) {
        if (test(items_[i], context)) {
            freeBlock(items_[i]);
        } else {
            items_[kept++] = items_[i];
        }
    }
    int32_t removed = count_ - kept;
    count_ = kept;
    return removed;
}
