// Format_Mask, Plain_Text and Blank_Signed_Text on any double and any mask.
//
// Input: eight bytes of the double's bit pattern (so NaNs, infinities and
// denormals come up), then the mask. Non-finite values give "nan", "inf" or
// "-inf"; a finite value gives a plain decimal that reads back within half a
// unit of the mask's last place of Plain_Text's reading.
#include "numtext.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what, double x, std::string_view mask, std::string_view out) {
    std::fprintf(stderr, "%s\nx = %.17g (%a)\nmask: \"%.*s\"\nout: \"%.*s\"\n", what, x, x,
                 static_cast<int>(mask.size()), mask.data(), static_cast<int>(out.size()),
                 out.data());
    std::abort();
}

// -?digits?(.digits?)?, never a sign before nothing but zeros. A mask of
// "#" alone shows a value that rounds to zero as nothing at all.
bool plainDecimal(std::string_view s) {
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative)
        ++i;
    bool point = false, nonzero = false;
    for (; i < s.size(); ++i) {
        if (s[i] == '.') {
            if (point)
                return false;
            point = true;
        } else if (s[i] >= '0' && s[i] <= '9') {
            nonzero = nonzero || s[i] != '0';
        } else {
            return false;
        }
    }
    return !negative || nonzero;
}

std::string nonFinite(double x) {
    if (std::isnan(x))
        return "nan";
    return x < 0 ? "-inf" : "inf";
}

// Placeholders after the first point.
std::size_t maskDecimals(std::string_view mask) {
    const auto point = mask.find('.');
    if (point == std::string_view::npos)
        return 0;
    std::size_t n = 0;
    for (char c : mask.substr(point + 1))
        n += c == '0' || c == '#';
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(double))
        return 0;
    double x;
    std::memcpy(&x, data, sizeof x);
    const std::string_view mask(reinterpret_cast<const char*>(data) + sizeof x, size - sizeof x);

    const std::string plain = numtext::Plain_Text(x);
    const std::string signed_text = numtext::Blank_Signed_Text(x);
    const std::string out = numtext::Format_Mask(x, mask);

    if (!std::isfinite(x)) {
        const std::string want = nonFinite(x);
        if (plain != want || out != want)
            fail("non-finite value not written as nan/inf", x, mask, out);
        return 0;
    }

    // Plain_Text: 15 significant digits at most, no trailing zeros, never "-0".
    if (plain.empty() || !plainDecimal(plain) || plain.back() == '.' || plain.front() == '.')
        fail("Plain_Text is not a plain decimal", x, "", plain);
    if (plain.find('.') != std::string::npos && plain.back() == '0')
        fail("Plain_Text keeps a trailing zero", x, "", plain);
    {
        std::size_t significant = 0;
        bool started = false;
        for (char c : plain) {
            started = started || (c >= '1' && c <= '9');
            significant += started && c >= '0' && c <= '9';
        }
        // Trailing zeros of a whole number are not significant.
        std::string_view digits(plain);
        if (digits.find('.') == std::string_view::npos) {
            const auto last = digits.find_last_not_of('0');
            if (last != std::string_view::npos)
                significant -= digits.size() - 1 - last;
        }
        if (significant > 15)
            fail("Plain_Text shows more than 15 digits", x, "", plain);
    }
    const std::string want_signed = (x >= 0 ? " " : "") + plain;
    if (signed_text != want_signed)
        fail("Blank_Signed_Text is not Plain_Text behind a blank", x, "", signed_text);

    if (!plainDecimal(out))
        fail("Format_Mask is not a plain decimal", x, mask, out);
    if (mask.empty()) {
        if (out != plain)
            fail("empty mask is not Plain_Text", x, mask, out);
        return 0;
    }

    // The result layouts built from these texts show numbers only.
    const numtext::GeographicResult g{x, x, x, "N", x, x, x, "W"};
    for (const numtext::LayoutTexts& t : {numtext::Layout_Minutes(g), numtext::Layout_Seconds(g)})
        for (const std::string* text : {&t.lat, &t.lon})
            if (text->find("inf") != std::string::npos || text->find("nan") != std::string::npos)
                fail("inf or nan in a result layout", x, "", *text);

    // Rounded to the mask's decimals, the value stays within half a unit of
    // the last place of the 15-digit value. Near the largest double the
    // 15-digit text itself reads as infinity.
    const double p = numtext::Read_Number(plain);
    const double r = numtext::Read_Number(out);
    if (std::isinf(p)) {
        if (r != p)
            fail("Format_Mask reads back unlike Plain_Text", x, mask, out);
    } else {
        const std::size_t decimals = maskDecimals(mask);
        const double half =
            decimals > 400 ? 0.0 : 0.5 * std::pow(10.0, -static_cast<double>(decimals));
        const double slack = 4 * std::fmax(std::nextafter(std::fabs(p), INFINITY) - std::fabs(p),
                                           std::nextafter(std::fabs(r), INFINITY) - std::fabs(r));
        if (!(std::fabs(r - p) <= half * (1 + 1e-9) + slack))
            fail("Format_Mask strays beyond the mask's rounding", x, mask, out);
    }

    // The short path takes masks up to 40 characters; blanks added behind the
    // mask change nothing in it but send it down the general path.
    if (mask.size() <= 40) {
        const std::string longer =
            numtext::Format_Mask(x, std::string(mask) + std::string(41, ' '));
        if (longer != out)
            fail("short and general paths differ", x, mask, out + " vs " + longer);
    }
    return 0;
}
