// The checksum of a payload's data area (layout.h), taken from the payload's
// bytes as they pass in order, so that copying the payload is the only pass
// over it. The two chunk prefixes before the data are read on the way to
// find where the data area starts.
#ifndef AZ_PAYLOAD_PAYLOAD_CHECKSUM_H
#define AZ_PAYLOAD_PAYLOAD_CHECKSUM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

class PayloadChecksum {
  public:
    // The next `count` bytes of the payload, in order from its first byte.
    void add(const unsigned char* bytes, size_t count);

    // 1 with the CRC-32 of the bytes from the data start to the last byte
    // added, when the data start lies at `dataStart`; 0 when the bytes added
    // did not reach that far or place the data start elsewhere.
    int dataChecksum(uint64_t dataStart, uint32_t& checksum) const;

  private:
    // Takes the part of [position_, position_ + count) that lies in the
    // 4-byte field at fieldAt_; 1 once the field is whole.
    int takeField(const unsigned char* bytes, size_t count);

    uint64_t position_ = 0;  // bytes added so far
    uint64_t fieldAt_ = 12;  // header chunk's compressed size, then the table's
    uint32_t field_ = 0;
    int fieldBytes_ = 0;
    int fieldsRead_ = 0;
    uint64_t dataStart_ = 0;  // known once both fields are read
    uint32_t crc_ = 0;
};

// Feeds `stream` from its current position to its end into `checksum`. 1
// when read to the end; 0 on a read error.
int addStreamToChecksum(PayloadChecksum& checksum, std::FILE* stream);

#endif
