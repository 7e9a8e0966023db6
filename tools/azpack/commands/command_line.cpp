#include "commands/command_line.h"

#include <algorithm>
#include <cstdio>

#include "names/nearest_name.h"

namespace azpack {

OptionReader::OptionReader(const std::string& command, std::vector<std::string> arguments)
    : command_(command), arguments_(std::move(arguments)) {}

void OptionReader::remember(const char* longName) {
    if (std::find(known_.begin(), known_.end(), longName) == known_.end())
        known_.push_back(longName);
}

bool OptionReader::takeFlag(const char* longName, const char* shortName) {
    remember(longName);
    if (atEnd() || operandsOnly_)
        return false;
    const std::string& argument = arguments_[next_];
    if (argument == longName || (shortName != nullptr && argument == shortName)) {
        ++next_;
        return true;
    }
    return false;
}

bool OptionReader::takeValue(const char* longName, const char* shortName, std::string* value) {
    remember(longName);
    if (atEnd() || operandsOnly_)
        return false;
    const std::string& argument = arguments_[next_];
    const std::string longText(longName);
    if (argument.compare(0, longText.size() + 1, longText + "=") == 0) {
        *value = argument.substr(longText.size() + 1);
        ++next_;
        return true;
    }
    bool exact = argument == longText || (shortName != nullptr && argument == shortName);
    if (!exact && shortName != nullptr && argument.size() > 2 &&
        argument.compare(0, 2, shortName) == 0) {
        *value = argument.substr(2);
        ++next_;
        return true;
    }
    if (!exact)
        return false;
    if (next_ + 1 >= arguments_.size()) {
        setError("option " + argument + " needs a value");
        next_ = arguments_.size();
        return true;
    }
    *value = arguments_[next_ + 1];
    next_ += 2;
    return true;
}

void OptionReader::takeOperand(std::vector<std::string>* operands) {
    const std::string& argument = arguments_[next_++];
    if (!operandsOnly_ && argument == "--") {
        operandsOnly_ = true;
        return;
    }
    if (!operandsOnly_ && argument.size() > 1 && argument[0] == '-') {
        std::string hint = nearestName(argument.substr(0, argument.find('=')), known_);
        setError("unknown option '" + argument + "'" +
                 (hint.empty() ? "" : " (did you mean " + hint + "?)"));
        return;
    }
    operands->push_back(argument);
}

void OptionReader::setError(const std::string& message) {
    if (error_.empty())
        error_ = message;
}

int OptionReader::reportUsage() const {
    std::fprintf(stderr, "azpack: %s: %s (see 'azpack %s --help')\n", command_.c_str(),
                 error_.c_str(), command_.c_str());
    return kExitUsage;
}

bool parseNumber(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 9)
        return false;
    int result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
    }
    if (result < low || result > high)
        return false;
    *value = result;
    return true;
}

void reportError(const std::string& message) {
    std::fprintf(stderr, "azpack: %s\n", message.c_str());
}

int readOperandsOnly(const char* command, const std::vector<std::string>& arguments,
                     const char* help, size_t count, const char* wanted,
                     std::vector<std::string>* operands) {
    OptionReader reader(command, arguments);
    while (!reader.atEnd() && !reader.failed()) {
        if (reader.takeFlag("--help", "-h")) {
            std::fputs(help, stdout);
            return kExitSuccess;
        }
        reader.takeOperand(operands);
    }
    if (!reader.failed() && operands->size() != count)
        reader.setError(std::string("wants ") + wanted);
    if (reader.failed())
        return reader.reportUsage();
    return -1;
}

}  // namespace azpack
