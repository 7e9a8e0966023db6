#include "compress/compression_pipeline.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include <zlib.h>

#include "compress/block_compressor.h"
#include "io/file_io.h"
#include "write/progress_meter.h"

namespace azpack {

namespace {

struct Task {
    uint64_t sequence = 0;
    size_t file = 0;
    uint64_t block = 0;
};

// Blocks in flight at most, whatever their size: the slots of the ring.
constexpr size_t kRingSlots = 1024;

// Bytes of input in block `block` of a file of `size` bytes.
uint64_t blockLength(uint64_t size, uint64_t block) {
    uint64_t offset = block * kBlockSize;
    return size - offset < kBlockSize ? size - offset : kBlockSize;
}

struct BlockResult {
    bool ready = false;
    bool ok = false;
    std::string error;
    std::vector<unsigned char> bytes;
    uint32_t adler = 0;
    size_t length = 0;
    uint64_t charged = 0;  // the input bytes counted against the window
};

// Reads one block (and the dictionary before it) and compresses it.
void compressBlock(const SourceFile& file, const Task& task, BlockCompressor* compressor,
                   std::vector<unsigned char>* input, BlockResult* result) {
    const uint64_t blocks = blockCount(file.size);
    const uint64_t offset = task.block * kBlockSize;
    const size_t length =
        static_cast<size_t>(file.size - offset < kBlockSize ? file.size - offset : kBlockSize);
    const size_t dictionary =
        task.block == 0 ? 0
                        : static_cast<size_t>(offset < kDictionarySize ? offset : kDictionarySize);
    const bool last = task.block + 1 == blocks;

    InputFile source;
    if (!source.open(file.contents, &result->error))
        return;
    // On the last block one byte more is asked for, to notice a file that grew.
    const size_t expected = dictionary + length;
    const size_t wanted = expected + (last ? 1 : 0);
    input->resize(wanted);
    size_t got = 0;
    if (!source.readAt(offset - dictionary, input->data(), wanted, &got, &result->error))
        return;
    if (got != expected) {
        result->error = displayPath(file.found) + ": changed while being read (now " +
                        (got < expected ? "shorter" : "longer") + ")";
        return;
    }
    const unsigned char* data = input->data() + dictionary;
    result->length = length;
    if (!compressor->compress(data, length, input->data(), dictionary, task.block == 0, last,
                              &result->bytes, &result->error)) {
        result->error = displayPath(file.found) + ": " + result->error;
        return;
    }
    // A first block's checksum comes with its stream; only later ones need a
    // pass of their own.
    result->adler = task.block == 0 ? compressor->firstBlockAdler()
                                    : static_cast<uint32_t>(adler32(adler32(0, nullptr, 0), data,
                                                                    static_cast<uInt>(length)));
    result->ok = true;
}

class Pipeline {
  public:
    Pipeline(const std::vector<SourceFile>& files, int jobs, int level)
        : files_(files),
          level_(level),
          windowBytes_(uint64_t(windowSlots(jobs)) * kBlockSize),
          slots_(kRingSlots) {
        for (int i = 0; i < jobs; ++i)
            threads_.emplace_back([this] { work(); });
    }

    ~Pipeline() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        workAvailable_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    // Waits for the result of `sequence` and takes it out of its slot.
    BlockResult take(uint64_t sequence) {
        std::unique_lock<std::mutex> lock(mutex_);
        BlockResult& slot = slots_[sequence % slots_.size()];
        resultReady_.wait(lock, [&] { return slot.ready; });
        BlockResult result = std::move(slot);
        slot = BlockResult();
        ++written_;
        inFlight_ -= result.charged;
        lock.unlock();
        workAvailable_.notify_all();
        return result;
    }

  private:
    bool nextTask(Task* task) {
        std::unique_lock<std::mutex> lock(mutex_);
        // The window is counted in bytes of input: many small files may be in
        // flight at once, so that the workers never wait for a writer that
        // has not yet been given the processor, while a few large blocks
        // keep memory as low as before.
        workAvailable_.wait(lock, [&] {
            if (stop_ || nextFile_ >= files_.size())
                return true;
            if (nextSequence_ >= written_ + slots_.size())
                return false;
            uint64_t length = blockLength(files_[nextFile_].size, nextBlock_);
            return inFlight_ == 0 || inFlight_ + length <= windowBytes_;
        });
        if (stop_ || nextFile_ >= files_.size())
            return false;
        task->sequence = nextSequence_++;
        task->file = nextFile_;
        task->block = nextBlock_;
        inFlight_ += blockLength(files_[nextFile_].size, nextBlock_);
        if (++nextBlock_ >= blockCount(files_[nextFile_].size)) {
            nextBlock_ = 0;
            ++nextFile_;
        }
        return true;
    }

    void work() {
        BlockCompressor compressor(level_);
        std::vector<unsigned char> input;
        Task task;
        while (nextTask(&task)) {
            BlockResult result;
            compressBlock(files_[task.file], task, &compressor, &input, &result);
            result.charged = blockLength(files_[task.file].size, task.block);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                result.ready = true;
                slots_[task.sequence % slots_.size()] = std::move(result);
            }
            resultReady_.notify_all();
        }
    }

    const std::vector<SourceFile>& files_;
    const int level_;
    const uint64_t windowBytes_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable resultReady_;
    std::vector<BlockResult> slots_;
    size_t nextFile_ = 0;
    uint64_t nextBlock_ = 0;
    uint64_t nextSequence_ = 0;
    uint64_t written_ = 0;
    uint64_t inFlight_ = 0;  // input bytes handed out and not yet taken
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace

size_t windowSlots(int jobs) {
    size_t slots = 2 * static_cast<size_t>(jobs) + 2;
    return slots > 64 ? 64 : slots;
}

bool compressFiles(const std::vector<SourceFile>& files, int jobs, int level, ChunkSink* sink,
                   ProgressMeter* progress, std::string* error) {
    Pipeline pipeline(files, jobs < 1 ? 1 : jobs, level);
    uint64_t sequence = 0;
    for (size_t index = 0; index < files.size(); ++index) {
        const uint64_t blocks = blockCount(files[index].size);
        uint32_t adler = 1;
        uint64_t compressed = 0;
        for (uint64_t block = 0; block < blocks; ++block) {
            BlockResult result = pipeline.take(sequence++);
            if (!result.ok) {
                *error = result.error;
                return false;
            }
            adler = block == 0 ? result.adler
                               : static_cast<uint32_t>(adler32_combine(
                                     adler, result.adler, static_cast<z_off_t>(result.length)));
            if (blocks > 1 && block + 1 == blocks)
                appendAdler(adler, &result.bytes);
            compressed += result.bytes.size();
            if (!sink->append(index, result.bytes.data(), result.bytes.size(), error))
                return false;
            if (progress != nullptr)
                progress->addBytes(result.length);
        }
        if (!sink->finishFile(index, compressed, error))
            return false;
        if (progress != nullptr)
            progress->addFile();
    }
    return true;
}

}  // namespace azpack
