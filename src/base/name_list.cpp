#include "base/name_list.h"

#include <utility>

#include "base/allocation.h"
#include "base/matching.h"

NameList::~NameList() {
    endIteration();
    for (ListNode* node = head; node; node = node->next) {
        destroyObject(static_cast<NameEntry*>(node->item));
        node->item = nullptr;
    }
}

void NameList::set(const char* name, const char* value) {
    if (!name)
        return;
    if (NameEntry* entry = find(name)) {
        // Copied aside first: without memory the entry keeps its old value.
        TextBuffer copy(value);
        if (copy.text)
            entry->value = std::move(copy);
        return;
    }
    NameEntry* entry = createObject<NameEntry>(name, value);
    if (!entry)
        return;
    if (!entry->name.text || !entry->value.text || add(entry) < 0)
        destroyObject(entry);
}

NameEntry* NameList::find(const char* name) const {
    if (!name)
        return nullptr;
    ListCursor walk(*this);
    while (auto* entry = static_cast<NameEntry*>(walk.next())) {
        if (entry->name.equalsIgnoreCase(name))
            return entry;
    }
    return nullptr;
}

int32_t NameList::beginIteration() {
    endIteration();
    cursor = createObject<ListCursor>(*this);
    return cursor ? 1 : 0;
}

int32_t NameList::nextEntry(TextBuffer& name, TextBuffer& value) {
    if (!cursor)
        return 0;
    auto* entry = static_cast<NameEntry*>(cursor->next());
    if (entry) {
        name.assign(entry->name);
        value.assign(entry->value);
        if (name.text && value.text) {
            current = entry;
            return 1;
        }
    }
    endIteration();
    return 0;
}

void NameList::endIteration() {
    destroyObject(cursor);
    cursor = nullptr;
    current = nullptr;
}
