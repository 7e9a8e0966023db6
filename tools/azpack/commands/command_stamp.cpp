#include <cstdio>
#include <cstring>

#include "commands/command_line.h"
#include "commands/commands.h"
#include "payload/layout.h"
#include "pe/pe_stamp.h"
#include "read/payload_file.h"

namespace azpack {

namespace {

const char kHelp[] =
    "Usage: azpack stamp STUB.exe PAYLOAD -o SETUP.exe\n"
    "\n"
    "Writes a copy of the installer program STUB.exe with PAYLOAD as its resource\n"
    "QX_TYPE / QX_AZARCH (language 1036), replacing any payload it carried and\n"
    "keeping its other resources. PAYLOAD is a payload file or an installer whose\n"
    "payload is taken. Works on 32-bit and 64-bit programs. A signed STUB.exe is\n"
    "refused: stamp the unsigned program, then sign SETUP.exe.\n"
    "\n"
    "Options:\n"
    "  -o, --output SETUP.exe  file to write (replaced only on success)\n"
    "  -h, --help              show this help\n"
    "\n"
    "Exit status: 0 success, 1 a problem with the input, 2 a usage error.\n";

}  // namespace

int runStamp(const std::vector<std::string>& arguments) {
    OptionReader reader("stamp", arguments);
    std::vector<std::string> operands;
    std::string output;
    while (!reader.atEnd() && !reader.failed()) {
        if (reader.takeFlag("--help", "-h")) {
            std::fputs(kHelp, stdout);
            return kExitSuccess;
        }
        if (!reader.takeValue("--output", "-o", &output))
            reader.takeOperand(&operands);
    }
    if (!reader.failed() && operands.size() != 2)
        reader.setError("wants STUB.exe and PAYLOAD");
    if (!reader.failed() && output.empty())
        reader.setError("-o SETUP.exe missing");
    if (reader.failed())
        return reader.reportUsage();

    std::filesystem::path stub = std::filesystem::u8path(operands[0]);
    std::string error;
    PayloadFile source;
    if (!source.open(std::filesystem::u8path(operands[1]), &error)) {
        reportError(error);
        return kExitInputProblem;
    }
    unsigned char signature[payload::kSignatureCheckedBytes];
    std::string reason;
    if (!source.read(0, signature, sizeof signature, &reason) ||
        std::memcmp(signature, payload::kSignature, sizeof signature) != 0) {
        reportError(source.name() + ": not a payload (no MWZ signature)");
        return kExitInputProblem;
    }
    if (!checkStub(stub, InstallerFace(), &error)) {
        reportError(error);
        return kExitInputProblem;
    }
    PayloadBytes payload;
    payload.file = source.file().path();
    payload.offset = source.offset();
    payload.size = source.size();
    source.file().close();

    std::filesystem::path target = std::filesystem::u8path(output);
    TemporaryFile written;
    if (!written.create(target, "stamp", &error) ||
        !stampInstaller(stub, payload, InstallerFace(), &written.file(), &error) ||
        !written.commitAs(target, &error)) {
        reportError(error);
        return kExitInputProblem;
    }
    std::printf("%s: %s with a payload of %llu bytes\n", output.c_str(), displayPath(stub).c_str(),
                static_cast<unsigned long long>(payload.size));
    return kExitSuccess;
}

}  // namespace azpack
