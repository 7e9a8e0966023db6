#include <cstdio>

#include "commands/command_line.h"
#include "commands/commands.h"
#include "commands/payload_operand.h"
#include "names/code_page.h"
#include "names/windows_names.h"

namespace azpack {

namespace {

namespace fs = std::filesystem;

const char kHelp[] =
    "Usage: azpack extract FILE DIR\n"
    "\n"
    "Writes the files of a payload, or of an installer executable's payload, into\n"
    "DIR, which must be missing or empty. Backslashes in entry names become\n"
    "folders. Every name is checked before anything is written: absolute names,\n"
    "drive or stream colons, '.' and '..', empty folder names, device names and\n"
    "other names Windows cannot store are refused. A file whose data fails to\n"
    "decode is removed and extraction stops.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 success, 1 a problem with the input, 2 a usage error.\n";

class FileOutput : public ChunkOutput {
  public:
    explicit FileOutput(OutputFile* file) : file_(file) {}
    bool write(const unsigned char* data, size_t size, std::string* reason) override {
        return file_->write(data, size, reason);
    }

  private:
    OutputFile* file_;
};

fs::path targetPath(const fs::path& folder, const std::string& name) {
    fs::path path = folder;
    size_t start = 0;
    while (true) {
        size_t end = name.find('\\', start);
        std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        path /= fs::u8path(cp1252ToUtf8(part));
        if (end == std::string::npos)
            return path;
        start = end + 1;
    }
}

bool writeEntry(PayloadFile& payloadFile, const PayloadIndex& index, const PayloadEntry& entry,
                const fs::path& target, std::string* error) {
    if (!makeFolders(target.parent_path(), error))
        return false;
    OutputFile file;
    if (!file.createNew(target, error))
        return false;
    FileOutput output(&file);
    std::string reason;
    bool ok = decodeChunk(payloadFile, index.dataStart + uint64_t(entry.value), entry.chunk,
                          &output, &reason);
    if (!ok)
        *error = payloadFile.name() + ": entry " + quoteName(entry.name) + ": " + reason;
    ok = file.close(ok ? error : &reason) && ok;
    if (!ok) {
        std::error_code code;
        fs::remove(target, code);
    }
    return ok;
}

}  // namespace

int runExtract(const std::vector<std::string>& arguments) {
    std::vector<std::string> operands;
    int early = readOperandsOnly("extract", arguments, kHelp, 2, "FILE and DIR", &operands);
    if (early >= 0)
        return early;

    PayloadFile payloadFile;
    PayloadIndex index;
    if (!readPayloadOperand(operands[0], &payloadFile, &index))
        return kExitInputProblem;
    for (const PayloadEntry& entry : index.entries) {
        std::string problem = entryNameProblem(entry.name);
        if (!problem.empty()) {
            reportError(payloadFile.name() + ": unsafe entry name " + quoteName(entry.name) + ": " +
                        problem);
            return kExitInputProblem;
        }
    }
    fs::path folder = fs::u8path(operands[1]);
    std::error_code code;
    if (fs::exists(fs::symlink_status(folder, code))) {
        if (!fs::is_directory(fs::symlink_status(folder, code))) {
            reportError(operands[1] + ": not a folder");
            return kExitInputProblem;
        }
        if (!fs::is_empty(folder, code) || code) {
            reportError(operands[1] + ": folder is not empty");
            return kExitInputProblem;
        }
    }
    std::string error;
    if (!makeFolders(folder, &error)) {
        reportError(error);
        return kExitInputProblem;
    }
    for (const PayloadEntry& entry : index.entries) {
        if (!writeEntry(payloadFile, index, entry, targetPath(folder, entry.name), &error)) {
            reportError(error);
            return kExitInputProblem;
        }
    }
    std::printf("%s: %zu files written into %s\n", payloadFile.name().c_str(), index.entries.size(),
                operands[1].c_str());
    return kExitSuccess;
}

}  // namespace azpack
