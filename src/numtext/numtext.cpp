#include "numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>

namespace numtext {

namespace {

bool Is_Digit(int c) {
    return c >= '0' && c <= '9';
}

bool Is_Exponent_Letter(int c) {
    return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

bool Is_Ignored_Blank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool All_Zero(const char* s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (s[i] != '0') {
            return false;
        }
    }
    return true;
}

// Room for a text: on the stack up to N characters, on the heap beyond, so
// that no length has a path of its own.
template <std::size_t N>
class Scratch {
  public:
    char* Room(std::size_t n) {
        if (n <= N) {
            return local_;
        }
        heap_ = std::make_unique<char[]>(n);
        return heap_.get();
    }

  private:
    char local_[N];
    std::unique_ptr<char[]> heap_;
};

// Beyond these decimal orders a double is certainly infinite or zero, so the
// exponent never has to be handed to the parser in full ("1e99999999999").
constexpr long long kOrderSurelyInfinite = 400;
constexpr long long kOrderSurelyZero = -400;
constexpr long long kExponentCap = 1000000000; // keeps the sums below from overflowing

constexpr int kMantissaDigits = 19; // fits a uint64_t
constexpr std::uint64_t kExactMantissa = std::uint64_t(1) << 53;
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The number at the start of a text, as far as it goes.
struct Scanned {
    bool negative = false;
    long long digits = 0;      // all digits of the mantissa
    long long int_digits = 0;  // those before the point
    long long significant = 0; // those from the first non-zero one on
    const char* first_significant = nullptr;
    std::uint64_t mantissa = 0; // the significant digits, while they fit
    long long exponent = 0;
    const char* end = nullptr; // just after the number
};

// What a scan is for: Is_Number asks only whether the text has the form of
// a number and takes no blanks inside it; Read_Number wants the value and
// ignores blanks anywhere.
enum class ScanFor { Form, Value };

// Sign, digits with at most one point, and an exponent that counts only with
// digits of its own ("1e" and "1e+" end before the letter).
template <ScanFor kFor>
Scanned Scan_Number(std::string_view text) {
    constexpr bool kValue = kFor == ScanFor::Value;
    Scanned s;
    const char* p = text.data();
    const char* const end = p + text.size();
    auto next = [&p, end]() -> int {
        if constexpr (kValue) {
            while (p != end && Is_Ignored_Blank(*p)) {
                ++p;
            }
        }
        return p == end ? -1 : static_cast<unsigned char>(*p);
    };

    int c = next();
    if (c == '+' || c == '-') {
        s.negative = c == '-';
        ++p;
        c = next();
    }
    bool point_seen = false;
    for (;; c = next()) {
        if (Is_Digit(c)) {
            ++s.digits;
            if constexpr (kValue) {
                if (!point_seen) {
                    ++s.int_digits;
                }
                if (s.significant > 0 || c != '0') {
                    if (s.significant == 0) {
                        s.first_significant = p;
                    }
                    if (s.significant < kMantissaDigits) {
                        s.mantissa = s.mantissa * 10 + static_cast<unsigned>(c - '0');
                    }
                    ++s.significant;
                }
            }
            ++p;
        } else if (c == '.' && !point_seen) {
            point_seen = true;
            ++p;
        } else {
            break;
        }
    }
    if (s.digits > 0 && Is_Exponent_Letter(c)) {
        const char* const letter = p;
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
        for (; Is_Digit(e); e = next()) {
            exp_digits = true;
            if constexpr (kValue) {
                magnitude = std::min(magnitude * 10 + (e - '0'), kExponentCap);
            }
            ++p;
        }
        if (exp_digits) {
            s.exponent = exp_negative ? -magnitude : magnitude;
        } else {
            p = letter;
        }
    }
    s.end = p;
    return s;
}

// The significant digits as a whole number times 10^power, handed to
// from_chars: exactly rounded, and "." whatever locale the application set.
double Parse_Significant(const Scanned& s, long long power, long long order) {
    const auto n = static_cast<std::size_t>(s.significant);
    Scratch<64> room;
    char* const text = room.Room(n + 24);
    char* t = text;
    for (const char* p = s.first_significant; t != text + n; ++p) {
        if (Is_Digit(*p)) { // passes over the blanks and the point
            *t++ = *p;
        }
    }
    *t++ = 'e';
    t = std::to_chars(t, text + n + 24, power).ptr;
    const double sign = s.negative ? -1.0 : 1.0;
    double value = 0.0;
    if (std::from_chars(text, t, value).ec == std::errc::result_out_of_range) {
        return order > 0 ? sign * std::numeric_limits<double>::infinity() : 0.0;
    }
    return value == 0.0 ? 0.0 : sign * value;
}

// The 15 significant digits of |x| and the power of ten of the first.
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

// Room for the integer and fraction digits of any finite double side by side:
// the smallest subnormal, 4.94...e-324, lays out as "0" and 323 zeros before
// its 15 digits; the largest needs 309 integer digits.
constexpr std::size_t kFixedRoom = 1 + 323 + 15;

struct FixedLengths {
    std::size_t integer = 0; // at least 1
    std::size_t fraction = 0;
};

// The integer digits of d followed directly by its fraction digits, as far as
// the 15 digits reach, into out (kFixedRoom characters).
FixedLengths Lay_Out(const Digits15& d, char* out) {
    FixedLengths f;
    if (d.exponent >= 0) {
        const std::size_t whole = static_cast<std::size_t>(d.exponent) + 1;
        std::memcpy(out, d.digits, 15);
        if (whole >= 15) {
            std::memset(out + 15, '0', whole - 15);
        } else {
            f.fraction = 15 - whole;
        }
        f.integer = whole;
    } else {
        const std::size_t zeros = static_cast<std::size_t>(-d.exponent - 1);
        out[0] = '0';
        std::memset(out + 1, '0', zeros);
        std::memcpy(out + 1 + zeros, d.digits, 15);
        f.integer = 1;
        f.fraction = zeros + 15;
    }
    return f;
}

// Adds one unit in the last place to the len digits at first; a carry out of
// the first digit takes the place before it, which must be there.
void Increment(char*& first, std::size_t& len) {
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

} // namespace

double Read_Number(std::string_view text) {
    const Scanned s = Scan_Number<ScanFor::Value>(text);
    if (s.significant == 0) {
        return 0.0; // no number at the start, or zero: a field never shows "-0"
    }
    const long long order = s.int_digits - 1 - (s.digits - s.significant) + s.exponent;
    const double sign = s.negative ? -1.0 : 1.0;
    if (order > kOrderSurelyInfinite) {
        return sign * std::numeric_limits<double>::infinity();
    }
    if (order < kOrderSurelyZero) {
        return 0.0;
    }
    const long long power = s.exponent - (s.digits - s.int_digits);
    // A mantissa up to 2^53 and a power of ten up to 22 are both exact, so
    // their product or quotient is already the correctly rounded value, the
    // one from_chars would give (Clinger's fast path).
    if (s.significant <= kMantissaDigits && s.mantissa <= kExactMantissa && power >= -22 &&
        power <= 22) {
        const double m = static_cast<double>(s.mantissa);
        return sign * (power >= 0 ? m * kPow10[power] : m / kPow10[-power]);
    }
    return Parse_Significant(s, power, order);
}

bool Is_Number(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    const auto last = text.find_last_not_of(' ');
    const std::string_view t = text.substr(first, last - first + 1);
    const Scanned s = Scan_Number<ScanFor::Form>(t);
    return s.digits > 0 && s.end == t.data() + t.size();
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
    const Digits15 d = To_Digits15(x);
    if (All_Zero(d.digits, 15)) {
        return "0";
    }
    char out[1 + kFixedRoom + 1];
    char* o = out;
    if (std::signbit(x)) {
        *o++ = '-';
    }
    const FixedLengths f = Lay_Out(d, o);
    o += f.integer;
    std::size_t frac_len = f.fraction;
    while (frac_len > 0 && o[frac_len - 1] == '0') {
        --frac_len;
    }
    if (frac_len > 0) {
        std::memmove(o + 1, o, frac_len);
        *o++ = '.';
        o += frac_len;
    }
    return std::string(out, static_cast<std::size_t>(o - out));
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
    const std::size_t decimals = m.decimals;

    // Round the 15-digit decimal, not the binary value: 2.675 is 2.67499999...
    // in binary but shows as 2.68, as the plain text "2.675" suggests.
    const Digits15 d = To_Digits15(x);
    // Integer digits, then the fraction to one place past the mask's decimals;
    // one spare place in front for a carry out of the rounding.
    Scratch<512> digits_room;
    char* first = digits_room.Room(1 + kFixedRoom + decimals + 1) + 1;
    const FixedLengths f = Lay_Out(d, first);
    if (f.fraction < decimals + 1) {
        std::memset(first + f.integer + f.fraction, '0', decimals + 1 - f.fraction);
    }
    std::size_t len = f.integer + decimals;
    if (first[len] >= '5') {
        Increment(first, len);
    }
    const std::size_t whole = len - decimals;
    std::size_t skip = 0;
    while (skip < whole && first[skip] == '0') {
        ++skip;
    }
    const std::size_t shown_int = whole - skip;

    Scratch<512> out_room;
    char* const out = out_room.Room(1 + std::max(shown_int, m.min_int_digits) + 1 + decimals);
    char* o = out;
    if (std::signbit(x) && !All_Zero(first, len)) {
        *o++ = '-'; // a value that rounds to zero shows no sign
    }
    if (shown_int < m.min_int_digits) {
        std::memset(o, '0', m.min_int_digits - shown_int);
        o += m.min_int_digits - shown_int;
    }
    std::memcpy(o, first + skip, shown_int);
    o += shown_int;
    if (m.has_point) {
        *o++ = '.';
        // Digits up to the last "0" placeholder always show; "#" places only
        // up to the last non-zero digit.
        const char* const frac = first + whole;
        std::size_t shown = m.forced;
        for (std::size_t i = decimals; i > shown; --i) {
            if (frac[i - 1] != '0') {
                shown = i;
                break;
            }
        }
        std::memcpy(o, frac, shown);
        o += shown;
    }
    return std::string(out, static_cast<std::size_t>(o - out));
}

namespace {

// A part that rounds up to a whole unit of the next carries into it, so no
// layout shows 60 seconds or 60 minutes (the fields would refuse it).
// Values far beyond any angle are left as they are.
struct Carried {
    double deg, min;
    std::string text; // the smallest part as the mask writes it
};

Carried carryMinutes(double deg, double min) {
    std::string text = Format_Mask(min, "##.#####");
    if (deg < 1e15 && Read_Number(text) >= 60) {
        deg += 1;
        text = Format_Mask(0, "##.#####");
        min = 0;
    }
    return {deg, min, text};
}

Carried carrySeconds(double deg, double minWhole, double sec) {
    std::string text = Format_Mask(sec, "#0.000");
    if (deg < 1e15 && Read_Number(text) >= 60) {
        text = Format_Mask(0, "#0.000");
        minWhole += 1;
        if (minWhole >= 60) {
            minWhole = 0;
            deg += 1;
        }
    }
    return {deg, minWhole, text};
}

} // namespace

LayoutTexts Layout_Minutes(const GeographicResult& r) {
    const Carried la = carryMinutes(r.lat_deg, r.lat_min);
    const Carried lo = carryMinutes(r.long_deg, r.long_min);
    LayoutTexts t;
    t.lat = Blank_Signed_Text(la.deg) + " Deg " + la.text + " Min " + r.lat_hemis;
    t.lon = Format_Mask(lo.deg, "00#") + " Deg " + lo.text + " Min " + r.long_hemis;
    return t;
}

LayoutTexts Layout_Seconds(const GeographicResult& r) {
    const Carried la = carrySeconds(std::fabs(r.lat_deg), std::trunc(r.lat_min), r.lat_sec);
    const Carried lo = carrySeconds(std::fabs(r.long_deg), std::trunc(r.long_min), r.long_sec);
    LayoutTexts t;
    t.lat = Blank_Signed_Text(la.deg) + " Deg " + Blank_Signed_Text(la.min) + " Min " + la.text +
            " Sec " + r.lat_hemis;
    // Degrees reach the padding through their blank-signed text, read back:
    // the same 15-digit view of the number that the latitude shows. For the
    // very largest doubles that text reads as infinity; the value itself has
    // the same 15-digit view.
    double long_deg = Read_Number(Blank_Signed_Text(lo.deg));
    if (std::isinf(long_deg)) {
        long_deg = lo.deg;
    }
    t.lon = Format_Mask(long_deg, "00#") + " Deg " + Blank_Signed_Text(lo.min) + " Min " +
            lo.text + " Sec " + r.long_hemis;
    return t;
}

} // namespace numtext
