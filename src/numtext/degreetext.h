// Texts of the form "degrees and a hemisphere letter" (the Spheroid tab's
// latitude of origin and central meridian), read the way the conversions
// read them. No Qt; texts are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace numtext {

// The upper case that the window forces on a letter field: ASCII letters,
// plus the two letters whose upper case is or ends in "S" (long s, sharp s),
// since only "S", "W" and a final letter ever matter to a reader.
std::string Upper_Case_Field(std::string_view text);

// Latitude of origin in degrees, south negative; decimals kept. With a blank,
// the number before the first blank, negated when the text ends in "S";
// without one, the whole text is the number and no letter is looked at
// ("49 N" 49, "53.5 N" 53.5, "49 S" -49, "0" 0, "-10" -10). nullopt when that
// part is not a number (empty text included).
std::optional<double> Read_Origin_Latitude(std::string_view text);

// Largest latitude of origin the conversions accept, degrees.
inline constexpr double kMaxOriginLatitude = 90;

} // namespace numtext
