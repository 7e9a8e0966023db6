#include "pe/pe_checksum.h"

#include <gtest/gtest.h>

#include <vector>

namespace azpack {
namespace {

TEST(PeChecksum, SumsLittleEndianWordsAndAddsTheLength) {
    const unsigned char bytes[] = {0x01, 0x02, 0x03, 0x04};
    PeChecksum sum;
    sum.add(bytes, sizeof bytes);
    EXPECT_EQ(sum.finish(), 0x0201u + 0x0403u + 4u);
}

TEST(PeChecksum, PadsAnOddLastByteAndFoldsCarries) {
    const unsigned char bytes[] = {0xFF, 0xFF, 0x02, 0x00, 0x07};
    PeChecksum sum;
    sum.add(bytes, sizeof bytes);
    // 0xFFFF + 0x0002 = 0x10001 -> 0x0002; + 0x0007 -> 0x0009; + length 5.
    EXPECT_EQ(sum.finish(), 0x0009u + 5u);
}

TEST(PeChecksum, PiecesGiveTheSameSumAsTheWhole) {
    std::vector<unsigned char> data(100001);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 131 + (i >> 7));
    PeChecksum whole;
    whole.add(data.data(), data.size());
    PeChecksum pieces;
    size_t at = 0;
    for (size_t step = 1; at < data.size(); step = step % 13 + 1) {
        size_t count = std::min(step, data.size() - at);
        pieces.add(data.data() + at, count);
        at += count;
    }
    EXPECT_EQ(pieces.finish(), whole.finish());
}

}  // namespace
}  // namespace azpack
