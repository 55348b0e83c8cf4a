#include "numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace numtext {

namespace {

bool Is_Digit(char c) {
    return c >= '0' && c <= '9';
}

bool Is_Exponent_Letter(char c) {
    return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

bool Is_Ignored_Blank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Beyond these decimal orders a double is certainly infinite or zero, so the
// exponent never has to be handed to the parser in full ("1e99999999999").
constexpr long long kOrderSurelyInfinite = 400;
constexpr long long kOrderSurelyZero = -400;
constexpr long long kExponentCap = 1000000000; // keeps the sums below from overflowing

// The number read so far: digits of the mantissa without the point, how many
// of them stood before the point, and the exponent.
struct Scanned {
    bool negative = false;
    std::string digits;
    long long int_digits = 0;
    long long exponent = 0;
};

// The value of a scanned number, exactly rounded. std::from_chars rather than
// strtod: the point must be "." whatever locale the application has set.
double Value_Of(const Scanned& s) {
    const auto first_nonzero = s.digits.find_first_not_of('0');
    if (first_nonzero == std::string::npos) {
        return 0.0; // also for "-0": a field never shows a negative zero
    }
    const auto k = static_cast<long long>(first_nonzero);
    const long long order = s.int_digits - 1 - k + s.exponent; // power of ten of the leading digit
    const double sign = s.negative ? -1.0 : 1.0;
    if (order > kOrderSurelyInfinite) {
        return sign * std::numeric_limits<double>::infinity();
    }
    if (order < kOrderSurelyZero) {
        return 0.0;
    }
    // Mantissa as a whole number and a power of ten: always a form the parser takes.
    const auto frac_digits = static_cast<long long>(s.digits.size()) - s.int_digits;
    std::string text = s.digits.substr(first_nonzero);
    text += 'e';
    text += std::to_string(s.exponent - frac_digits);
    double value = 0.0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) {
        return order > 0 ? sign * std::numeric_limits<double>::infinity() : 0.0;
    }
    if (value == 0.0) {
        return 0.0;
    }
    return sign * value;
}

// Mantissa and exponent of a finite x at 15 significant digits.
struct Decimal15 {
    bool negative = false;
    std::string digits; // exactly 15 digits; all zeros for 0
    int exponent = 0;   // power of ten of digits[0]
};

Decimal15 To_Decimal15(double x) {
    Decimal15 d;
    d.negative = std::signbit(x);
    char buf[64];
    // to_chars, not printf: exact rounding and no locale.
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 14);
    const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    const auto e_pos = text.find('e');
    for (char c : text.substr(0, e_pos)) {
        if (Is_Digit(c)) {
            d.digits += c;
        }
    }
    const auto exp_text = text.substr(e_pos + 1);
    const char* exp_begin = exp_text.data();
    if (*exp_begin == '+') {
        ++exp_begin;
    }
    std::from_chars(exp_begin, exp_text.data() + exp_text.size(), d.exponent);
    return d;
}

// Integer and fraction digits of a decimal; the integer part has at least one
// digit, the fraction exactly as many as the mantissa reaches.
struct FixedDigits {
    std::string integer;
    std::string fraction;
};

FixedDigits To_Fixed(const Decimal15& d) {
    FixedDigits f;
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent >= 0) {
        const int int_len = d.exponent + 1;
        if (int_len >= n) {
            f.integer = d.digits + std::string(static_cast<std::size_t>(int_len - n), '0');
        } else {
            f.integer = d.digits.substr(0, static_cast<std::size_t>(int_len));
            f.fraction = d.digits.substr(static_cast<std::size_t>(int_len));
        }
    } else {
        f.integer = "0";
        f.fraction = std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + d.digits;
    }
    return f;
}

bool All_Zero(std::string_view s) {
    return s.find_first_not_of('0') == std::string_view::npos;
}

std::string Strip_Leading_Zeros(const std::string& s) {
    const auto p = s.find_first_not_of('0');
    return p == std::string::npos ? std::string() : s.substr(p);
}

std::string Non_Finite_Text(double x) {
    if (std::isnan(x)) {
        return "nan";
    }
    return x < 0 ? "-inf" : "inf";
}

// The mask's layout: how many digits the integer part is padded to, whether a
// point is written, and the placeholders after it.
struct MaskLayout {
    std::size_t min_int_digits = 0;
    bool has_point = false;
    std::string after_point; // '0' and '#' only
};

MaskLayout Parse_Mask(std::string_view mask) {
    MaskLayout m;
    bool zero_seen = false;
    for (char c : mask) {
        if (c == '.') {
            if (m.has_point) {
                continue;
            }
            m.has_point = true;
        } else if (c == '0' || c == '#') {
            if (m.has_point) {
                m.after_point += c;
            } else {
                // Once a "0" appears, every placeholder from it to the point
                // forces a digit: "00#" writes 3 as "003".
                zero_seen = zero_seen || c == '0';
                if (zero_seen) {
                    ++m.min_int_digits;
                }
            }
        }
    }
    return m;
}

// Adds one unit in the last place to a string of decimal digits.
void Increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it == '9') {
            *it = '0';
        } else {
            ++*it;
            return;
        }
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

double Read_Number(std::string_view text) {
    std::string chars;
    chars.reserve(text.size());
    for (char c : text) {
        if (!Is_Ignored_Blank(c)) {
            chars += c;
        }
    }

    Scanned s;
    std::size_t i = 0;
    if (i < chars.size() && (chars[i] == '+' || chars[i] == '-')) {
        s.negative = chars[i] == '-';
        ++i;
    }
    bool point_seen = false;
    for (; i < chars.size(); ++i) {
        const char c = chars[i];
        if (Is_Digit(c)) {
            s.digits += c;
            if (!point_seen) {
                ++s.int_digits;
            }
        } else if (c == '.' && !point_seen) {
            point_seen = true;
        } else {
            break;
        }
    }
    if (s.digits.empty()) {
        return 0.0; // ".", "-", "N", "e5": no number at the start
    }

    // An exponent letter without digits after it is not part of the number:
    // "1e" and "1e+" read as 1.
    if (i < chars.size() && Is_Exponent_Letter(chars[i])) {
        std::size_t j = i + 1;
        bool exp_negative = false;
        if (j < chars.size() && (chars[j] == '+' || chars[j] == '-')) {
            exp_negative = chars[j] == '-';
            ++j;
        }
        long long exponent = 0;
        bool exp_digits = false;
        for (; j < chars.size() && Is_Digit(chars[j]); ++j) {
            exp_digits = true;
            exponent = std::min(exponent * 10 + (chars[j] - '0'), kExponentCap);
        }
        if (exp_digits) {
            s.exponent = exp_negative ? -exponent : exponent;
        }
    }
    return Value_Of(s);
}

bool Is_Number(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    const auto last = text.find_last_not_of(' ');
    const std::string_view t = text.substr(first, last - first + 1);

    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') {
        ++i;
    }
    bool digits = false;
    bool point_seen = false;
    for (; i < t.size(); ++i) {
        if (Is_Digit(t[i])) {
            digits = true;
        } else if (t[i] == '.' && !point_seen) {
            point_seen = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return false;
    }
    if (i == t.size()) {
        return true;
    }
    if (!Is_Exponent_Letter(t[i])) {
        return false;
    }
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    if (i == t.size()) {
        return false; // "1e", "1e+": the exponent needs digits
    }
    for (; i < t.size(); ++i) {
        if (!Is_Digit(t[i])) {
            return false;
        }
    }
    return true;
}

std::optional<double> To_Number(std::string_view text) {
    if (!Is_Number(text)) {
        return std::nullopt;
    }
    const double value = Read_Number(text);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int16_t> To_Whole_Number(std::string_view text) {
    const auto value = To_Number(text);
    if (!value) {
        return std::nullopt;
    }
    // Halves to the even neighbour, independent of the FPU rounding mode.
    double whole = std::floor(*value);
    const double rest = *value - whole; // exact for every double
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    if (whole < std::numeric_limits<int16_t>::min() ||
        whole > std::numeric_limits<int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int16_t>(whole);
}

std::string Plain_Text(double x) {
    if (!std::isfinite(x)) {
        return Non_Finite_Text(x);
    }
    const Decimal15 d = To_Decimal15(x);
    if (All_Zero(d.digits)) {
        return "0";
    }
    FixedDigits f = To_Fixed(d);
    const auto last = f.fraction.find_last_not_of('0');
    f.fraction.erase(last == std::string::npos ? 0 : last + 1);
    std::string out = d.negative ? "-" : "";
    out += f.integer;
    if (!f.fraction.empty()) {
        out += '.';
        out += f.fraction;
    }
    return out;
}

std::string Blank_Signed_Text(double x) {
    const std::string plain = Plain_Text(x);
    return x >= 0 ? " " + plain : plain;
}

std::string Format_Mask(double x, std::string_view mask) {
    if (!std::isfinite(x)) {
        return Non_Finite_Text(x);
    }
    if (mask.empty()) {
        return Plain_Text(x);
    }
    const MaskLayout m = Parse_Mask(mask);
    const std::size_t decimals = m.after_point.size();

    // Round the 15-digit decimal, not the binary value: 2.675 is 2.67499999...
    // in binary but shows as 2.68, as the plain text "2.675" suggests.
    const Decimal15 d = To_Decimal15(x);
    FixedDigits f = To_Fixed(d);
    if (f.fraction.size() < decimals + 1) {
        f.fraction.resize(decimals + 1, '0');
    }
    const bool round_up = f.fraction[decimals] >= '5';
    std::string digits = f.integer + f.fraction.substr(0, decimals);
    if (round_up) {
        Increment(digits);
    }
    const std::size_t int_len = digits.size() - decimals;
    std::string integer = Strip_Leading_Zeros(digits.substr(0, int_len));
    std::string fraction = digits.substr(int_len);

    std::string out;
    if (d.negative && !All_Zero(digits)) {
        out += '-';
    }
    if (integer.size() < m.min_int_digits) {
        integer.insert(0, m.min_int_digits - integer.size(), '0');
    }
    out += integer;
    if (m.has_point) {
        out += '.';
        // Digits up to the last "0" placeholder always show; "#" places only
        // up to the last non-zero digit.
        const auto last_forced = m.after_point.find_last_of('0');
        const auto last_nonzero = fraction.find_last_not_of('0');
        std::size_t shown = 0;
        if (last_forced != std::string::npos) {
            shown = last_forced + 1;
        }
        if (last_nonzero != std::string::npos) {
            shown = std::max(shown, last_nonzero + 1);
        }
        out += fraction.substr(0, shown);
    }
    return out;
}

LayoutTexts Layout_Minutes(const GeographicResult& r) {
    LayoutTexts t;
    t.lat = Blank_Signed_Text(r.lat_deg) + " Deg " + Format_Mask(r.lat_min, "##.#####") + " Min " +
            r.lat_hemis;
    t.lon = Format_Mask(r.long_deg, "00#") + " Deg " + Format_Mask(r.long_min, "##.#####") +
            " Min " + r.long_hemis;
    return t;
}

LayoutTexts Layout_Seconds(const GeographicResult& r) {
    LayoutTexts t;
    t.lat = Blank_Signed_Text(std::fabs(r.lat_deg)) + " Deg " +
            Blank_Signed_Text(std::trunc(r.lat_min)) + " Min " + Format_Mask(r.lat_sec, "#0.000") +
            " Sec " + r.lat_hemis;
    // Degrees reach the padding through their blank-signed text, read back:
    // the same 15-digit view of the number that the latitude shows.
    const double long_deg = Read_Number(Blank_Signed_Text(std::fabs(r.long_deg)));
    t.lon = Format_Mask(long_deg, "00#") + " Deg " + Blank_Signed_Text(std::trunc(r.long_min)) +
            " Min " + Format_Mask(r.long_sec, "#0.000") + " Sec " + r.long_hemis;
    return t;
}

} // namespace numtext
