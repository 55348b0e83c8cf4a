#include "degreetext.h"

#include "numtext.h"

#include <cstdint>

namespace numtext {

namespace {

// Length of the UTF-8 sequence that starts with byte c (1 for stray bytes).
std::size_t Sequence_Length(unsigned char c) {
    return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
}

// Start of the last character of a non-empty text.
std::size_t Last_Character(std::string_view t) {
    std::size_t i = t.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(t[i]) & 0xC0) == 0x80 && t.size() - i < 4)
        --i;
    return Sequence_Length(static_cast<unsigned char>(t[i])) == t.size() - i ? i : t.size() - 1;
}

// The characters a window's trimming drops: ASCII controls 9-13 and blank,
// and the Unicode spaces (no-break, en, em, ideographic...).
std::size_t Space_Length(std::string_view t, std::size_t i) {
    const auto c = static_cast<unsigned char>(t[i]);
    if (c == ' ' || (c >= 9 && c <= 13))
        return 1;
    auto is = [&](std::string_view seq) { return t.substr(i, seq.size()) == seq; };
    if (is("\xC2\x85") || is("\xC2\xA0"))
        return 2;
    if (is("\xE1\x9A\x80") || is("\xE2\x80\xA8") || is("\xE2\x80\xA9") || is("\xE2\x80\xAF") ||
        is("\xE2\x81\x9F") || is("\xE3\x80\x80"))
        return 3;
    if (t.size() - i >= 3 && c == 0xE2 && static_cast<unsigned char>(t[i + 1]) == 0x80) {
        const auto d = static_cast<unsigned char>(t[i + 2]);
        if (d >= 0x80 && d <= 0x8A) // U+2000 to U+200A
            return 3;
    }
    return 0;
}

std::string_view Trim_Spaces(std::string_view t) {
    std::size_t n = 0;
    while (!t.empty() && (n = Space_Length(t, 0)) > 0)
        t.remove_prefix(n);
    // From the end: find the last character that is not a space.
    for (;;) {
        if (t.empty())
            return t;
        const std::size_t last = Last_Character(t);
        if (Space_Length(t, last) != t.size() - last)
            return t;
        t.remove_suffix(t.size() - last);
    }
}

} // namespace

std::string Upper_Case_Field(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= 'a' && c <= 'z') {
            out += static_cast<char>(c - 'a' + 'A');
        } else if (c == '\xC5' && i + 1 < text.size() && text[i + 1] == '\xBF') {
            out += 'S'; // long s
            ++i;
        } else if (c == '\xC3' && i + 1 < text.size() && text[i + 1] == '\x9F') {
            out += "SS"; // sharp s
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<DegreeText> Read_Degree_Text(std::string_view text, DegreeRule rule) {
    const std::string t = Upper_Case_Field(text);
    if (t.empty())
        return std::nullopt;
    const std::size_t last = Last_Character(t);
    DegreeText out;
    std::string_view number;
    const auto blank = t.find(' ');
    if (blank != std::string::npos) {
        number = std::string_view(t).substr(0, blank);
        out.letter = t.substr(last);
    } else if (rule.noBlank == DegreeRule::NoBlank::AllNumber) {
        number = t;
    } else if (rule.noBlank == DegreeRule::NoBlank::LastLetter) {
        // A character beyond 16 bits counts as two, as a window's text
        // counts it; its first half would stay with the number.
        if (t.size() - last == 4)
            return std::nullopt;
        number = Trim_Spaces(std::string_view(t).substr(0, last));
        out.letter = t.substr(last);
    } else {
        return std::nullopt;
    }

    const bool negative = !out.letter.empty() && t.back() == rule.negative;
    if (rule.amount == DegreeRule::Amount::Whole) {
        const std::optional<int16_t> d = To_Whole_Number(number);
        // -(-32768) does not fit.
        if (!d || (negative && *d == INT16_MIN))
            return std::nullopt;
        out.degrees = *d;
        out.value = negative ? -*d : *d;
    } else {
        const std::optional<double> d = To_Number(number);
        if (!d)
            return std::nullopt;
        out.degrees = *d;
        // "0 S" is the equator, not -0.
        out.value = negative && *d != 0 ? -*d : *d;
    }
    return out;
}

std::optional<double> Read_Origin_Latitude(std::string_view text) {
    const std::optional<DegreeText> d = Read_Degree_Text(text, kOriginText);
    if (!d)
        return std::nullopt;
    return d->value;
}

} // namespace numtext
