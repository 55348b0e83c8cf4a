#include "numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
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
// point is written, how many placeholders follow it, and how many of those
// always show (up to and including the last "0").
struct MaskLayout {
    std::size_t min_int_digits = 0;
    bool has_point = false;
    std::size_t decimals = 0;
    std::size_t forced = 0;
};

MaskLayout Parse_Mask(std::string_view mask) {
    MaskLayout m;
    bool zero_seen = false;
    for (char c : mask) {
        if (c == '.') {
            m.has_point = true; // a second point adds nothing
        } else if (c == '0' || c == '#') {
            if (m.has_point) {
                ++m.decimals;
                if (c == '0') {
                    m.forced = m.decimals;
                }
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

// Any text Read_Number takes: blanks removed, then scanned into digits.
double Read_Number_General(std::string_view text) {
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

// Reading and writing without building strings, for the lengths that fields
// hold. Each returns "not handled" for anything else, which then takes the
// general path above; both give the same results for what the short one
// handles.

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxShortDigits = 19;                    // fits a uint64_t
constexpr std::uint64_t kExactMantissa = std::uint64_t(1) << 53;

// Read_Number for at most 19 significant digits, which are read exactly as
// an integer. A mantissa up to 2^53 and a power of ten up to 22 are both
// exact doubles, so their product or quotient is the correctly rounded value,
// the same double from_chars gives (Clinger's fast path); other short numbers
// go to from_chars from a buffer on the stack. False: more digits.
bool Read_Number_Short(std::string_view text, double& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    // Blanks are ignored anywhere, so every look at the next character skips them.
    auto next = [&p, end]() -> int {
        while (p != end && Is_Ignored_Blank(*p)) {
            ++p;
        }
        return p == end ? -1 : static_cast<unsigned char>(*p);
    };

    bool negative = false;
    int c = next();
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++p;
        c = next();
    }
    std::uint64_t mantissa = 0;
    int significant = 0;      // digits from the first non-zero one on
    long long int_digits = 0; // digits before the point
    long long digits = 0;     // all digits
    bool point_seen = false;
    for (;; c = next()) {
        if (c >= '0' && c <= '9') {
            ++digits;
            if (!point_seen) {
                ++int_digits;
            }
            if (significant > 0 || c != '0') {
                if (significant == kMaxShortDigits) {
                    return false;
                }
                mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
                ++significant;
            }
            ++p;
        } else if (c == '.' && !point_seen) {
            point_seen = true;
            ++p;
        } else {
            break;
        }
    }
    if (digits == 0 || mantissa == 0) {
        value = 0.0; // no number at the start, or zero ("-0" included)
        return true;
    }

    long long exponent = 0;
    if (c >= 0 && Is_Exponent_Letter(static_cast<char>(c))) {
        ++p;
        int e = next();
        bool exp_negative = false;
        if (e == '+' || e == '-') {
            exp_negative = e == '-';
            ++p;
            e = next();
        }
        long long magnitude = 0;
        bool exp_digits = false;
        for (; e >= '0' && e <= '9'; e = next()) {
            exp_digits = true;
            magnitude = std::min(magnitude * 10 + (e - '0'), kExponentCap);
            ++p;
        }
        if (exp_digits) {
            exponent = exp_negative ? -magnitude : magnitude;
        }
    }

    const long long leading_zeros = digits - significant;
    const long long order = int_digits - 1 - leading_zeros + exponent;
    const double sign = negative ? -1.0 : 1.0;
    if (order > kOrderSurelyInfinite) {
        value = sign * std::numeric_limits<double>::infinity();
        return true;
    }
    if (order < kOrderSurelyZero) {
        value = 0.0;
        return true;
    }
    const long long power = exponent - (digits - int_digits);
    if (mantissa <= kExactMantissa && power >= -22 && power <= 22) {
        const double m = static_cast<double>(mantissa);
        value = sign * (power >= 0 ? m * kPow10[power] : m / kPow10[-power]);
        return true;
    }
    char buf[48];
    char* const mantissa_end = std::to_chars(buf, buf + 24, mantissa).ptr;
    *mantissa_end = 'e';
    char* const text_end = std::to_chars(mantissa_end + 1, buf + sizeof buf, power).ptr;
    double parsed_value = 0.0;
    const auto parsed = std::from_chars(buf, text_end, parsed_value);
    if (parsed.ec == std::errc::result_out_of_range) {
        value = order > 0 ? sign * std::numeric_limits<double>::infinity() : 0.0;
    } else {
        value = parsed_value == 0.0 ? 0.0 : sign * parsed_value;
    }
    return true;
}

// Texts of numbers whose power of ten and mask stay within these bounds are
// written into a buffer on the stack of kShortTextSize characters.
constexpr int kShortOrder = 40;
constexpr std::size_t kShortMask = 40;
constexpr std::size_t kShortTextSize = 128;

// Decimal15 without the string: the 15 digits and the power of ten of the first.
struct Digits15 {
    char digits[15];
    int exponent = 0;
};

constexpr std::uint64_t kPow10Int[] = {1ull,
                                       10ull,
                                       100ull,
                                       1000ull,
                                       10000ull,
                                       100000ull,
                                       1000000ull,
                                       10000000ull,
                                       100000000ull,
                                       1000000000ull,
                                       10000000000ull,
                                       100000000000ull,
                                       1000000000000ull,
                                       10000000000000ull,
                                       100000000000000ull,
                                       1000000000000000ull};

// The 15 digits of 1 <= ax < 1e15 by exact integer arithmetic: ax is m / 2^s
// with m < 2^53 and 3 <= s <= 52, so ax * 10^(14 - e) is m * 10^(14 - e) / 2^s,
// whose numerator fits 128 bits. Halves to even, as to_chars rounds.
#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 u128;

bool Digits15_Exact(double ax, Digits15& d) {
    if (!(ax >= 1.0 && ax < 1e15)) {
        return false;
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, &ax, sizeof bits);
    const std::uint64_t m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    const int shift = 1075 - static_cast<int>(bits >> 52); // ax = m / 2^shift
    const std::uint64_t whole = m >> shift;
    int e = 0;
    while (e < 14 && whole >= kPow10Int[e + 1]) {
        ++e;
    }
    const u128 scaled = static_cast<u128>(m) * kPow10Int[14 - e];
    std::uint64_t n = static_cast<std::uint64_t>(scaled >> shift);
    const u128 rest = scaled - (static_cast<u128>(n) << shift);
    const u128 half = static_cast<u128>(1) << (shift - 1);
    if (rest > half || (rest == half && (n & 1) != 0)) {
        ++n;
    }
    if (n == kPow10Int[15]) { // 9.99...95 rounded up to the next power of ten
        n = kPow10Int[14];
        ++e;
    }
    // Two independent halves, two digits a step: a short chain of divisions.
    std::uint64_t high = n / 100000000; // 7 digits
    std::uint32_t low = static_cast<std::uint32_t>(n % 100000000); // 8 digits
    for (int i = 13; i >= 7; i -= 2) {
        const std::uint32_t pair = low % 100;
        low /= 100;
        d.digits[i] = static_cast<char>('0' + pair / 10);
        d.digits[i + 1] = static_cast<char>('0' + pair % 10);
    }
    for (int i = 5; i >= 1; i -= 2) {
        const std::uint32_t pair = static_cast<std::uint32_t>(high % 100);
        high /= 100;
        d.digits[i] = static_cast<char>('0' + pair / 10);
        d.digits[i + 1] = static_cast<char>('0' + pair % 10);
    }
    d.digits[0] = static_cast<char>('0' + high);
    d.exponent = e;
    return true;
}
#else
bool Digits15_Exact(double, Digits15&) {
    return false; // no 128-bit integers: to_chars does it all
}
#endif

Digits15 To_Digits15(double x) {
    Digits15 d;
    if (Digits15_Exact(std::fabs(x), d)) {
        return d;
    }
    char buf[40];
    // "d.ddddddddddddddde+XX", exactly rounded, no locale.
    const char* const text_end =
        std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 14).ptr;
    d.digits[0] = buf[0];
    std::memcpy(d.digits + 1, buf + 2, 14);
    const char* e = buf + 17; // after the 'e'
    const bool negative = *e == '-';
    ++e;
    int exponent = 0;
    for (; e != text_end; ++e) {
        exponent = exponent * 10 + (*e - '0');
    }
    d.exponent = negative ? -exponent : exponent;
    return d;
}

bool All_Zero(const char* s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (s[i] != '0') {
            return false;
        }
    }
    return true;
}

// To_Fixed into buffers: integer digits to `integer`, fraction digits to
// `fraction`; returns their lengths. Each buffer holds kShortTextSize.
void To_Fixed_Short(const Digits15& d, char* integer, std::size_t& int_len, char* fraction,
                    std::size_t& frac_len) {
    if (d.exponent >= 0) {
        const std::size_t whole = static_cast<std::size_t>(d.exponent) + 1;
        if (whole >= 15) {
            std::memcpy(integer, d.digits, 15);
            std::memset(integer + 15, '0', whole - 15);
            int_len = whole;
            frac_len = 0;
        } else {
            std::memcpy(integer, d.digits, whole);
            int_len = whole;
            std::memcpy(fraction, d.digits + whole, 15 - whole);
            frac_len = 15 - whole;
        }
    } else {
        integer[0] = '0';
        int_len = 1;
        const std::size_t zeros = static_cast<std::size_t>(-d.exponent - 1);
        std::memset(fraction, '0', zeros);
        std::memcpy(fraction + zeros, d.digits, 15);
        frac_len = zeros + 15;
    }
}

// Plain_Text of a finite x into `out`; its length, or 0 when not short.
std::size_t Plain_Text_Short(double x, char* out) {
    const Digits15 d = To_Digits15(x);
    if (All_Zero(d.digits, 15)) {
        out[0] = '0';
        return 1;
    }
    if (d.exponent > kShortOrder || d.exponent < -kShortOrder) {
        return 0;
    }
    char integer[kShortTextSize];
    char fraction[kShortTextSize];
    std::size_t int_len = 0;
    std::size_t frac_len = 0;
    To_Fixed_Short(d, integer, int_len, fraction, frac_len);
    while (frac_len > 0 && fraction[frac_len - 1] == '0') {
        --frac_len;
    }
    char* o = out;
    if (std::signbit(x)) {
        *o++ = '-';
    }
    std::memcpy(o, integer, int_len);
    o += int_len;
    if (frac_len > 0) {
        *o++ = '.';
        std::memcpy(o, fraction, frac_len);
        o += frac_len;
    }
    return static_cast<std::size_t>(o - out);
}

// Format_Mask of a finite x and a non-empty mask into `out`; its length, or
// 0 when not short.
std::size_t Format_Mask_Short(double x, std::string_view mask, char* out) {
    if (mask.size() > kShortMask) {
        return 0;
    }
    const MaskLayout m = Parse_Mask(mask);
    const std::size_t min_int_digits = m.min_int_digits;
    const bool has_point = m.has_point;
    const std::size_t decimals = m.decimals;
    const std::size_t forced = m.forced;

    const Digits15 d = To_Digits15(x);
    if (d.exponent > kShortOrder || d.exponent < -kShortOrder) {
        return 0;
    }
    // Integer digits and the mask's decimals side by side, one spare place
    // in front for a carry out of the rounding.
    char digits[kShortTextSize];
    char fraction[kShortTextSize];
    std::size_t int_len = 0;
    std::size_t frac_len = 0;
    To_Fixed_Short(d, digits + 1, int_len, fraction, frac_len);
    if (frac_len < decimals + 1) {
        std::memset(fraction + frac_len, '0', decimals + 1 - frac_len);
    }
    const bool round_up = fraction[decimals] >= '5';
    std::memcpy(digits + 1 + int_len, fraction, decimals);
    char* first = digits + 1;
    std::size_t len = int_len + decimals;
    if (round_up) {
        std::size_t i = len;
        while (i > 0 && first[i - 1] == '9') {
            first[--i] = '0';
        }
        if (i > 0) {
            ++first[i - 1];
        } else {
            *--first = '1';
            ++len;
        }
    }
    const std::size_t whole = len - decimals;
    std::size_t skip = 0;
    while (skip < whole && first[skip] == '0') {
        ++skip;
    }

    char* o = out;
    if (std::signbit(x) && !All_Zero(first, len)) {
        *o++ = '-';
    }
    const std::size_t shown_int = whole - skip;
    if (shown_int < min_int_digits) {
        std::memset(o, '0', min_int_digits - shown_int);
        o += min_int_digits - shown_int;
    }
    std::memcpy(o, first + skip, shown_int);
    o += shown_int;
    if (has_point) {
        *o++ = '.';
        const char* frac = first + whole;
        std::size_t shown = forced;
        for (std::size_t i = decimals; i > shown; --i) {
            if (frac[i - 1] != '0') {
                shown = i;
                break;
            }
        }
        std::memcpy(o, frac, shown);
        o += shown;
    }
    return static_cast<std::size_t>(o - out);
}
} // namespace

double Read_Number(std::string_view text) {
    double value = 0.0;
    return Read_Number_Short(text, value) ? value : Read_Number_General(text);
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

namespace {

std::string Plain_Text_General(double x) {
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

} // namespace

std::string Plain_Text(double x) {
    if (!std::isfinite(x)) {
        return Non_Finite_Text(x);
    }
    char buf[kShortTextSize];
    const std::size_t n = Plain_Text_Short(x, buf);
    return n ? std::string(buf, n) : Plain_Text_General(x);
}

std::string Blank_Signed_Text(double x) {
    const std::string plain = Plain_Text(x);
    return x >= 0 ? " " + plain : plain;
}

namespace {

std::string Format_Mask_General(double x, std::string_view mask) {
    const MaskLayout m = Parse_Mask(mask);
    const std::size_t decimals = m.decimals;

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
        const auto last_nonzero = fraction.find_last_not_of('0');
        std::size_t shown = m.forced;
        if (last_nonzero != std::string::npos) {
            shown = std::max(shown, last_nonzero + 1);
        }
        out += fraction.substr(0, shown);
    }
    return out;
}

} // namespace

std::string Format_Mask(double x, std::string_view mask) {
    if (!std::isfinite(x)) {
        return Non_Finite_Text(x);
    }
    if (mask.empty()) {
        return Plain_Text(x);
    }
    char buf[kShortTextSize];
    const std::size_t n = Format_Mask_Short(x, mask, buf);
    return n ? std::string(buf, n) : Format_Mask_General(x, mask);
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
    // the same 15-digit view of the number that the latitude shows. For the
    // very largest doubles that text reads as infinity; the value itself has
    // the same 15-digit view.
    double long_deg = Read_Number(Blank_Signed_Text(std::fabs(r.long_deg)));
    if (std::isinf(long_deg)) {
        long_deg = std::fabs(r.long_deg);
    }
    t.lon = Format_Mask(long_deg, "00#") + " Deg " + Blank_Signed_Text(std::trunc(r.long_min)) +
            " Min " + Format_Mask(r.long_sec, "#0.000") + " Sec " + r.long_hemis;
    return t;
}

} // namespace numtext
