// The upper case the window forces on a hemisphere-letter field, for the
// readers that see a field's text before the window has upper-cased it
// (quillmar-batch, tests). No Qt; texts are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace numtext {

// ASCII letters, plus the two letters whose upper case is or ends in "S"
// (long s, sharp s), since only "S", "W" and a final letter ever matter to a
// reader.
std::string Upper_Case_Field(std::string_view text);

} // namespace numtext
