#include "base/pointer_list.h"

#include "base/allocation.h"

PointerList::~PointerList() {
    while (head) {
        ListNode* next = head->next;
        destroyObject(head);
        head = next;
    }
    count = 0;
}

int32_t PointerList::add(void* item) {
    if (!item)
        return -1;
    ListNode* node = createObject<ListNode>(ListNode{item, nullptr});
    if (!node)
        return -1;
    ListNode** link = &head;
    while (*link)
        link = &(*link)->next;
    *link = node;
    return count++;
}

void* ListCursor::next() {
    if (!node)
        return nullptr;
    void* item = node->item;
    node = node->next;
    return item;
}
