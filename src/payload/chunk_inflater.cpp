#include "payload/chunk_inflater.h"

#include <cstdlib>
#include <cstring>

ChunkInflater::ChunkInflater(FILE* stream, uint32_t compressedSize, uint64_t limit)
    : stream_(stream), inputLeft_(compressedSize), limit_(limit) {
    std::memset(&z_, 0, sizeof z_);
    input_ = static_cast<unsigned char*>(std::malloc(kInputPiece));
    output_ = static_cast<unsigned char*>(std::malloc(kOutputPiece));
    if (stream_ == nullptr || input_ == nullptr || output_ == nullptr || inflateInit(&z_) != Z_OK) {
        state_ = -1;
        return;
    }
    started_ = 1;
}

ChunkInflater::~ChunkInflater() {
    if (started_)
        inflateEnd(&z_);
    std::free(input_);
    std::free(output_);
}

int ChunkInflater::next(const unsigned char*& piece, size_t& length) {
    piece = nullptr;
    length = 0;
    if (state_ != 1)
        return state_;
    // Never more room than the block one-call decoding would have had.
    size_t room = kOutputPiece;
    if (limit_ - produced_ < room)
        room = static_cast<size_t>(limit_ - produced_);
    z_.next_out = output_;
    z_.avail_out = static_cast<uInt>(room);
    for (;;) {
        if (z_.avail_in == 0 && inputLeft_ > 0) {
            size_t want = inputLeft_ < kInputPiece ? inputLeft_ : kInputPiece;
            if (std::fread(input_, 1, want, stream_) != want) {
                state_ = -1;
                return -1;
            }
            inputLeft_ -= static_cast<uint32_t>(want);
            z_.next_in = input_;
            z_.avail_in = static_cast<uInt>(want);
        }
        int result = inflate(&z_, Z_NO_FLUSH);
        size_t have = room - z_.avail_out;
        if (result == Z_STREAM_END) {
            state_ = 0;
        } else if (result != Z_OK) {
            // Out of input, out of room, a bad stream or a dictionary.
            state_ = -1;
            return -1;
        }
        if (have > 0 && (z_.avail_out == 0 || state_ == 0)) {
            produced_ += have;
            piece = output_;
            length = have;
            return 1;
        }
        if (state_ == 0)
            return 0;
    }
}
