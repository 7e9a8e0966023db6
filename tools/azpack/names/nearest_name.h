// The candidate closest to a mistyped name, for "did you mean" hints.
#ifndef AZPACK_NEAREST_NAME_H
#define AZPACK_NEAREST_NAME_H

#include <string>
#include <vector>

namespace azpack {

// The candidate with the fewest single-character edits from `name`, ignoring
// ASCII case; empty when none comes within half of the name's length.
std::string nearestName(const std::string& name, const std::vector<std::string>& candidates);

}  // namespace azpack

#endif
