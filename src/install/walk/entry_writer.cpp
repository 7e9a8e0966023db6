#include "install/walk/entry_writer.h"

#include "base/text_buffer.h"
#include "install/run/machine.h"
#include "install/run/path_parts.h"
#include "payload/chunk_inflater.h"
#include "system/files/file_swap.h"
#include "system/files/side_files.h"

namespace {

// 1 when the whole stream went into `file`; 0 on a short write; -1 when the
// stream is damaged.
int inflateInto(NewFile& file, const ChunkReader& chunk) {
    ChunkInflater inflater(chunk.stream(), chunk.compressedSize(), chunk.decodedLimit());
    const unsigned char* piece = nullptr;
    size_t length = 0;
    int result;
    while ((result = inflater.next(piece, length)) == 1) {
        if (!file.write(piece, length))
            return 0;
        letMessagesThrough();
    }
    return result == 0 ? 1 : -1;
}

// 1 when the whole entry went into `file`; 0 on a short write; -1 when its
// stream is damaged.
int writeChunk(NewFile& file, const ChunkReader& chunk) {
    return chunk.isLarge() ? inflateInto(file, chunk) : file.write(chunk.bytes(), chunk.length());
}

}  // namespace

// The one place where the installer writes an entry: into a file of its
// own, which the target's place only ever receives whole.
EntryWrite writeEntry(const char* targetPath, const ChunkReader& chunk,
                      Replacements& replacements) {
    TextBuffer folder(260);
    folderOf(targetPath, folder);
    // A link that appeared on the way since placement looked: no write.
    if (!replacements.prepareFolder(folder.text))
        return EntryWrite::kNotWritten;
    // In a folder this run made stands no earlier version, and nothing of
    // anyone else: the file is made new under its own name, and goes again
    // unless written whole. One this run wrote there already (two entries
    // of one name, which azpack never makes) is replaced as any other.
    if (replacements.madeThisRun(folder.text)) {
        NewFile file(targetPath);
        if (file.isOpen()) {
            int written = writeChunk(file, chunk);
            if (written == -1)
                return EntryWrite::kDamaged;
            if (written == 0)
                return EntryWrite::kNotWritten;
            file.keep();
            replacements.noteAdded(targetPath);
            return EntryWrite::kWritten;
        }
    }
    ExistingTarget existing(targetPath);
    if (existing.state() == TargetState::kRefused)
        return EntryWrite::kNotWritten;
    TextBuffer newPath(0);
    sideFilePath(targetPath, SideFile::kNew, newPath);
    NewFile file(newPath.text);  // beside the target; deleted unless put in place
    if (!file.isOpen())
        return EntryWrite::kNotWritten;
    int written = writeChunk(file, chunk);
    if (written == -1)
        return EntryWrite::kDamaged;
    if (written == 1 && replacements.putInPlace(file, existing, targetPath))
        return EntryWrite::kWritten;
    return EntryWrite::kNotWritten;
}
