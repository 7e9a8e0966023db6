// Reading a command's arguments: options as "--name VALUE", "--name=VALUE",
// "-x VALUE" or "-xVALUE", flags, "--" before operands that start with '-',
// and the operands themselves. Usage errors are one line.
#ifndef AZPACK_COMMAND_LINE_H
#define AZPACK_COMMAND_LINE_H

#include <string>
#include <vector>

namespace azpack {

enum ExitCode { kExitSuccess = 0, kExitInputProblem = 1, kExitUsage = 2 };

class OptionReader {
  public:
    OptionReader(const std::string& command, std::vector<std::string> arguments);

    bool atEnd() const { return next_ >= arguments_.size(); }
    // A flag such as --help; `shortName` may be nullptr.
    bool takeFlag(const char* longName, const char* shortName);
    // An option with a value; a missing value is a usage error.
    bool takeValue(const char* longName, const char* shortName, std::string* value);
    // The next argument as an operand; an unknown option is a usage error.
    void takeOperand(std::vector<std::string>* operands);

    bool failed() const { return !error_.empty(); }
    // Sets the usage error if none is set yet.
    void setError(const std::string& message);
    // Prints the usage error line on standard error; returns kExitUsage.
    int reportUsage() const;

  private:
    std::string command_;
    std::vector<std::string> arguments_;
    size_t next_ = 0;
    bool operandsOnly_ = false;
    std::string error_;
    std::vector<std::string> known_;  // every option asked for, for hints

    void remember(const char* longName);
};

// Reads the arguments of a command that takes only --help and exactly
// `count` operands. Returns -1 when the caller goes on with `operands`;
// otherwise the exit code to return at once (help printed, or a usage error
// reported, `wanted` naming the operands expected).
int readOperandsOnly(const char* command, const std::vector<std::string>& arguments,
                     const char* help, size_t count, const char* wanted,
                     std::vector<std::string>* operands);

// A whole decimal number in [low, high], or false.
bool parseNumber(const std::string& text, int low, int high, int* value);

// Prints "azpack: MESSAGE" on standard error.
void reportError(const std::string& message);

}  // namespace azpack

#endif
