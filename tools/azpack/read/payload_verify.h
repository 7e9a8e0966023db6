// The full check of a payload: every invariant of the layout (see
// payload_index.h), the data area against the checksum the table carries
// (when it carries one), and then every entry's chunk decoded.
#ifndef AZPACK_PAYLOAD_VERIFY_H
#define AZPACK_PAYLOAD_VERIFY_H

#include <cstdint>
#include <string>

#include "read/payload_file.h"
#include "read/payload_index.h"

namespace azpack {

// The first fault is the reason (without the file name).
bool verifyPayload(PayloadFile& payload, PayloadIndex* index, uint64_t* decodedBytes,
                   std::string* reason);

}  // namespace azpack

#endif
