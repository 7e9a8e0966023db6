// Every heap block of the foundation types comes from here, so that running
// out of memory can be staged in tests: each type keeps its own rule for a
// block it cannot have (see its header).
#ifndef AZ_BASE_ALLOCATION_H
#define AZ_BASE_ALLOCATION_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

// A block of `size` bytes (at least one is taken), or nullptr when none can
// be had. Never throws.
void* allocateBlock(size_t size);
// Gives a block back; nullptr is ignored.
void freeBlock(void* block);

// Test hooks. failNthAllocation(n): the n-th allocation from now (1 = the
// next one) fails, once; 0 cancels a pending failure. liveBlockCount(): the
// blocks handed out and not yet given back.
void failNthAllocation(int32_t n);
int32_t liveBlockCount();

// An object in a block of its own; nullptr when no block could be had.
template <typename T, typename... Args>
T* createObject(Args&&... args) {
    void* block = allocateBlock(sizeof(T));
    return block ? new (block) T(std::forward<Args>(args)...) : nullptr;
}

// Ends an object made by createObject; nullptr is ignored.
template <typename T>
void destroyObject(T* object) {
    if (object) {
        object->~T();
        freeBlock(object);
    }
}

#endif
