#include "payload_builder.h"

#include <cstring>

#include "block_compressor.h"
#include "code_page.h"
#include "compression_pipeline.h"
#include "entry_table.h"
#include "file_io.h"
#include "payload/layout.h"
#include "pe_stamp.h"
#include "progress_meter.h"
#include "source_tree.h"
#include "windows_names.h"

namespace azpack {

namespace {

constexpr uint64_t kMaxFileSize = 0xFFFFFFFFu;

std::string tooLarge(const BuildRequest& request, uint64_t limit) {
    return displayPath(request.source) + ": the payload would pass " + std::to_string(limit) +
           " bytes, the most its 32-bit offsets can address";
}

// Writes the compressed streams back to back into the spill file.
class SpillSink : public ChunkSink {
  public:
    SpillSink(OutputFile* spill, const BuildRequest& request, std::vector<uint32_t>* sizes)
        : spill_(spill), request_(request), sizes_(sizes) {}

    bool append(size_t index, const unsigned char* data, size_t size, std::string* error) override {
        used_ += size;
        uint64_t least =
            payload::kDataStartOverhead + used_ + payload::kChunkPrefixSize * uint64_t(index + 1);
        if (least > request_.maxPayloadSize) {
            *error = tooLarge(request_, request_.maxPayloadSize);
            return false;
        }
        return spill_->write(data, size, error);
    }

    bool finishFile(size_t index, uint64_t compressedSize, std::string*) override {
        (*sizes_)[index] = static_cast<uint32_t>(compressedSize);
        return true;
    }

  private:
    OutputFile* spill_;
    const BuildRequest& request_;
    std::vector<uint32_t>* sizes_;
    uint64_t used_ = 0;
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

// The installer compares entry names ignoring ASCII case.
bool isEntry(const std::vector<SourceFile>& files, const std::string& utf8) {
    std::string wanted;
    std::string reason;
    if (!utf8ToCp1252(utf8, &wanted, &reason))
        return false;
    for (const SourceFile& file : files) {
        if (file.name.size() != wanted.size())
            continue;
        size_t i = 0;
        while (i < wanted.size() && foldAscii(file.name[i]) == foldAscii(wanted[i]))
            ++i;
        if (i == wanted.size())
            return true;
    }
    return false;
}

void noteMissing(const std::vector<SourceFile>& files, const Setting& setting, const char* what,
                 BuildSummary* summary) {
    if (!setting.value.empty() && !isEntry(files, setting.value)) {
        summary->warnings.push_back(setting.origin + ": " + what + " '" + setting.value +
                                    "' is not among the files");
    }
}

bool writeChunk(OutputFile* out, uint32_t uncompressed, const std::vector<unsigned char>& stream,
                std::string* error) {
    unsigned char prefix[payload::kChunkPrefixSize];
    payload::writeU32(prefix, uncompressed);
    payload::writeU32(prefix + 4, static_cast<uint32_t>(stream.size()));
    return out->write(prefix, sizeof prefix, error) &&
           out->write(stream.data(), stream.size(), error);
}

bool assemble(const BuildRequest& request, const unsigned char* header, const EntryTable& table,
              const std::vector<SourceFile>& files, const std::vector<uint32_t>& sizes,
              const std::filesystem::path& spillPath, OutputFile* out, std::string* error) {
    std::vector<int32_t> values(files.size());
    uint64_t offset = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        values[i] = static_cast<int32_t>(offset);
        offset += payload::kChunkPrefixSize + uint64_t(sizes[i]);
    }
    std::vector<unsigned char> tableImage = table.image(values);
    std::vector<unsigned char> headerStream;
    std::vector<unsigned char> tableStream;
    if (!compressWhole(header, payload::kHeaderSize, request.level, &headerStream, error) ||
        !compressWhole(tableImage.data(), tableImage.size(), request.level, &tableStream, error))
        return false;
    uint64_t total =
        payload::kDataStartOverhead + headerStream.size() + tableStream.size() + offset;
    if (total > request.maxPayloadSize) {
        *error = tooLarge(request, request.maxPayloadSize);
        return false;
    }

    static const char kSignatureBytes[payload::kSignatureSize] = {'M', 'W', 'Z', '1',
                                                                  '0', '0', 0,   0};
    if (!out->write(kSignatureBytes, sizeof kSignatureBytes, error) ||
        !writeChunk(out, payload::kHeaderSize, headerStream, error) ||
        !writeChunk(out, static_cast<uint32_t>(tableImage.size()), tableStream, error))
        return false;

    InputFile spill;
    if (!spill.open(spillPath, error))
        return false;
    std::vector<unsigned char> piece(1 << 20);
    uint64_t at = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        unsigned char prefix[payload::kChunkPrefixSize];
        payload::writeU32(prefix, static_cast<uint32_t>(files[i].size));
        payload::writeU32(prefix + 4, sizes[i]);
        if (!out->write(prefix, sizeof prefix, error))
            return false;
        uint64_t left = sizes[i];
        while (left > 0) {
            size_t count = left < piece.size() ? static_cast<size_t>(left) : piece.size();
            if (!spill.readExact(at, piece.data(), count, error) ||
                !out->write(piece.data(), count, error))
                return false;
            at += count;
            left -= count;
        }
    }
    return true;
}

}  // namespace

bool buildPayload(const BuildRequest& request, BuildSummary* summary, std::string* error) {
    unsigned char header[payload::kHeaderSize];
    if (!encodeHeader(request.settings, header, error))
        return false;
    std::vector<SourceFile> files;
    if (!scanSourceTree(request.source, &files, error) || !checkSources(request, files, error))
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
    if (!request.stub.empty() && !checkStub(request.stub, error))
        return false;
    summary->files = files.size();
    summary->pages = table.pageCount();
    summary->depth = table.depth();
    noteMissing(files, request.settings.mainProgram, "main program", summary);
    noteMissing(files, request.settings.iconFile, "icon file", summary);

    TemporaryFile spill;
    TemporaryFile built;
    if (!spill.create(request.output, "spill", error) ||
        !built.create(request.output, "payload", error))
        return false;
    std::vector<uint32_t> sizes(files.size());
    {
        SpillSink sink(&spill.file(), request, &sizes);
        ProgressMeter progress(files.size(), summary->inputBytes, request.showProgress);
        if (!compressFiles(files, request.jobs, request.level, &sink, &progress, error))
            return false;
    }
    if (!spill.file().close(error) ||
        !assemble(request, header, table, files, sizes, spill.path(), &built.file(), error))
        return false;
    spill.discard();
    summary->payloadBytes = built.file().position();
    if (request.stub.empty())
        return built.commitAs(request.output, error);

    if (!built.file().close(error))
        return false;
    TemporaryFile installer;
    PayloadBytes payload;
    payload.file = built.path();
    payload.size = summary->payloadBytes;
    return installer.create(request.output, "installer", error) &&
           stampInstaller(request.stub, payload, &installer.file(), error) &&
           installer.commitAs(request.output, error);
}

}  // namespace azpack
