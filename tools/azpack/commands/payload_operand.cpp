#include "commands/payload_operand.h"

#include <filesystem>

#include "commands/command_line.h"

namespace azpack {

bool openPayloadOperand(const std::string& operand, PayloadFile* payload) {
    std::string error;
    if (payload->open(std::filesystem::u8path(operand), &error))
        return true;
    reportError(error);
    return false;
}

bool readPayloadOperand(const std::string& operand, PayloadFile* payload, PayloadIndex* index) {
    if (!openPayloadOperand(operand, payload))
        return false;
    std::string error;
    if (readPayloadIndex(*payload, IndexCheck::kRead, index, &error))
        return true;
    reportError(payload->name() + ": " + error);
    return false;
}

}  // namespace azpack
