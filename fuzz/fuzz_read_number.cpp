// Read_Number, Is_Number, To_Number and To_Whole_Number on any text.
//
// Read_Number is held against glibc's strtod (an independent, exactly
// rounding reader) on the prefix the lenient rule accepts; the strict
// functions must agree with it and with each other.
#include "numtext.h"

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what, std::string_view text, double got = 0, double want = 0) {
    std::fprintf(stderr, "%s\ntext: \"%.*s\"\ngot %.17g, expected %.17g\n", what,
                 static_cast<int>(text.size()), text.data(), got, want);
    std::abort();
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The lenient rule by hand: blanks dropped, then the longest prefix of the
// form [sign] digits-with-one-point [exponent letter [sign] digits].
// `whole` tells whether that prefix is all of the text.
struct Reference {
    double value = 0;
    bool whole = false;
};

Reference reference(std::string_view text) {
    std::string s;
    for (char c : text)
        if (!blank(c))
            s += c;
    std::string n;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        n += s[i++];
    bool point = false, digits = false;
    for (; i < s.size(); ++i) {
        if (digit(s[i])) {
            digits = true;
            n += s[i];
        } else if (s[i] == '.' && !point) {
            point = true;
            n += s[i];
        } else {
            break;
        }
    }
    if (!digits)
        return {0.0, false};
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string e = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            e += s[j++];
        const std::size_t first = j;
        while (j < s.size() && digit(s[j]))
            e += s[j++];
        if (j > first) {
            n += e;
            i = j;
        }
    }
    errno = 0;
    double v = std::strtod(n.c_str(), nullptr);
    if (v == 0)
        v = 0; // a field never reads as -0
    return {v, i == s.size()};
}

bool same(double a, double b) {
    return (a == b && std::signbit(a) == std::signbit(b)) || (std::isnan(a) && std::isnan(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double got = numtext::Read_Number(text);
    if (std::isnan(got))
        fail("Read_Number gave NaN", text, got);
    const Reference ref = reference(text);
    if (!same(got, ref.value))
        fail("Read_Number differs from strtod", text, got, ref.value);

    const bool strict = numtext::Is_Number(text);
    if (strict) {
        // Only surrounding blanks, and the lenient reader takes all the rest.
        const auto first = text.find_first_not_of(' ');
        const auto last = text.find_last_not_of(' ');
        const std::string_view core = text.substr(first, last - first + 1);
        for (char c : core)
            if (blank(c))
                fail("Is_Number took a blank inside the number", text);
        if (!ref.whole)
            fail("Is_Number took text Read_Number stops before", text);
    }

    const auto number = numtext::To_Number(text);
    const bool expect_number = strict && std::isfinite(got);
    if (number.has_value() != expect_number)
        fail("To_Number disagrees with Is_Number and Read_Number", text, number.value_or(0), got);
    if (number && !same(*number, got))
        fail("To_Number differs from Read_Number", text, *number, got);

    const auto whole = numtext::To_Whole_Number(text);
    if (number) {
        // nearbyint in the default mode: halves to the even neighbour.
        const double r = std::nearbyint(*number);
        const bool fits = r >= INT16_MIN && r <= INT16_MAX;
        if (whole.has_value() != fits)
            fail("To_Whole_Number range disagrees", text, whole.value_or(0), r);
        if (whole && *whole != r)
            fail("To_Whole_Number rounds differently", text, *whole, r);
    } else if (whole) {
        fail("To_Whole_Number of a non-number", text, *whole);
    }

    // A finite reading written back and read again keeps its 15 digits.
    if (std::isfinite(got)) {
        const std::string plain = numtext::Plain_Text(got);
        if (!numtext::Is_Number(plain))
            fail("Plain_Text is not a number by Is_Number", plain, got);
        const double again = numtext::Read_Number(plain);
        if (numtext::Plain_Text(again) != plain)
            fail("Plain_Text does not survive a reading", plain, again, got);
    }
    return 0;
}
