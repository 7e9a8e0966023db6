// Builds a payload (or a ready installer) from a source folder.
//
// Order of work: everything that can be refused is checked before any file
// is created (header texts, the tree and its names, file sizes, the table's
// depth, the stub). The payload is then written into a temporary file
// beside the output: signature, header chunk, room for the table chunk, and
// the data chunks in name order as they are compressed; last, once their
// sizes give the entry values, the table chunk fills its room exactly. Only
// a complete result is renamed over the output; on any failure the
// temporaries are removed and the output is left as it was.
#ifndef AZPACK_PAYLOAD_BUILDER_H
#define AZPACK_PAYLOAD_BUILDER_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pe/pe_stamp.h"
#include "write/header_settings.h"

namespace azpack {

// The largest payload: every offset in it must fit an int32.
constexpr uint64_t kMaxPayloadSize = 0x7FFFFFFF;

struct BuildRequest {
    std::filesystem::path source;
    std::filesystem::path output;
    std::filesystem::path stub;         // empty for a bare payload
    std::filesystem::path uninstaller;  // empty: no TAVUUNINSTALL.EXE entry
    InstallerFace face;                 // with a stub
    HeaderSettings settings;
    int jobs = 1;
    int level = 9;
    bool showProgress = false;
    bool lenient = false;     // header mistakes only warned about
    bool strict = false;      // every warning refuses the build
    std::string signCommand;  // run on the finished installer (see signing.h)
    uint64_t maxPayloadSize = kMaxPayloadSize;
};

struct BuildSummary {
    size_t files = 0;
    uint64_t inputBytes = 0;
    uint64_t payloadBytes = 0;
    int pages = 0;
    int depth = 0;
    std::vector<std::string> warnings;  // "warning: ..." and "note: ..." lines
};

bool buildPayload(const BuildRequest& request, BuildSummary* summary, std::string* error);

}  // namespace azpack

#endif
