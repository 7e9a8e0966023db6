// The entry table as the builder writes it: the image of an index file whose
// forward walk yields the names in plain byte order.
//
// A table that fits one page is the root page alone. A longer one is a search
// tree built bottom-up: the names are packed into leaf pages in order, and the
// name that would overflow a page moves up to separate that page from the
// next; the names moved up are packed the same way into the level above,
// until one level fits the root. Every page below the root holds at least
// one name and every leaf lies at the same depth. Pages follow the root level
// by level from the top, left to right.
#ifndef AZPACK_ENTRY_TABLE_H
#define AZPACK_ENTRY_TABLE_H

#include <cstdint>
#include <string>
#include <vector>

namespace azpack {

class EntryTable {
  public:
    // Plans the pages for `names` (sorted, unique, each at most 1023 bytes).
    // Fails when the tree would need more than 8 levels.
    bool plan(const std::vector<std::string>& names, std::string* error);

    int pageCount() const { return static_cast<int>(pages_.size()); }
    int depth() const { return depth_; }
    size_t imageSize() const;

    // The table image with `values[i]` as the value of `names[i]`.
    std::vector<unsigned char> image(const std::vector<int32_t>& values) const;

  private:
    struct Page {
        std::vector<int> entries;   // indices into names_
        std::vector<int> children;  // page index after each entry, -1 for none
        int leftChild = -1;
    };

    std::vector<std::string> names_;
    std::vector<Page> pages_;  // in file order; the root first
    int depth_ = 0;
};

}  // namespace azpack

#endif
