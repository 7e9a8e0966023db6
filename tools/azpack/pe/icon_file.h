// A .ico file read as the resources that carry it in an executable: one
// RT_ICON per image, numbered from 1, and the RT_GROUP_ICON directory that
// lists them (the file's directory with each 32-bit image offset replaced by
// the 16-bit resource number).
#ifndef AZPACK_ICON_FILE_H
#define AZPACK_ICON_FILE_H

#include <filesystem>
#include <string>
#include <vector>

namespace azpack {

struct IconResources {
    std::vector<std::vector<unsigned char>> images;
    std::vector<unsigned char> group;
};

// The icon of the bytes of a .ico file; false with the reason when they are
// not one (wrong header, no image, an image outside the file, an empty one).
bool iconFromBytes(const std::vector<unsigned char>& bytes, IconResources* icon,
                   std::string* reason);

// Reads and checks `path`; errors are "PATH: reason".
bool readIconFile(const std::filesystem::path& path, IconResources* icon, std::string* error);

}  // namespace azpack

#endif
