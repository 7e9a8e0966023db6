#include "pe/pe_checksum.h"

namespace azpack {

namespace {

uint64_t fold(uint64_t sum) {
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return sum;
}

}  // namespace

void PeChecksum::add(const unsigned char* data, size_t size) {
    length_ += size;
    size_t i = 0;
    if (odd_ && size > 0) {
        sum_ += static_cast<uint64_t>(pending_) | static_cast<uint64_t>(data[0]) << 8;
        odd_ = false;
        i = 1;
    }
    uint64_t sum = sum_;
    for (; i + 1 < size; i += 2) {
        sum += static_cast<uint64_t>(data[i]) | static_cast<uint64_t>(data[i + 1]) << 8;
        // Folding now and then keeps the 64-bit sum from overflowing.
        if (sum >> 62)
            sum = fold(sum);
    }
    sum_ = fold(sum);
    if (i < size) {
        pending_ = data[i];
        odd_ = true;
    }
}

uint32_t PeChecksum::finish() const {
    uint64_t sum = sum_;
    if (odd_)
        sum += pending_;
    return static_cast<uint32_t>(fold(sum) + length_);
}

}  // namespace azpack
