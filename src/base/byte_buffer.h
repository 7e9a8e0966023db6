// ByteBuffer: owned raw bytes, collected by appending. Zero bytes are
// ordinary content; nothing is terminated.
//
// Every growth reserves `growthStep` bytes beyond what the append needs, so
// a run of small appends reallocates at most once per step. Results are
// 16-bit flags: 1 done, 0 out of memory (a size beyond 32 bits counts as out
// of memory), and a failure leaves data, capacity and length as they were.
#ifndef AZ_BASE_BYTE_BUFFER_H
#define AZ_BASE_BYTE_BUFFER_H

#include <cstdint>

class ByteBuffer {
  public:
    // Grows by `initialCapacity` when it is not 0; should that fail, the
    // buffer starts without a block and the first append tries again.
    ByteBuffer(uint32_t initialCapacity, uint32_t growthStep);
    virtual ~ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // A block of capacity + extra bytes keeping the contents. 0 extra: 1,
    // nothing changes.
    uint16_t grow(uint32_t extra);
    // Adds `count` bytes at `length`; when they do not fit, the capacity
    // becomes length + count + growthStep. `bytes` may lie inside the
    // buffer's own block. 0 bytes: 1, nothing changes; nullptr with a count: 0.
    uint16_t append(const void* bytes, uint32_t count);

    uint32_t growthStep;
    unsigned char* data;
    uint32_t capacity;
    uint32_t length;

  private:
    uint16_t moveTo(uint64_t newCapacity, const void* bytes, uint32_t count);
};

#endif
