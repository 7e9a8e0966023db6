// NameList::writeSection lives with the profile writer, away from the
// portable list, since the profile file is written by the system.
#include "base/byte_buffer.h"
#include "base/name_list.h"
#include "system/files/profile_section.h"

namespace {

const uint32_t kBlockStep = 32000;

uint32_t lengthOf(const TextBuffer& text) {
    return static_cast<uint32_t>(text.length());
}

}  // namespace

int32_t NameList::writeSection(const char* path, const char* sectionName) {
    if (path == nullptr)
        return 0;
    ProfileSection profile(path, sectionName);
    ByteBuffer block(kBlockStep, kBlockStep);
    TextBuffer name(32);
    TextBuffer value(256);

    // Every entry goes into the block, or nothing is written: a section
    // replaced by part of the list would lose the rest.
    const unsigned char zero = 0;
    const unsigned char equals = '=';
    int32_t written = 0;
    if (beginIteration() == 0 && count > 0)
        return 0;
    while (nextEntry(name, value) == 1) {
        if (name.text == nullptr || value.text == nullptr ||
            !block.append(name.text, lengthOf(name)) || !block.append(&equals, 1) ||
            !block.append(value.text, lengthOf(value)) || !block.append(&zero, 1)) {
            endIteration();
            return 0;
        }
        ++written;
    }
    if (written != count || !block.append(&zero, 1))
        return 0;
    return profile.writeBlock(&block);
}
