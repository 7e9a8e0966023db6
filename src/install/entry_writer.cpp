#include "install/entry_writer.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

#include "base/text_buffer.h"
#include "install/file_writer.h"
#include "install/machine.h"
#include "install/path_parts.h"
#include "payload/chunk_inflater.h"
#include "system/side_files.h"

namespace {

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

// Creates the new file beside the target: the one place where the
// installer opens a file to write an entry. 1 when it holds the whole
// entry; 0 on a failed write, -1 on a damaged stream (the file is then
// deleted).
int writeNewFile(const char* path, const ChunkReader& chunk) {
    int descriptor = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor == -1)
        return 0;
    int written = chunk.isLarge() ? inflateInto(descriptor, chunk)
                                  : writeAllBytes(descriptor, chunk.bytes(), chunk.length());
    int closed = _close(descriptor) == 0;
    if (written == 1 && closed)
        return 1;
    std::remove(path);
    return written == -1 ? -1 : 0;
}

}  // namespace

EntryWrite writeEntry(const char* targetPath, const ChunkReader& chunk,
                      Replacements& replacements) {
    TextBuffer folder(260);
    folderOf(targetPath, folder);
    // A link that appeared on the way since placement looked: no write.
    if (!replacements.prepareFolder(folder.text))
        return EntryWrite::kNotWritten;
    TargetState state = probeTarget(targetPath);
    if (state == TargetState::kRefused)
        return EntryWrite::kNotWritten;
    TextBuffer newPath(0);
    sideFilePath(targetPath, SideFile::kNew, newPath);
    int written = writeNewFile(newPath.text, chunk);
    if (written == -1)
        return EntryWrite::kDamaged;
    if (written == 1 &&
        replacements.putInPlace(newPath.text, targetPath, state == TargetState::kWritable))
        return EntryWrite::kWritten;
    removeSideFile(newPath.text);
    return EntryWrite::kNotWritten;
}
