// Texts of the form "degrees and a hemisphere letter": the Spheroid tab's
// central meridian ("2 W") and latitude of origin ("49 N", "53.5 N"). Every
// reader of such texts in the program is Read_Degree_Text with one of the
// named rules below, so a rule changes in one place. No Qt; texts are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace numtext {

// The upper case that the window forces on a letter field: ASCII letters,
// plus the two letters whose upper case is or ends in "S" (long s, sharp s),
// since only "S", "W" and a final letter ever matter to a reader.
std::string Upper_Case_Field(std::string_view text);

struct DegreeRule {
    // Whole: rounded to whole degrees, halves to the even neighbour, within
    // the 16-bit range. Decimal: the number as written.
    enum class Amount { Whole, Decimal } amount;
    // What a text without a blank means. With a blank the number is always
    // the text before the first blank, and the last character the letter.
    enum class NoBlank {
        NotRead,    // nothing: the text does not read
        LastLetter, // all but the last character (blanks around it dropped)
        AllNumber,  // the whole text, and no letter is looked at
    } noBlank;
    char negative; // the final letter that makes the value negative
};

// The Spheroid tab's meridian rule, when an entry is selected and when the
// user leaves the field: "3 W", "3w", "2.5 W" (2 W). The caller applies it
// only to texts of two characters or more.
inline constexpr DegreeRule kMeridianRule{DegreeRule::Amount::Whole,
                                          DegreeRule::NoBlank::LastLetter, 'W'};
// The meridian as Grid to Geog reads the field's text: a blank is required.
inline constexpr DegreeRule kMeridianText{DegreeRule::Amount::Whole, DegreeRule::NoBlank::NotRead,
                                          'W'};
// The whole-degree origin a selection keeps: only a text with a blank.
inline constexpr DegreeRule kOriginSelected{DegreeRule::Amount::Whole,
                                            DegreeRule::NoBlank::NotRead, 'S'};
// The latitude of origin every conversion uses: "49 N", "53.5 N", "0", "-10".
inline constexpr DegreeRule kOriginText{DegreeRule::Amount::Decimal,
                                        DegreeRule::NoBlank::AllNumber, 'S'};

struct DegreeText {
    double degrees = 0;  // the number as written (rounded for Whole)
    double value = 0;    // signed: negated for the rule's negative letter
    std::string letter;  // the last character; empty when none is looked at
};

// nullopt when the number part is not a number, a whole number lies outside
// 16 bits (or its negation does), or the rule does not read such a text.
// Letters count in the window's upper case ("2 w" is west); any other
// letter, or none, leaves the value positive.
std::optional<DegreeText> Read_Degree_Text(std::string_view text, DegreeRule rule);

// Latitude of origin in degrees by kOriginText, south negative, decimals kept.
std::optional<double> Read_Origin_Latitude(std::string_view text);

// Largest latitude of origin the conversions accept, degrees.
inline constexpr double kMaxOriginLatitude = 90;

} // namespace numtext
