// The payload a reading command (list, verify, extract) is given: opened,
// and for list and extract its index read, with any failure reported on
// standard error as "azpack: PATH: reason".
#ifndef AZPACK_PAYLOAD_OPERAND_H
#define AZPACK_PAYLOAD_OPERAND_H

#include <string>

#include "read/payload_file.h"
#include "read/payload_index.h"

namespace azpack {

// `operand` is a path as given on the command line (UTF-8).
bool openPayloadOperand(const std::string& operand, PayloadFile* payload);
bool readPayloadOperand(const std::string& operand, PayloadFile* payload, PayloadIndex* index);

}  // namespace azpack

#endif
