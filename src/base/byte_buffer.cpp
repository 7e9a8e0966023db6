#include "base/byte_buffer.h"

#include <cstring>

#include "base/allocation.h"

ByteBuffer::ByteBuffer(uint32_t initialCapacity, uint32_t growthStep)
    : growthStep(growthStep), data(nullptr), capacity(0), length(0) {
    if (initialCapacity != 0)
        grow(initialCapacity);
}

ByteBuffer::~ByteBuffer() {
    freeBlock(data);
}

uint16_t ByteBuffer::grow(uint32_t extra) {
    if (extra == 0)
        return 1;
    return moveTo(uint64_t{capacity} + extra, nullptr, 0);
}

uint16_t ByteBuffer::append(const void* bytes, uint32_t count) {
    if (count == 0)
        return 1;
    if (!bytes)
        return 0;
    const uint64_t needed = uint64_t{length} + count;
    if (needed > capacity)
        return moveTo(needed + growthStep, bytes, count);
    std::memmove(data + length, bytes, count);
    length += count;
    return 1;
}

// Takes the new block before freeing the old one, so a failure keeps the old
// contents and appended bytes may come from the old block.
uint16_t ByteBuffer::moveTo(uint64_t newCapacity, const void* bytes, uint32_t count) {
    if (newCapacity > UINT32_MAX)
        return 0;
    auto* block = static_cast<unsigned char*>(allocateBlock(static_cast<size_t>(newCapacity)));
    if (!block)
        return 0;
    if (length != 0)
        std::memcpy(block, data, length);
    if (count != 0)
        std::memcpy(block + length, bytes, count);
    freeBlock(data);
    data = block;
    capacity = static_cast<uint32_t>(newCapacity);
    length += count;
    return 1;
}
