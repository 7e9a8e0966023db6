// The PE image checksum (the optional header's CheckSum field): the file's
// 16-bit little-endian words summed with end-around carry, plus the file
// length. Fed in pieces as the file is written, with the field itself zero.
#ifndef AZPACK_PE_CHECKSUM_H
#define AZPACK_PE_CHECKSUM_H

#include <cstddef>
#include <cstdint>

namespace azpack {

class PeChecksum {
  public:
    void add(const unsigned char* data, size_t size);
    uint32_t finish() const;

  private:
    uint64_t sum_ = 0;
    uint64_t length_ = 0;
    bool odd_ = false;  // a low byte is waiting for its high byte
    unsigned char pending_ = 0;
};

}  // namespace azpack

#endif
