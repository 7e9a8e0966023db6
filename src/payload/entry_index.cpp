#include "payload/entry_index.h"

#include "base/allocation.h"
#include "payload/index_file.h"

EntryIndex::EntryIndex(const char* path, int forceCreate) : file(nullptr), backward(0) {
    IndexFile* opened = createObject<IndexFile>();
    if (opened == nullptr || path == nullptr) {
        destroyObject(opened);
        return;
    }
    int ok = (forceCreate == 0 && fileExists(path)) ? openExisting(path, *opened)
                                                    : createNew(path, *opened);
    if (!ok) {
        destroyObject(opened);
        return;
    }
    file = opened;
}

EntryIndex::EntryIndex(int descriptor) : file(nullptr), backward(0) {
    IndexFile* opened = createObject<IndexFile>();
    if (opened == nullptr || descriptor < 0 || !openOnDescriptor(descriptor, *opened)) {
        destroyObject(opened);
        return;
    }
    file = opened;
}

EntryIndex::~EntryIndex() {
    if (file != nullptr) {
        closeIndex(*file);
        destroyObject(file);
    }
}

void EntryIndex::setDirection(int backwardFlag) {
    backward = backwardFlag;
    if (file == nullptr)
        return;
    if (backward)
        rewindToEnd(*file);
    else
        rewindToStart(*file);
}

int EntryIndex::isDamaged() const {
    return file != nullptr && file->damaged ? 1 : 0;
}

int EntryIndex::next(TextBuffer& name, int32_t& value) {
    if (file == nullptr)
        return 0;
    EntryRecord record;
    int result = backward ? stepBackward(record, *file) : stepForward(record, *file);
    if (result != 1)
        return 0;
    name.assign(record.name);
    value = record.value;
    return 1;
}
