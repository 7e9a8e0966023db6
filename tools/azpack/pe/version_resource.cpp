#include "pe/version_resource.h"

#include <cstring>

namespace azpack {

namespace {

constexpr size_t kHeaderSize = 6;
constexpr int kMaxDepth = 4;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedSize = 52;

uint16_t readU16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void putU16(std::vector<unsigned char>* out, size_t at, uint16_t v) {
    (*out)[at] = static_cast<unsigned char>(v);
    (*out)[at + 1] = static_cast<unsigned char>(v >> 8);
}

void putU32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

size_t align4(size_t n) {
    return (n + 3) & ~size_t(3);
}

bool parseBlock(const std::vector<unsigned char>& bytes, size_t at, size_t end, int depth,
                VersionBlock* block, size_t* next) {
    if (depth > kMaxDepth || at + kHeaderSize > end)
        return false;
    size_t length = readU16(&bytes[at]);
    block->valueLength = readU16(&bytes[at + 2]);
    block->type = readU16(&bytes[at + 4]);
    if (length < kHeaderSize || at + length > end || block->type > 1)
        return false;
    size_t blockEnd = at + length;
    size_t p = at + kHeaderSize;
    for (;;) {
        if (p + 2 > blockEnd)
            return false;
        char16_t c = readU16(&bytes[p]);
        p += 2;
        if (c == 0)
            break;
        block->key.push_back(c);
    }
    p = align4(p);
    size_t valueBytes = block->type == 1 ? size_t(block->valueLength) * 2 : block->valueLength;
    if (valueBytes > 0) {
        if (p + valueBytes > blockEnd)
            return false;
        block->value.assign(bytes.begin() + p, bytes.begin() + p + valueBytes);
        p += valueBytes;
    }
    p = align4(p);
    while (p < blockEnd) {
        VersionBlock child;
        size_t after = 0;
        if (!parseBlock(bytes, p, blockEnd, depth + 1, &child, &after))
            return false;
        block->children.push_back(std::move(child));
        p = align4(after);
    }
    *next = blockEnd;
    return true;
}

void writeBlock(const VersionBlock& block, std::vector<unsigned char>* out) {
    out->resize(align4(out->size()));
    size_t start = out->size();
    out->resize(start + kHeaderSize);
    for (char16_t c : block.key) {
        out->push_back(static_cast<unsigned char>(c));
        out->push_back(static_cast<unsigned char>(c >> 8));
    }
    out->push_back(0);
    out->push_back(0);
    out->resize(align4(out->size()));
    out->insert(out->end(), block.value.begin(), block.value.end());
    for (const VersionBlock& child : block.children)
        writeBlock(child, out);
    putU16(out, start, static_cast<uint16_t>(out->size() - start));
    putU16(out, start + 2, block.valueLength);
    putU16(out, start + 4, block.type);
}

std::u16string widen(const std::string& ascii) {
    std::u16string text;
    for (unsigned char c : ascii)
        text.push_back(c);
    return text;
}

// UTF-8 to UTF-16; the texts were checked as UTF-8 before.
std::u16string utf16(const std::string& utf8) {
    std::u16string text;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t code = c;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (more > 0)
            code = c & (0x3F >> more);
        ++i;
        for (int k = 0; k < more && i < utf8.size(); ++k, ++i)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
    }
    return text;
}

VersionBlock* child(VersionBlock* block, const std::u16string& key) {
    for (VersionBlock& c : block->children) {
        if (c.key == key)
            return &c;
    }
    return nullptr;
}

VersionBlock* firstStringTable(VersionBlock* root) {
    VersionBlock* strings = child(root, u"StringFileInfo");
    if (strings == nullptr || strings->children.empty())
        return nullptr;
    return &strings->children.front();
}

void setString(VersionBlock* table, const std::string& key, const std::string& utf8) {
    if (utf8.empty())
        return;
    std::u16string wideKey = widen(key);
    VersionBlock* block = child(table, wideKey);
    if (block == nullptr) {
        table->children.emplace_back();
        block = &table->children.back();
        block->key = wideKey;
    }
    std::u16string text = utf16(utf8);
    text.push_back(0);
    block->type = 1;
    block->valueLength = static_cast<uint16_t>(text.size());
    block->value.clear();
    for (char16_t c : text) {
        block->value.push_back(static_cast<unsigned char>(c));
        block->value.push_back(static_cast<unsigned char>(c >> 8));
    }
}

}  // namespace

bool parseVersionResource(const std::vector<unsigned char>& bytes, VersionBlock* root) {
    *root = VersionBlock();
    size_t next = 0;
    return !bytes.empty() && bytes.size() <= 0xFFFF &&
           parseBlock(bytes, 0, bytes.size(), 0, root, &next);
}

std::vector<unsigned char> writeVersionResource(const VersionBlock& root) {
    std::vector<unsigned char> out;
    writeBlock(root, &out);
    return out;
}

std::string versionString(const VersionBlock& root, const std::string& key) {
    VersionBlock* table = firstStringTable(const_cast<VersionBlock*>(&root));
    if (table == nullptr)
        return {};
    VersionBlock* block = child(table, widen(key));
    if (block == nullptr)
        return {};
    std::string text;
    for (size_t i = 0; i + 1 < block->value.size(); i += 2) {
        uint16_t c = readU16(&block->value[i]);
        if (c == 0)
            break;
        text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return text;
}

bool parseVersionNumbers(const std::string& text, uint16_t (&parts)[4]) {
    for (uint16_t& part : parts)
        part = 0;
    size_t count = 0;
    size_t i = 0;
    while (count < 4) {
        uint32_t value = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 6) {
            value = value * 10 + uint32_t(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || value > 0xFFFF)
            return false;
        parts[count++] = static_cast<uint16_t>(value);
        if (i == text.size())
            return true;
        if (text[i] != '.')
            return false;
        ++i;
    }
    return false;
}

bool applyVersionFace(const VersionFace& face, VersionBlock* root, std::string* error) {
    VersionBlock* table = firstStringTable(root);
    if (root->value.size() < kFixedSize || table == nullptr) {
        *error = "its version resource has no fixed part or no string table";
        return false;
    }
    uint32_t signature = 0;
    for (int i = 3; i >= 0; --i)
        signature = (signature << 8) | root->value[i];
    if (signature != kFixedSignature) {
        *error = "its version resource has no VS_FIXEDFILEINFO";
        return false;
    }
    if (!face.productVersion.empty()) {
        uint16_t parts[4];
        if (!parseVersionNumbers(face.productVersion, parts)) {
            *error = "version '" + face.productVersion + "' is not up to four numbers";
            return false;
        }
        uint32_t high = uint32_t(parts[0]) << 16 | parts[1];
        uint32_t low = uint32_t(parts[2]) << 16 | parts[3];
        // dwFileVersionMS/LS at 8, dwProductVersionMS/LS at 16.
        putU32(&root->value[8], high);
        putU32(&root->value[12], low);
        putU32(&root->value[16], high);
        putU32(&root->value[20], low);
        setString(table, "FileVersion", face.productVersion);
        setString(table, "ProductVersion", face.productVersion);
    }
    setString(table, "ProductName", face.productName);
    setString(table, "CompanyName", face.company);
    setString(table, "FileDescription", face.description);
    setString(table, "LegalCopyright", face.copyright);
    return true;
}

}  // namespace azpack
