// The version resource read from a program's bytes: found in a well-formed
// image, and never read past the bytes whatever the image claims.
#include "base/program_version.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& b, size_t at, uint32_t v) {
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
void pad4(Bytes& b) {
    b.resize((b.size() + 3) & ~size_t(3));
}

// One version block: length, value length, type, key, value, children.
Bytes block(const std::string& key, const Bytes& value, bool text,
            const std::vector<Bytes>& children) {
    Bytes b(6);
    for (char c : key)
        put16(b, b.size(), static_cast<unsigned char>(c));
    put16(b, b.size(), 0);
    pad4(b);
    b.insert(b.end(), value.begin(), value.end());
    put16(b, 2, static_cast<uint32_t>(text ? value.size() / 2 : value.size()));
    put16(b, 4, text ? 1 : 0);
    for (const Bytes& child : children) {
        pad4(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    put16(b, 0, static_cast<uint32_t>(b.size()));
    return b;
}

Bytes textValue(const std::string& name, const std::string& text) {
    Bytes value;
    for (char c : text)
        put16(value, value.size(), static_cast<unsigned char>(c));
    put16(value, value.size(), 0);
    return block(name, value, true, {});
}

// A PE32 executable with one section holding a version resource.
Bytes image(uint32_t major, const std::string& internalName) {
    Bytes fixed(52);
    put32(fixed, 0, 0xFEEF04BD);
    put32(fixed, 8, major << 16);
    Bytes info = block("VS_VERSION_INFO", fixed, false,
                       {block("StringFileInfo", {}, true,
                              {block("040C04E4", {}, true,
                                     {textValue("InternalName", internalName),
                                      textValue("ProductName", "azsetup")})})});
    Bytes rsrc(0x58);
    put16(rsrc, 14, 1), put32(rsrc, 16, 16), put32(rsrc, 20, 0x80000018);  // type 16
    put16(rsrc, 0x18 + 14, 1), put32(rsrc, 0x28, 1), put32(rsrc, 0x2C, 0x80000030);
    put16(rsrc, 0x30 + 14, 1), put32(rsrc, 0x40, 0x40C), put32(rsrc, 0x44, 0x48);
    put32(rsrc, 0x48, 0x1000 + 0x58), put32(rsrc, 0x4C, static_cast<uint32_t>(info.size()));
    rsrc.insert(rsrc.end(), info.begin(), info.end());

    Bytes b(0x200);
    b[0] = 'M', b[1] = 'Z';
    put32(b, 0x3C, 0x40);
    put32(b, 0x40, 0x4550);
    put16(b, 0x44, 0x14C), put16(b, 0x46, 1), put16(b, 0x54, 224), put16(b, 0x56, 0x0102);
    const size_t optional = 0x58;
    put16(b, optional, 0x10B);
    put32(b, optional + 92, 16);
    put32(b, optional + 96 + 16, 0x1000), put32(b, optional + 96 + 20, uint32_t(rsrc.size()));
    const size_t section = optional + 224;
    put32(b, section + 8, uint32_t(rsrc.size())), put32(b, section + 12, 0x1000);
    put32(b, section + 16, uint32_t(rsrc.size())), put32(b, section + 20, 0x200);
    b.insert(b.end(), rsrc.begin(), rsrc.end());
    return b;
}

}  // namespace

TEST(ProgramVersionTest, ReadsTheFixedVersionAndTheNames) {
    Bytes bytes = image(7, "TAVUUNINSTALL");
    ProgramVersion version;
    ASSERT_EQ(1, readProgramVersion(bytes.data(), bytes.size(), version));
    EXPECT_EQ(uint64_t(7) << 48, version.fileVersion);
    EXPECT_STREQ("TAVUUNINSTALL", version.internalName);
    EXPECT_STREQ("azsetup", version.productName);
    EXPECT_STREQ("", version.originalName);
}

TEST(ProgramVersionTest, CutOrDamagedImagesStayWithinTheirBytes) {
    const Bytes whole = image(1, "TAVUUNINSTALL");
    ProgramVersion version;
    for (size_t size = 0; size < whole.size(); ++size) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<long>(size));
        EXPECT_EQ(0, readProgramVersion(cut.data(), cut.size(), version)) << size;
    }
    for (size_t at = 0; at < whole.size(); ++at) {  // no crash, whatever the answer
        Bytes damaged = whole;
        damaged[at] ^= 0xFF;
        readProgramVersion(damaged.data(), damaged.size(), version);
    }
    Bytes dll = whole;
    put16(dll, 0x56, 0x2102);
    EXPECT_EQ(0, readProgramVersion(dll.data(), dll.size(), version));
    EXPECT_EQ(0, readProgramVersion(nullptr, 100, version));
}
