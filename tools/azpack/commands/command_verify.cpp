#include <cstdio>

#include "commands/command_line.h"
#include "commands/commands.h"
#include "commands/payload_operand.h"
#include "read/payload_verify.h"

namespace azpack {

namespace {

const char kHelp[] =
    "Usage: azpack verify FILE\n"
    "\n"
    "Checks a payload, or the payload of an installer executable, completely: the\n"
    "signature, the header record, every page and entry of the entry table, the\n"
    "names, the placement of every chunk, and decodes every chunk. Names the first\n"
    "fault found and exits with status 1.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 valid, 1 a fault or unreadable input, 2 a usage error.\n";

}  // namespace

int runVerify(const std::vector<std::string>& arguments) {
    std::vector<std::string> operands;
    int early = readOperandsOnly("verify", arguments, kHelp, 1, "one FILE", &operands);
    if (early >= 0)
        return early;

    PayloadFile payloadFile;
    if (!openPayloadOperand(operands[0], &payloadFile))
        return kExitInputProblem;
    std::string error;
    PayloadIndex index;
    uint64_t decoded = 0;
    if (!verifyPayload(payloadFile, &index, &decoded, &error)) {
        reportError(payloadFile.name() + ": " + error);
        return kExitInputProblem;
    }
    std::printf("%s: valid payload, %zu entries, %llu bytes of files\n", payloadFile.name().c_str(),
                index.entries.size(), static_cast<unsigned long long>(decoded));
    return kExitSuccess;
}

}  // namespace azpack
