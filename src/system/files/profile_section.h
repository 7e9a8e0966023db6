// One section of one profile (INI) file.
#ifndef AZ_SYSTEM_PROFILE_SECTION_H
#define AZ_SYSTEM_PROFILE_SECTION_H

#include <cstdint>

#include "base/byte_buffer.h"
#include "base/text_buffer.h"

class ProfileSection {
  public:
    // Copies both texts; a null section name means "DEFAULT".
    ProfileSection(const char* path, const char* section);

    // Adds the key to the section or replaces its value (file and section are
    // made when missing). A null value writes the empty text; a null key
    // writes nothing. Non-zero when written.
    int32_t writeValue(const char* key, const char* value);

    // Replaces the whole section with `block`: lines "name=value", each ended
    // by a zero byte, then one more zero byte (a lone zero byte for no lines).
    // A missing file is first created holding "[section]" and CR LF. 1 when
    // written; 0 when the file cannot be made, the block is absent or not
    // closed by its zero bytes, or the system refuses the write.
    int32_t writeBlock(const ByteBuffer* block);

    TextBuffer path;
    TextBuffer section;

  private:
    bool isUsable() const;
};

#endif
