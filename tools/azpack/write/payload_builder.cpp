#include "write/payload_builder.h"

#include <cstdint>
#include <cstring>

#include <zlib.h>

#include "compress/block_compressor.h"
#include "compress/compression_pipeline.h"
#include "io/file_io.h"
#include "names/code_page.h"
#include "names/windows_names.h"
#include "payload/layout.h"
#include "pe/pe_stamp.h"
#include "write/build_notes.h"
#include "write/entry_table.h"
#include "write/progress_meter.h"
#include "write/signing.h"
#include "write/source_tree.h"
#include "write/uninstaller_entry.h"

namespace azpack {

namespace {

constexpr uint64_t kMaxFileSize = 0xFFFFFFFFu;

std::string tooLarge(const BuildRequest& request, uint64_t limit) {
    return displayPath(request.source) + ": the payload would pass " + std::to_string(limit) +
           " bytes, the most its 32-bit offsets can address";
}

// Writes each file's chunk straight to its place in the payload: the prefix
// as the file starts (its compressed size is filled in when the file ends),
// then the stream. Sums the data area on the way (the prefix once it is
// final), for the checksum the table carries.
class ChunkWriter : public ChunkSink {
  public:
    ChunkWriter(OutputFile* out, const BuildRequest& request, const std::vector<SourceFile>& files,
                std::vector<uint32_t>* sizes)
        : out_(out), request_(request), files_(files), sizes_(sizes) {}

    bool append(size_t index, const unsigned char* data, size_t size, std::string* error) override {
        if (index != started_) {
            started_ = index;
            prefixAt_ = out_->position();
            unsigned char prefix[payload::kChunkPrefixSize];
            payload::writeU32(prefix, static_cast<uint32_t>(files_[index].size));
            payload::writeU32(prefix + 4, 0);
            if (!out_->write(prefix, sizeof prefix, error))
                return false;
        }
        if (out_->position() + size > request_.maxPayloadSize) {
            *error = tooLarge(request_, request_.maxPayloadSize);
            return false;
        }
        streamCrc_ = crc32_z(streamCrc_, data, size);
        return out_->write(data, size, error);
    }

    bool finishFile(size_t index, uint64_t compressedSize, std::string* error) override {
        (*sizes_)[index] = static_cast<uint32_t>(compressedSize);
        unsigned char prefix[payload::kChunkPrefixSize];
        payload::writeU32(prefix, static_cast<uint32_t>(files_[index].size));
        payload::writeU32(prefix + 4, static_cast<uint32_t>(compressedSize));
        uLong prefixCrc = crc32(0, prefix, sizeof prefix);
        dataCrc_ = crc32_combine(dataCrc_, prefixCrc, sizeof prefix);
        dataCrc_ = crc32_combine(dataCrc_, streamCrc_, static_cast<z_off_t>(compressedSize));
        streamCrc_ = 0;
        return out_->patch(prefixAt_ + 4, prefix + 4, 4, error);
    }

    // The CRC-32 of every chunk finished so far, back to back.
    uint32_t dataChecksum() const { return static_cast<uint32_t>(dataCrc_); }

  private:
    OutputFile* out_;
    const BuildRequest& request_;
    const std::vector<SourceFile>& files_;
    std::vector<uint32_t>* sizes_;
    size_t started_ = SIZE_MAX;
    uint64_t prefixAt_ = 0;
    uLong streamCrc_ = 0;
    uLong dataCrc_ = 0;
};

bool checkSources(const BuildRequest& request, const std::vector<SourceFile>& files,
                  std::string* error) {
    std::vector<std::string> names;
    for (const SourceFile& file : files) {
        std::string problem = entryNameProblem(file.name);
        if (!problem.empty()) {
            *error =
                displayPath(file.found) + ": entry name " + quoteName(file.name) + " " + problem;
            return false;
        }
        if (file.size > kMaxFileSize) {
            *error = displayPath(file.found) + ": " + std::to_string(file.size) +
                     " bytes, more than a chunk can hold (4 GiB - 1)";
            return false;
        }
        names.push_back(file.name);
    }
    std::string clash = findCaseClash(names);
    if (!clash.empty()) {
        *error = displayPath(request.source) + ": " + clash;
        return false;
    }
    return true;
}

// The output (and the temporaries written beside it) may lie inside the
// source folder: packing them would put each build into the next one.
void leaveOutOutput(const BuildRequest& request, std::vector<SourceFile>* files,
                    BuildSummary* summary) {
    std::error_code code;
    std::filesystem::path output = std::filesystem::absolute(request.output, code);
    if (code)
        return;
    output = output.lexically_normal();
    const std::string temporary = "." + output.filename().u8string() + ".";
    std::vector<SourceFile> kept;
    for (SourceFile& file : *files) {
        std::filesystem::path found = std::filesystem::absolute(file.found, code);
        found = found.lexically_normal();
        std::string leaf = found.filename().u8string();
        bool isOutput = found == output;
        bool isTemporary = found.parent_path() == output.parent_path() &&
                           leaf.compare(0, temporary.size(), temporary) == 0 && leaf.size() > 4 &&
                           leaf.compare(leaf.size() - 4, 4, ".tmp") == 0;
        if (isOutput || isTemporary) {
            summary->warnings.push_back("note: " + displayPath(file.found) +
                                        " is this build's output or its temporary file: left "
                                        "out of the entries");
            continue;
        }
        kept.push_back(std::move(file));
    }
    files->swap(kept);
}

bool writeChunk(OutputFile* out, uint32_t uncompressed, const std::vector<unsigned char>& stream,
                std::string* error) {
    unsigned char prefix[payload::kChunkPrefixSize];
    payload::writeU32(prefix, uncompressed);
    payload::writeU32(prefix + 4, static_cast<uint32_t>(stream.size()));
    return out->write(prefix, sizeof prefix, error) &&
           out->write(stream.data(), stream.size(), error);
}

// The beginning of the payload: signature, header chunk, and the room of the
// table chunk, which is written last (writeTable) once the file chunks are
// in place and their offsets known.
bool writeHead(const BuildRequest& request, const unsigned char* header, size_t tableRoom,
               OutputFile* out, std::string* error) {
    std::vector<unsigned char> headerStream;
    if (!compressWhole(header, payload::kHeaderSize, request.level, &headerStream, error))
        return false;
    static const char kSignatureBytes[payload::kSignatureSize] = {'M', 'W', 'Z', '1',
                                                                  '0', '0', 0,   0};
    std::vector<unsigned char> room(payload::kChunkPrefixSize + tableRoom);
    return out->write(kSignatureBytes, sizeof kSignatureBytes, error) &&
           writeChunk(out, payload::kHeaderSize, headerStream, error) &&
           out->write(room.data(), room.size(), error);
}

bool writeTable(const BuildRequest& request, const EntryTable& table, size_t tableRoom,
                uint64_t tableAt, const std::vector<uint32_t>& sizes, uint32_t dataChecksum,
                OutputFile* out, std::string* error) {
    std::vector<int32_t> values(sizes.size());
    uint64_t offset = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        values[i] = static_cast<int32_t>(offset);
        offset += payload::kChunkPrefixSize + uint64_t(sizes[i]);
    }
    std::vector<unsigned char> tableImage = table.image(values);
    payload::writeU32(tableImage.data() + payload::kRootReserved1, dataChecksum);
    payload::writeU32(tableImage.data() + payload::kRootReserved2, payload::kChecksumMark);
    std::vector<unsigned char> chunk(payload::kChunkPrefixSize);
    payload::writeU32(chunk.data(), static_cast<uint32_t>(tableImage.size()));
    payload::writeU32(chunk.data() + 4, static_cast<uint32_t>(tableRoom));
    std::vector<unsigned char> stream;
    if (!compressToSize(tableImage.data(), tableImage.size(), request.level, tableRoom, &stream,
                        error))
        return false;
    chunk.insert(chunk.end(), stream.begin(), stream.end());
    return out->writeAt(tableAt, chunk.data(), chunk.size(), error);
}

}  // namespace

bool buildPayload(const BuildRequest& request, BuildSummary* summary, std::string* error) {
    unsigned char header[payload::kHeaderSize];
    if (!encodeHeader(request.settings, header, error))
        return false;
    std::vector<SourceFile> files;
    std::vector<std::string> emptyFolders;
    if (!scanSourceTree(request.source, &files, error, &emptyFolders))
        return false;
    leaveOutOutput(request, &files, summary);
    if (!addUninstallerEntry(request.uninstaller, &files, error) ||
        !checkSources(request, files, error))
        return false;
    std::vector<std::string> names;
    for (const SourceFile& file : files) {
        names.push_back(file.name);
        summary->inputBytes += file.size;
    }
    EntryTable table;
    if (!table.plan(names, error)) {
        *error = displayPath(request.source) + ": " + *error;
        return false;
    }
    if (!request.stub.empty() && !checkStub(request.stub, request.face, error))
        return false;
    summary->files = files.size();
    summary->pages = table.pageCount();
    summary->depth = table.depth();
    if (!checkHeaderUse(request, files, emptyFolders, &summary->warnings, error))
        return false;

    // The table chunk's room is kept before the file chunks, so that they go
    // straight to their place instead of through a second file: its stream is
    // then made to fill that room exactly (compressToSize).
    const size_t tableRoom = paddedStreamRoom(table.imageSize());
    TemporaryFile built;
    if (!built.create(request.output, "payload", error) ||
        !writeHead(request, header, tableRoom, &built.file(), error))
        return false;
    const uint64_t tableAt = built.file().position() - payload::kChunkPrefixSize - tableRoom;
    std::vector<uint32_t> sizes(files.size());
    uint32_t dataChecksum = 0;
    {
        ChunkWriter writer(&built.file(), request, files, &sizes);
        ProgressMeter progress(files.size(), summary->inputBytes, request.showProgress);
        if (!compressFiles(files, request.jobs, request.level, &writer, &progress, error))
            return false;
        dataChecksum = writer.dataChecksum();
    }
    if (built.file().position() > request.maxPayloadSize) {
        *error = tooLarge(request, request.maxPayloadSize);
        return false;
    }
    if (!writeTable(request, table, tableRoom, tableAt, sizes, dataChecksum, &built.file(), error))
        return false;
    summary->payloadBytes = built.file().position();
    if (request.stub.empty())
        return built.commitAs(request.output, error);

    if (!built.file().close(error))
        return false;
    TemporaryFile installer;
    PayloadBytes payload;
    payload.file = built.path();
    payload.size = summary->payloadBytes;
    if (!installer.create(request.output, "installer", error) ||
        !stampInstaller(request.stub, payload, request.face, &installer.file(), error))
        return false;
    return request.signCommand.empty()
               ? installer.commitAs(request.output, error)
               : signAndCommit(request.signCommand, &installer, request.output, error);
}

}  // namespace azpack
