// Reading a payload back: a bare payload or an installer's payload resource
// opened, its header and entry table checked, and the full verification.
#ifndef AZPACK_READ_READ_H
#define AZPACK_READ_READ_H

#include "read/payload_file.h"
#include "read/payload_index.h"
#include "read/payload_verify.h"

#endif
