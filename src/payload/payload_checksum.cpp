#include "payload/payload_checksum.h"

#include <zlib.h>

#include "payload/layout.h"

namespace {

constexpr int kFieldSize = 4;
constexpr size_t kReadPiece = 64 * 1024;

// zlib's crc32 takes 32-bit counts.
uint32_t extendCrc(uint32_t crc, const unsigned char* bytes, size_t count) {
    while (count > 0) {
        uInt piece = static_cast<uInt>(count < 0x40000000u ? count : 0x40000000u);
        crc = static_cast<uint32_t>(crc32(crc, bytes, piece));
        bytes += piece;
        count -= piece;
    }
    return crc;
}

}  // namespace

int PayloadChecksum::takeField(const unsigned char* bytes, size_t count) {
    uint64_t end = position_ + count;
    while (fieldBytes_ < kFieldSize) {
        uint64_t at = fieldAt_ + static_cast<uint64_t>(fieldBytes_);
        if (at < position_ || at >= end)
            return 0;
        field_ |= static_cast<uint32_t>(bytes[at - position_]) << (8 * fieldBytes_);
        ++fieldBytes_;
    }
    return 1;
}

void PayloadChecksum::add(const unsigned char* bytes, size_t count) {
    if (bytes == nullptr || count == 0)
        return;
    while (fieldsRead_ < 2 && takeField(bytes, count)) {
        // Each field is the compressed size of a chunk whose prefix ends at
        // fieldAt_ + 4: the next prefix (or the data) follows its stream.
        uint64_t nextChunk = fieldAt_ + kFieldSize + field_;
        ++fieldsRead_;
        fieldAt_ = nextChunk + kFieldSize;
        dataStart_ = nextChunk;
        field_ = 0;
        fieldBytes_ = 0;
    }
    uint64_t end = position_ + count;
    if (fieldsRead_ == 2 && end > dataStart_) {
        uint64_t skip = dataStart_ > position_ ? dataStart_ - position_ : 0;
        crc_ = extendCrc(crc_, bytes + skip, static_cast<size_t>(count - skip));
    }
    position_ = end;
}

int PayloadChecksum::dataChecksum(uint64_t dataStart, uint32_t& checksum) const {
    if (fieldsRead_ != 2 || dataStart != dataStart_ || position_ < dataStart_)
        return 0;
    checksum = crc_;
    return 1;
}

int addStreamToChecksum(PayloadChecksum& checksum, std::FILE* stream) {
    unsigned char piece[kReadPiece];
    size_t count;
    while ((count = std::fread(piece, 1, sizeof piece, stream)) > 0)
        checksum.add(piece, count);
    return std::ferror(stream) ? 0 : 1;
}
