// Walks an entry index file through EntryIndex and collects what it yields.
#ifndef AZ_TESTS_INDEX_WALK_H
#define AZ_TESTS_INDEX_WALK_H

#include <string>
#include <vector>

#include "payload/entry_index.h"
#include "payload_builder.h"

// Every entry, in walk order; at most `limit` (a walk that does not end is a
// failure the caller sees as a list of `limit` entries).
inline std::vector<testpayload::NamedValue> walkIndex(EntryIndex& index, int backward,
                                                      size_t limit = 1000000) {
    std::vector<testpayload::NamedValue> found;
    index.setDirection(backward);
    TextBuffer name(260);
    int32_t value = 0;
    while (found.size() < limit && index.next(name, value) == 1)
        found.emplace_back(name.text ? name.text : "", value);
    return found;
}

inline std::vector<testpayload::NamedValue> walkIndexFile(const std::string& path, int backward,
                                                          size_t limit = 1000000) {
    EntryIndex index(path.c_str(), 0);
    if (!index.isOpen())
        return {};
    return walkIndex(index, backward, limit);
}

inline std::vector<testpayload::NamedValue> reversed(std::vector<testpayload::NamedValue> list) {
    return std::vector<testpayload::NamedValue>(list.rbegin(), list.rend());
}

#endif
