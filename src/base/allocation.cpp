#include "base/allocation.h"

#include <cstdlib>

namespace {

// One thread only: the counters need no guard.
int32_t allocationsUntilFailure = 0;
int32_t liveBlocks = 0;

}  // namespace

void* allocateBlock(size_t size) {
    if (allocationsUntilFailure > 0 && --allocationsUntilFailure == 0)
        return nullptr;
    void* block = std::malloc(size != 0 ? size : 1);
    if (block)
        ++liveBlocks;
    return block;
}

void freeBlock(void* block) {
    if (!block)
        return;
    --liveBlocks;
    std::free(block);
}

void failNthAllocation(int32_t n) {
    allocationsUntilFailure = n > 0 ? n : 0;
}

int32_t liveBlockCount() {
    return liveBlocks;
}
