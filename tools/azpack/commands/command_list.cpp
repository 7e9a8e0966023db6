#include <cstdio>

#include "commands/command_line.h"
#include "commands/commands.h"
#include "commands/payload_operand.h"
#include "names/code_page.h"

namespace azpack {

namespace {

const char kHelp[] =
    "Usage: azpack list FILE\n"
    "\n"
    "Shows the header fields and every entry (name, value, sizes) of a payload or\n"
    "of an installer executable. Texts are shown in UTF-8.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 success, 1 a problem with the input, 2 a usage error.\n";

void printText(const char* label, const PayloadIndex& index, size_t offset, size_t width) {
    std::printf("%-16s %s\n", label, cp1252ToUtf8(headerText(index, offset, width)).c_str());
}

}  // namespace

int runList(const std::vector<std::string>& arguments) {
    std::vector<std::string> operands;
    int early = readOperandsOnly("list", arguments, kHelp, 1, "one FILE", &operands);
    if (early >= 0)
        return early;

    PayloadFile payloadFile;
    PayloadIndex index;
    if (!readPayloadOperand(operands[0], &payloadFile, &index))
        return kExitInputProblem;

    using payload::PayloadHeader;
    std::printf("%-16s %llu bytes", "payload", static_cast<unsigned long long>(payloadFile.size()));
    if (payloadFile.inExecutable())
        std::printf(" (resource at file offset %llu)",
                    static_cast<unsigned long long>(payloadFile.offset()));
    std::printf("\n%-16s %u\n", "header size",
                payload::readU32(index.header + offsetof(PayloadHeader, size)));
    printText("language", index, offsetof(PayloadHeader, language),
              sizeof(PayloadHeader::language));
    printText("main program", index, offsetof(PayloadHeader, mainProgram),
              sizeof(PayloadHeader::mainProgram));
    printText("install folder", index, offsetof(PayloadHeader, installFolder),
              sizeof(PayloadHeader::installFolder));
    std::printf("%-16s", "reserved");
    for (int i = 0; i < 5; ++i)
        std::printf(" %d",
                    payload::readI32(index.header + offsetof(PayloadHeader, reserved) + 4 * i));
    std::printf("\n");
    printText("product name", index, offsetof(PayloadHeader, productName),
              sizeof(PayloadHeader::productName));
    printText("favorites name", index, offsetof(PayloadHeader, favoritesName),
              sizeof(PayloadHeader::favoritesName));
    printText("icon file", index, offsetof(PayloadHeader, iconFile),
              sizeof(PayloadHeader::iconFile));
    printText("start menu name", index, offsetof(PayloadHeader, startMenuName),
              sizeof(PayloadHeader::startMenuName));
    std::printf("%-16s %llu\n", "data start", static_cast<unsigned long long>(index.dataStart));
    std::printf("%-16s %d page%s, %d level%s, %u bytes\n", "entry table", index.pageCount,
                index.pageCount == 1 ? "" : "s", index.depth, index.depth == 1 ? "" : "s",
                index.tableChunk.uncompressedSize);
    if (index.hasChecksum)
        std::printf("%-16s CRC-32 %08X of the data area\n", "checksum", index.checksum);
    else
        std::printf("%-16s none\n", "checksum");
    std::printf("%-16s %zu\n", "entries", index.entries.size());
    if (!index.entries.empty())
        std::printf("%11s %11s %11s  %s\n", "value", "size", "compressed", "name");
    for (const PayloadEntry& entry : index.entries) {
        std::printf("%11d %11u %11u  %s\n", entry.value, entry.chunk.uncompressedSize,
                    entry.chunk.compressedSize, cp1252ToUtf8(entry.name).c_str());
    }
    return kExitSuccess;
}

}  // namespace azpack
