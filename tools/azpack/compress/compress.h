// The compression pipeline: file contents compressed in independent blocks by
// worker threads, and one payload chunk read back and decoded with every check.
#ifndef AZPACK_COMPRESS_COMPRESS_H
#define AZPACK_COMPRESS_COMPRESS_H

#include "compress/block_compressor.h"
#include "compress/chunk_decoder.h"
#include "compress/compression_pipeline.h"

#endif
