// PointerList: a singly linked list of item pointers. The list owns its nodes,
// never the items; a list never holds a null item, so a cursor's null means
// the end. There is no tail pointer: adding walks to the last node.
#ifndef AZ_BASE_POINTER_LIST_H
#define AZ_BASE_POINTER_LIST_H

#include <cstdint>

struct ListNode {
    void* item;
    ListNode* next;
};

class PointerList {
  public:
    PointerList() : head(nullptr), count(0) {}
    // Frees every node, leaving the items alone.
    virtual ~PointerList();
    PointerList(const PointerList&) = delete;
    PointerList& operator=(const PointerList&) = delete;

    // Puts `item` after the last node: its index (count - 1), or -1 when no
    // node could be had or the item is null.
    int32_t add(void* item);

    ListNode* head;
    int32_t count;
};

// Walks a list from its head. The list must outlive the cursor and keep the
// node the cursor stands on.
class ListCursor {
  public:
    explicit ListCursor(const PointerList& list) : node(list.head) {}
    // The item of the current node, moving on; nullptr at the end.
    void* next();

    ListNode* node;
};

#endif
