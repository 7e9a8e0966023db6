// The payload checksum: found wherever the copy's pieces are cut, checked
// before anything is handed over, and absent from older payloads.
#include "payload/payload_checksum.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "payload/extract.h"
#include "payload/layout.h"
#include "payload_builder.h"
#include "scratch_folder.h"

using namespace testpayload;

namespace {

uint32_t crcOf(const Bytes& bytes, size_t from) {
    return static_cast<uint32_t>(
        crc32(0, bytes.data() + from, static_cast<uInt>(bytes.size() - from)));
}

// The payload as azpack makes it: the table's last root words carry the
// data area's CRC-32 and the mark.
Bytes withChecksum(const BuiltPayload& built) {
    Bytes data(built.bytes.begin() + built.dataStart, built.bytes.end());
    Bytes table = built.table;
    payload::writeU32(table.data() + payload::kRootReserved1, crcOf(data, 0));
    payload::writeU32(table.data() + payload::kRootReserved2, payload::kChecksumMark);
    return payloadBytes(chunk(headerBytes()), chunk(table), data);
}

// 24 + both chunks' compressed sizes.
size_t dataStartOf(const Bytes& bytes) {
    uint32_t headerStream = payload::readU32(&bytes[12]);
    return 24 + headerStream + payload::readU32(&bytes[16 + headerStream + 4]);
}

BuiltPayload sample() {
    return filePayload({{"a.txt", textBytes("premier")},
                        {"big.bin", textBytes(std::string(300000, 'b'))},
                        {"z\\last.txt", textBytes("dernier")}});
}

class PayloadChecksumTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (stream != nullptr)
            fclose(stream);
    }
    int extract(const Bytes& bytes) {
        writeFile(copy, bytes);
        TextBuffer path(copy.c_str());
        return extractPayload(nullptr, path, header, index.c_str(), stream, dataStart);
    }

    ScratchFolder folder;
    std::string copy = folder.path("TARCH.AZ");
    std::string index = folder.path("index.AX");
    payload::PayloadHeader header{};
    FILE* stream = nullptr;
    int32_t dataStart = 0;
};

}  // namespace

TEST_F(PayloadChecksumTest, TheDataAreaIsSummedWhereverThePiecesAreCut) {
    Bytes bytes = withChecksum(sample());
    size_t start = dataStartOf(bytes);
    ASSERT_LT(start, bytes.size());
    for (size_t piece : {size_t(1), size_t(3), size_t(7), size_t(4096), bytes.size()}) {
        PayloadChecksum checksum;
        for (size_t at = 0; at < bytes.size(); at += piece)
            checksum.add(bytes.data() + at, std::min(piece, bytes.size() - at));
        uint32_t value = 0;
        ASSERT_EQ(1, checksum.dataChecksum(start, value)) << piece;
        EXPECT_EQ(crcOf(bytes, start), value) << piece;
        EXPECT_EQ(0, checksum.dataChecksum(start + 1, value));
    }
    PayloadChecksum partial;
    partial.add(bytes.data(), 20);
    uint32_t value = 0;
    EXPECT_EQ(0, partial.dataChecksum(start, value));
}

TEST_F(PayloadChecksumTest, OneChangedByteLateInTheDataIsRefusedBeforeAnythingIsHandedOver) {
    Bytes bytes = withChecksum(sample());
    ASSERT_EQ(kExtracted, extract(bytes));
    fclose(stream);
    stream = nullptr;
    std::remove(index.c_str());

    bytes[bytes.size() - 5] ^= 0x01;
    EXPECT_EQ(kExtractDamaged, extract(bytes));
    EXPECT_EQ(nullptr, stream);
    EXPECT_EQ(0, dataStart);
    EXPECT_EQ(nullptr, std::fopen(index.c_str(), "rb"));
}

TEST_F(PayloadChecksumTest, APayloadWithoutTheMarkIsReadAsBefore) {
    Bytes bytes = sample().bytes;
    bytes[bytes.size() - 5] ^= 0x01;  // found only when its entry is written
    EXPECT_EQ(kExtracted, extract(bytes));
}
