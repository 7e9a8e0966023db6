#include "install/entry_writer.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <cstdio>

#include "base/text_buffer.h"
#include "install/file_writer.h"
#include "install/machine.h"
#include "install/path_parts.h"
#include "payload/chunk_inflater.h"

namespace {

// Beside the target, so that the final move stays on one volume; the
// process id keeps two installers writing the same folder apart.
void choosePartPath(const char* targetPath, TextBuffer& partPath) {
    folderOf(targetPath, partPath);
    partPath.append("~az");
    appendHex(partPath, static_cast<uint64_t>(_getpid()));
    partPath.append(".part");
}

// 1 when the whole stream went into `descriptor`; 0 on a short write; -1
// when the stream is damaged.
int inflateInto(int descriptor, const ChunkReader& chunk) {
    ChunkInflater inflater(chunk.stream(), chunk.compressedSize(), chunk.decodedLimit());
    const unsigned char* piece = nullptr;
    size_t length = 0;
    int result;
    while ((result = inflater.next(piece, length)) == 1) {
        if (!writeAllBytes(descriptor, piece, length))
            return 0;
        letMessagesThrough();
    }
    return result == 0 ? 1 : -1;
}

EntryWrite writeStreamed(const char* targetPath, const ChunkReader& chunk) {
    TextBuffer partPath(260);
    choosePartPath(targetPath, partPath);
    int descriptor =
        _open(partPath.text, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor == -1)
        return EntryWrite::kNotWritten;
    int inflated = inflateInto(descriptor, chunk);
    int closed = _close(descriptor) == 0;
    if (inflated == 1 && closed && replaceFile(partPath.text, targetPath))
        return EntryWrite::kWritten;
    std::remove(partPath.text);
    return inflated == -1 ? EntryWrite::kDamaged : EntryWrite::kNotWritten;
}

}  // namespace

EntryWrite writeEntry(const char* targetPath, const ChunkReader& chunk) {
    if (chunk.isLarge())
        return writeStreamed(targetPath, chunk);
    return writeWholeFile(targetPath, chunk.bytes(), chunk.length()) ? EntryWrite::kWritten
                                                                     : EntryWrite::kNotWritten;
}
