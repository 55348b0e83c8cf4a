#include "gridref.h"

#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/OSGB.hpp>
#include <GeographicLib/TransverseMercator.hpp>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace gridref {

namespace {

// A defining value as written; a set's value agrees with it when it lies
// within half a unit of the written last digit.
struct Defined {
    const char* text;

    double value() const { return std::strtod(text, nullptr); }
    double tolerance() const {
        const char* dot = std::strchr(text, '.');
        const int decimals = dot ? int(std::strlen(dot + 1)) : 0;
        return 0.5 * std::pow(10.0, -decimals);
    }
    // Strictly inside: a value one unit off, or exactly halfway, is another set.
    bool holds(double x) const { return std::fabs(x - value()) < tolerance(); }
};

struct Definition {
    Defined a, e2, k0, fe, fn, lat0, lon0;

    bool holds(const ParameterSet& p) const {
        return a.holds(p.a) && e2.holds(p.e2) && k0.holds(p.k0) && fe.holds(p.false_easting) &&
               fn.holds(p.false_northing) && lat0.holds(p.origin_latitude) &&
               lon0.holds(p.central_meridian);
    }
};

const Definition kNational{
    {"6377563.396"}, {"0.00667054"}, {"0.9996012717"}, {"400000"}, {"-100000"}, {"49"}, {"-2"}};
const Definition kIrish{{"6377340.189"}, {"0.00667054"}, {"1.000035"}, {"200000"},
                        {"250000"},      {"53.5"},       {"-8"}};
const Defined kUtmA{"6378137"}, kUtmE2{"0.00669437999014"}, kUtmK0{"0.9996"}, kUtmFE{"500000"},
    kUtmFNNorth{"0"}, kUtmFNSouth{"10000000"}, kUtmLat0{"0"};

constexpr double kSquare = 100000; // metres, one lettered square

// Irish Grid letters, row by row from the top row (400 to 500 km north).
constexpr char kIrishLetters[] = "ABCDEFGHJKLMNOPQRSTUVWXYZ";

std::string Without_Blanks_Upper(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\t')
            continue;
        out += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    }
    return out;
}

bool All_Digits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool Even_Digits_2_To_10(std::string_view s) {
    return s.size() >= 2 && s.size() <= 10 && s.size() % 2 == 0 && All_Digits(s);
}

// "TG5140913177" from "TG" and "5140913177" as "TG 51409 13177".
std::string Spaced(std::string_view head, std::string_view digits) {
    const size_t half = digits.size() / 2;
    return std::string(head) + ' ' + std::string(digits.substr(0, half)) + ' ' +
           std::string(digits.substr(half));
}

// Digits of the position within its 100 km square, truncated to 1 m.
std::string Five_Digits(double within) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%05d", int(std::floor(within)));
    return buf;
}

std::optional<std::string> Irish_At(double e, double n) {
    if (!(e >= 0 && e < 5 * kSquare && n >= 0 && n < 5 * kSquare))
        return std::nullopt;
    const double fe = std::floor(e), fn = std::floor(n);
    const int col = int(fe / kSquare), row = 4 - int(fn / kSquare);
    const char letter = kIrishLetters[row * 5 + col];
    return std::string(1, letter) + ' ' + Five_Digits(fe - col * kSquare) + ' ' +
           Five_Digits(fn - (4 - row) * kSquare);
}

// MGRS as GeographicLib writes it, "30UXC9951210549", spaced after the
// grid zone and the square letters.
std::string Spaced_Mgrs(const std::string& m) {
    size_t i = 0;
    while (i < m.size() && m[i] >= '0' && m[i] <= '9')
        ++i;
    return m.substr(0, i + 1) + ' ' + Spaced(m.substr(i + 1, 2), m.substr(i + 3));
}

ReadResult Refuse(const Recognised& g) { return {std::nullopt, Expected_Form(g)}; }

double Square_Side(size_t digits) { return kSquare / std::pow(10.0, double(digits / 2)); }

ReadResult Read_National(const Recognised& g, const std::string& s) {
    if (s.size() < 4 || !Even_Digits_2_To_10(std::string_view(s).substr(2)))
        return Refuse(g);
    for (int i = 0; i < 2; ++i)
        if (s[i] < 'A' || s[i] > 'Z' || s[i] == 'I')
            return Refuse(g);
    double x = 0, y = 0;
    int prec = 0;
    try {
        GeographicLib::OSGB::GridReference(s, x, y, prec, true);
    } catch (const GeographicLib::GeographicErr&) {
        return Refuse(g);
    }
    return {Reading{x, y, Square_Side(s.size() - 2), Spaced(s.substr(0, 2), s.substr(2))}, {}};
}

ReadResult Read_Irish(const Recognised& g, const std::string& s) {
    if (s.size() < 3 || !Even_Digits_2_To_10(std::string_view(s).substr(1)))
        return Refuse(g);
    const char* at = std::strchr(kIrishLetters, s[0]);
    if (s[0] == '\0' || !at)
        return Refuse(g);
    const int index = int(at - kIrishLetters);
    const int col = index % 5, row = 4 - index / 5;
    const std::string digits = s.substr(1);
    const size_t half = digits.size() / 2;
    const double side = Square_Side(digits.size());
    const double e = col * kSquare + std::stod(digits.substr(0, half)) * side + side / 2;
    const double n = row * kSquare + std::stod(digits.substr(half)) * side + side / 2;
    return {Reading{e, n, side, Spaced(s.substr(0, 1), digits)}, {}};
}

ReadResult Read_Mgrs(const Recognised& g, const std::string& s) {
    size_t i = 0;
    while (i < s.size() && i < 2 && s[i] >= '0' && s[i] <= '9')
        ++i;
    if (i == 0 || s.size() < i + 3 || std::atoi(s.substr(0, i).c_str()) != g.zone)
        return Refuse(g);
    for (size_t j = i; j < i + 3; ++j)
        if (s[j] < 'A' || s[j] > 'Z')
            return Refuse(g);
    const std::string digits = s.substr(i + 3);
    if (!Even_Digits_2_To_10(digits))
        return Refuse(g);
    int zone = 0, prec = 0;
    bool north = true;
    double x = 0, y = 0;
    try {
        GeographicLib::MGRS::Reverse(s, zone, north, x, y, prec, true);
    } catch (const GeographicLib::GeographicErr&) {
        return Refuse(g);
    }
    if (zone != g.zone)
        return Refuse(g);
    // The same zone across the equator: one projection, the false northings
    // 10,000 km apart.
    const double shift = 10000000;
    if (north && !g.north)
        y += shift;
    else if (!north && g.north)
        y -= shift;
    return {Reading{x, y, Square_Side(digits.size()), Spaced_Mgrs(s.substr(0, i + 3) + digits)},
            {}};
}

} // namespace

Recognised Recognise(const ParameterSet& p) {
    if (kNational.holds(p))
        return {Grid::National, 0, true};
    if (kIrish.holds(p))
        return {Grid::Irish, 0, true};
    if (!(kUtmA.holds(p.a) && kUtmE2.holds(p.e2) && kUtmK0.holds(p.k0) &&
          kUtmFE.holds(p.false_easting) && kUtmLat0.holds(p.origin_latitude)))
        return {};
    const bool north = kUtmFNNorth.holds(p.false_northing);
    if (!north && !kUtmFNSouth.holds(p.false_northing))
        return {};
    if (!std::isfinite(p.central_meridian))
        return {};
    const double z = std::round((p.central_meridian + 183) / 6);
    if (!(z >= 1 && z <= 60) || !Defined{"0"}.holds(p.central_meridian - (6 * z - 183)))
        return {};
    return {Grid::Mgrs, int(z), north};
}

std::optional<std::string> Reference_At_Grid(const Recognised& g, double easting, double northing) {
    if (!std::isfinite(easting) || !std::isfinite(northing))
        return std::nullopt;
    try {
        std::string s;
        switch (g.grid) {
        case Grid::National:
            GeographicLib::OSGB::GridReference(easting, northing, 5, s);
            return Spaced(s.substr(0, 2), s.substr(2));
        case Grid::Irish:
            return Irish_At(easting, northing);
        case Grid::Mgrs:
            GeographicLib::MGRS::Forward(g.zone, g.north, easting, northing, 5, s);
            return Spaced_Mgrs(s);
        case Grid::None:
            break;
        }
    } catch (const GeographicLib::GeographicErr&) {
    }
    return std::nullopt;
}

std::optional<std::string> Reference_At_Geographic(const ParameterSet& p, double lat, double lon) {
    const Recognised g = Recognise(p);
    if (g.grid == Grid::None || !(std::fabs(lat) <= 90) || !std::isfinite(lon))
        return std::nullopt;
    try {
        const GeographicLib::TransverseMercator tm(p.a, 1 - std::sqrt(1 - p.e2), p.k0);
        double x = 0, y = 0, x0 = 0, y0 = 0;
        tm.Forward(p.central_meridian, p.origin_latitude, p.central_meridian, x0, y0);
        tm.Forward(p.central_meridian, lat, lon, x, y);
        x += p.false_easting;
        y += p.false_northing - y0;
        if (g.grid != Grid::Mgrs)
            return Reference_At_Grid(g, x, y);
        // The latitude decides the band where the position sits on its edge.
        std::string s;
        GeographicLib::MGRS::Forward(g.zone, g.north, x, y, lat, 5, s);
        return Spaced_Mgrs(s);
    } catch (const GeographicLib::GeographicErr&) {
    }
    return std::nullopt;
}

ReadResult Read(const Recognised& g, std::string_view text) {
    const std::string s = Without_Blanks_Upper(text);
    switch (g.grid) {
    case Grid::National:
        return Read_National(g, s);
    case Grid::Irish:
        return Read_Irish(g, s);
    case Grid::Mgrs:
        return Read_Mgrs(g, s);
    case Grid::None:
        break;
    }
    return {};
}

std::string Expected_Form(const Recognised& g) {
    switch (g.grid) {
    case Grid::National:
        return "A National Grid reference is two letters and 2 to 10 digits, e.g. TG 51409 13177.";
    case Grid::Irish:
        return "An Irish Grid reference is one letter and 2 to 10 digits, e.g. O 15904 34671.";
    case Grid::Mgrs: {
        // An example inside the zone, on its own side of the equator.
        const ParameterSet utm{6378137, 0.00669437999014, 0.9996, 500000, g.north ? 0 : 1e7, 0,
                               6.0 * g.zone - 183};
        const auto example =
            Reference_At_Geographic(utm, g.north ? 48.5 : -33.5, utm.central_meridian + 1.5);
        return "An MGRS reference here is zone " + std::to_string(g.zone) +
               ", a latitude band letter, two letters and 2 to 10 digits, e.g. " +
               example.value_or("") + ".";
    }
    case Grid::None:
        break;
    }
    return {};
}

} // namespace gridref
