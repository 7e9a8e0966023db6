#include "write/entry_table.h"

#include <cstring>

#include "payload/layout.h"

namespace azpack {

namespace {

using payload::kEntryAreaSize;

int entrySize(const std::string& name) {
    return payload::kEntryFixedSize + static_cast<int>(name.size());
}

int32_t pageOffset(int index) {
    return index == 0 ? 0 : payload::kRootPageSize + (index - 1) * payload::kPageSize;
}

}  // namespace

bool EntryTable::plan(const std::vector<std::string>& names, std::string* error) {
    names_ = names;
    pages_.clear();

    // One level: the items in order and the links around them, links[i]
    // before items[i] and links[n] after the last (indices of pages of the
    // level below, -1 at the leaves).
    std::vector<int> items(names.size());
    for (size_t i = 0; i < items.size(); ++i)
        items[i] = static_cast<int>(i);
    std::vector<int> links(items.size() + 1, -1);
    std::vector<std::vector<Page>> levels;

    while (true) {
        const int n = static_cast<int>(items.size());
        int total = 0;
        for (int item : items)
            total += entrySize(names_[item]);
        bool fitsRoot = total <= kEntryAreaSize;

        std::vector<Page> level;
        std::vector<int> upItems;
        std::vector<int> upLinks;
        int i = 0;
        while (i < n || (i == 0 && n == 0)) {
            int j = i;
            int used = 0;
            while (j < n && used + entrySize(names_[items[j]]) <= kEntryAreaSize) {
                used += entrySize(names_[items[j]]);
                ++j;
            }
            // Moving up the very last item would leave an empty page after
            // it: move up the one before instead (a full page holds at least
            // six names, so this one keeps some).
            if (j == n - 1)
                --j;
            Page page;
            page.leftChild = links[i];
            for (int k = i; k < j; ++k) {
                page.entries.push_back(items[k]);
                page.children.push_back(links[k + 1]);
            }
            upLinks.push_back(static_cast<int>(level.size()));
            level.push_back(std::move(page));
            if (j < n)
                upItems.push_back(items[j]);
            i = j + 1;
            if (n == 0)
                break;
        }
        levels.push_back(std::move(level));
        if (fitsRoot)
            break;
        if (static_cast<int>(levels.size()) >= payload::kMaxTreeDepth) {
            *error = "the entry table would need more than " +
                     std::to_string(payload::kMaxTreeDepth) + " levels of pages";
            return false;
        }
        items = std::move(upItems);
        links = std::move(upLinks);
    }

    // File order: the root, then each level from the top, left to right.
    depth_ = static_cast<int>(levels.size());
    std::vector<int> base(levels.size());
    int next = 0;
    for (int l = depth_ - 1; l >= 0; --l) {
        base[l] = next;
        next += static_cast<int>(levels[l].size());
    }
    for (int l = depth_ - 1; l >= 0; --l) {
        for (Page& page : levels[l]) {
            if (l > 0) {
                page.leftChild = page.leftChild < 0 ? -1 : base[l - 1] + page.leftChild;
                for (int& child : page.children)
                    child = child < 0 ? -1 : base[l - 1] + child;
            }
            pages_.push_back(std::move(page));
        }
    }
    return true;
}

size_t EntryTable::imageSize() const {
    return static_cast<size_t>(payload::kRootPageSize) +
           (pages_.size() - 1) * static_cast<size_t>(payload::kPageSize);
}

std::vector<unsigned char> EntryTable::image(const std::vector<int32_t>& values) const {
    std::vector<unsigned char> out(imageSize(), 0);
    for (size_t p = 0; p < pages_.size(); ++p) {
        const Page& page = pages_[p];
        unsigned char* at = out.data() + pageOffset(static_cast<int>(p));
        payload::writeI32(at + payload::kPageOwnPosition, pageOffset(static_cast<int>(p)));
        payload::writeI32(at + payload::kPageLeftChild,
                          page.leftChild < 0 ? payload::kNoPage : pageOffset(page.leftChild));
        int used = 0;
        for (size_t e = 0; e < page.entries.size(); ++e) {
            unsigned char* entry = at + payload::kPageEntries + used;
            int child = page.children[e];
            payload::writeI32(entry + payload::kEntryChild,
                              child < 0 ? payload::kNoPage : pageOffset(child));
            payload::writeI32(entry + payload::kEntryValue, values[page.entries[e]]);
            const std::string& name = names_[page.entries[e]];
            std::memcpy(entry + payload::kEntryName, name.data(), name.size());
            used += entrySize(name);
        }
        payload::writeI32(at + payload::kPageUsedBytes, used);
        if (p == 0) {
            payload::writeI32(at + payload::kRootReserved1, -1);
            payload::writeI32(at + payload::kRootReserved2, 1);
        }
    }
    return out;
}

}  // namespace azpack
