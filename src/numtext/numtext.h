// Reading numbers from field text and writing numbers as field text.
// No Qt: shared by the windows and the command-line tools. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace numtext {

// Lenient reading: blanks, tabs and line feeds ignored anywhere; optional
// sign; digits with at most one "." (always the decimal point, whatever the
// locale); optional exponent E/e/D/d. Stops at the first character that does
// not fit. Empty or non-numeric text reads as 0. Never fails; a number too
// large for a double reads as +-infinity (callers report that as numeric).
double Read_Number(std::string_view text);

// Strict test: after trimming blanks, an optional sign, digits with an
// optional point (at least one digit), optional exponent. Empty is false.
bool Is_Number(std::string_view text);

// Strict conversion: the Is_Number rule (surrounding blanks ignored), then the
// value; nullopt otherwise (also nullopt for a value that overflows a double).
std::optional<double> To_Number(std::string_view text);

// Strict conversion rounded to a whole number with halves to the even
// neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2); nullopt when not a number or
// outside the int16_t range.
std::optional<int16_t> To_Whole_Number(std::string_view text);

// 15 significant digits, decimal notation, no trailing zeros, no point for
// whole numbers, "0.5" style for |x| < 1, never "-0".
std::string Plain_Text(double x);

// Plain_Text preceded by one blank when x >= 0 ("-" comes from the number).
std::string Blank_Signed_Text(double x);

// Masks of "0", "#" and an optional ".": "#####0.000", "00#", "##.#####"...
// The value is taken at 15 significant digits, then rounded to the mask's
// decimals, halves away from zero. A value that rounds to zero shows no "-".
std::string Format_Mask(double x, std::string_view mask);

// Components of the last grid-to-geographic result (see geo::Degrees_To_Dms).
struct GeographicResult {
    double lat_deg = 0;
    double lat_min = 0; // decimal minutes
    double lat_sec = 0;
    std::string lat_hemis; // "N" or "S"; empty before any conversion
    double long_deg = 0;
    double long_min = 0;
    double long_sec = 0;
    std::string long_hemis; // "E" or "W"
};

struct LayoutTexts {
    std::string lat;
    std::string lon;
};

// ' 51 Deg 28.63354 Min N' / '003 Deg 12.09167 Min W'
LayoutTexts Layout_Minutes(const GeographicResult& r);
// ' 51 Deg  28 Min 38.012 Sec N' / '003 Deg  12 Min 5.500 Sec W'
LayoutTexts Layout_Seconds(const GeographicResult& r);

} // namespace numtext
