// Writing a payload: the source tree named as entries, the header settings
// and project file, the entry table, the build itself and its progress line.
#ifndef AZPACK_WRITE_WRITE_H
#define AZPACK_WRITE_WRITE_H

#include "write/build_notes.h"
#include "write/entry_table.h"
#include "write/header_settings.h"
#include "write/payload_builder.h"
#include "write/progress_meter.h"
#include "write/source_tree.h"

#endif
