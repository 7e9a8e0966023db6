// Compresses the source files on several threads and hands the results to a
// sink strictly in file order, so the output never depends on scheduling.
//
// Work goes out in blocks (see block_compressor.h). Workers read and compress
// blocks ahead of the writer, but never more than a fixed window of input
// bytes beyond the block the writer waits for (windowSlots MiB; at most 1024
// blocks): memory stays near two bytes per window byte however large the
// tree or its files, and a run of small files does not leave workers waiting
// for the writer's turn on a busy processor.
#ifndef AZPACK_COMPRESSION_PIPELINE_H
#define AZPACK_COMPRESSION_PIPELINE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "write/source_tree.h"

namespace azpack {

class ChunkSink {
  public:
    virtual ~ChunkSink() = default;
    // The next compressed bytes of file `index`; files arrive in order.
    virtual bool append(size_t index, const unsigned char* data, size_t size,
                        std::string* error) = 0;
    // File `index` is complete: its stream is `compressedSize` bytes.
    virtual bool finishFile(size_t index, uint64_t compressedSize, std::string* error) = 0;
};

class ProgressMeter;

// The window, in MiB of input, for a number of threads.
size_t windowSlots(int jobs);

// Runs `jobs` compression threads (at least one). The first failure in file
// order ends the run with its message; threads are joined on every way out.
bool compressFiles(const std::vector<SourceFile>& files, int jobs, int level, ChunkSink* sink,
                   ProgressMeter* progress, std::string* error);

}  // namespace azpack

#endif
