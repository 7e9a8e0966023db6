#include "write/signing.h"

#include "io/shell_command.h"

namespace azpack {

namespace {

const char kIn[] = "{in}";
const char kOut[] = "{out}";

std::string replaceAll(std::string text, const std::string& mark, const std::string& by) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + by.size()))
        text.replace(at, mark.size(), by);
    return text;
}

bool isProgram(const std::filesystem::path& path) {
    InputFile file;
    std::string ignored;
    unsigned char magic[2] = {0, 0};
    return file.open(path, &ignored) && file.size() > 64 && file.readExact(0, magic, 2, &ignored) &&
           magic[0] == 'M' && magic[1] == 'Z';
}

}  // namespace

std::string signCommandProblem(const std::string& command) {
    if (command.find(kIn) == std::string::npos || command.find(kOut) == std::string::npos)
        return "--sign-command wants {in} and {out} where the command takes the file to sign "
               "and the signed file to write";
    return "";
}

bool signFile(const std::string& command, const std::filesystem::path& unsignedFile,
              const std::filesystem::path& output, TemporaryFile* signedCopy, std::string* error) {
    // The name is taken now, so that no one else gets it; the command
    // writes the file anew.
    if (!signedCopy->create(output, "signed", error) || !signedCopy->file().close(error))
        return false;
    std::error_code code;
    std::filesystem::remove(signedCopy->path(), code);
    std::string line = replaceAll(replaceAll(command, kIn, shellQuote(unsignedFile)), kOut,
                                  shellQuote(signedCopy->path()));
    std::string how;
    if (!runShellCommand(line, &how)) {
        *error = displayPath(unsignedFile) + ": the signing command failed (" + how + "): " + line;
        return false;
    }
    if (!isProgram(signedCopy->path())) {
        *error =
            displayPath(unsignedFile) + ": the signing command wrote no program at {out}: " + line;
        return false;
    }
    return true;
}

bool signAndCommit(const std::string& command, TemporaryFile* built,
                   const std::filesystem::path& output, std::string* error) {
    TemporaryFile signedCopy;
    return built->file().close(error) &&
           signFile(command, built->path(), output, &signedCopy, error) &&
           signedCopy.commitAs(output, error);
}

}  // namespace azpack
