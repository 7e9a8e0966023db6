// PathList: an owned, growable list of texts (paths, key names) kept in the
// order added. Lookups are by index only; a profile of many thousand lines
// stays linear to read.
#ifndef AZ_UNINSTALL_PATH_LIST_H
#define AZ_UNINSTALL_PATH_LIST_H

#include <cstdint>

class PathList {
  public:
    PathList() : items_(nullptr), count_(0), capacity_(0) {}
    ~PathList();
    PathList(const PathList&) = delete;
    PathList& operator=(const PathList&) = delete;

    // Copies `length` bytes of `text` as a new last item: 1, or 0 when no
    // memory was left (nothing changes).
    int32_t add(const char* text, int32_t length);
    int32_t add(const char* text);
    int32_t count() const { return count_; }
    const char* at(int32_t index) const { return items_[index]; }
    // The item added last, which its adder may still adjust; needs count() > 0.
    char* last() { return items_[count_ - 1]; }
    // Sorts by the given order and drops items the order finds equal to
    // their predecessor; of equal items the one lowest in byte order stays.
    void sortUnique(int (*compare)(const char*, const char*));
    // Drops, keeping the order of the rest, every item for which `test`
    // (given `context`) answers true; returns how many went.
    int32_t removeWhere(bool (*test)(const char* item, const void* context), const void* context);

  private:
    char** items_;
    int32_t count_;
    int32_t capacity_;
};

#endif
