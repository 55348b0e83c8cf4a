#include "conversions.h"

#include "survey.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

namespace convert {

namespace {

// Failures the checks do not catch; the window reports them and keeps going.
const std::string kNoFiniteResult =
    "The conversion failed: the parameter set or the position gives no finite result.";
const std::string kBadCentralMeridian =
    "The central meridian must be whole degrees, a blank and a letter, e.g. 3 W.";
const std::string kDistanceOverflow =
    "The distance cannot be calculated: a position or a coordinate is too large.";

bool Finite(std::initializer_list<double> xs) {
    for (double x : xs)
        if (!std::isfinite(x))
            return false;
    return true;
}

double Read(const std::string& text) { return numtext::Read_Number(text); }

// Decimal degrees of one angle from its degree, minute and second texts;
// throws NumericError when a text reads beyond the range of a double.
double Angle(const std::string& deg, const std::string& min, const std::string& sec,
             bool withSeconds) {
    return withSeconds ? geo::Dms_To_Degrees(Read(deg), Read(min), Read(sec))
                       : geo::Dms_To_Degrees(Read(deg), Read(min));
}

// The checks every tab makes first: a parameter set chosen, and usable.
template <class Texts> bool Refuse(Texts& out, Status status, const std::string& message) {
    out.status = status;
    out.message = message;
    return false;
}

// One row of a geographic entry: degrees, minutes, seconds, letter, and
// where the degrees sit among the tab's entries (keyboard order).
struct Row {
    const std::string& deg;
    const std::string& min;
    const std::string& sec;
    const std::string& letter;
    bool latitude;
    int first;
    std::string caption; // "Latitude", "Position 2 longitude"
};

// Signed decimal degrees of a row, or a refusal naming its first faulty
// field. Lenient: the window's reading of earlier versions. May throw
// NumericError for texts beyond the range of a double.
template <class Texts>
std::optional<double> Row_Degrees(Texts& out, const Row& r, bool withSeconds, bool lenient) {
    const std::string letter = numtext::Upper_Case_Field(r.letter);
    const char negative = r.latitude ? 'S' : 'W';
    if (lenient) {
        // The letter goes on top of any sign typed in the degrees: -3 with W is +3.
        const double v = Angle(r.deg, r.min, r.sec, withSeconds);
        return letter == std::string(1, negative) ? -v : v;
    }
    auto refuse = [&](int offset, Status status, const std::string& message) {
        Refuse(out, status, message);
        out.field = r.first + offset;
        return std::nullopt;
    };
    const std::string& sec = withSeconds ? r.sec : std::string();
    const std::pair<const std::string*, const char*> parts[] = {
        {&r.deg, nullptr}, {&r.min, "minutes"}, {&sec, "seconds"}};
    double value[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const std::string& t = *parts[i].first;
        if (t.empty())
            continue;
        if (!numtext::Is_Number(t))
            return refuse(i, Status::NotNumeric, kMustBeNumeric);
        value[i] = Read(t);
        if (i > 0 && !(value[i] >= 0 && value[i] < 60))
            return refuse(i, Status::OutOfRange,
                          r.caption + " " + parts[i].second +
                              " must be at least 0 and less than 60.");
    }
    const std::string letters = r.latitude ? "NS" : "EW";
    if (!letter.empty() && (letter.size() != 1 || letters.find(letter[0]) == std::string::npos))
        return refuse(3, Status::BadLetter,
                      r.caption + " letter must be " + letters[0] + " or " + letters[1] + ".");
    // A minus applies to the whole angle: -52 39 27 is -(52 + 39/60 + 27/3600).
    const bool minus = r.deg.find_first_not_of(' ') != std::string::npos &&
                       r.deg[r.deg.find_first_not_of(' ')] == '-';
    const double magnitude = withSeconds
                                 ? geo::Dms_To_Degrees(std::fabs(value[0]), value[1], value[2])
                                 : geo::Dms_To_Degrees(std::fabs(value[0]), value[1]);
    const double limit = r.latitude ? 90 : 180;
    if (!(magnitude <= limit))
        return refuse(0, Status::OutOfRange,
                      r.caption + (r.latitude ? " must lie between 90 S and 90 N."
                                              : " must lie between 180 W and 180 E."));
    if (minus && letter.size() == 1 && letter[0] == negative)
        return refuse(0, Status::AmbiguousSign,
                      r.caption + ": a minus in the degrees together with " + negative +
                          " is ambiguous; give one or the other.");
    const bool south = minus || (letter.size() == 1 && letter[0] == negative);
    return south && magnitude != 0 ? -magnitude : magnitude;
}

struct Grid {
    double easting = 0;
    double northing = 0;
};

// Signed degrees to grid metres; nullopt on a numeric failure.
std::optional<Grid> Project(const geo::ProjectionParams& p, double origin, double lat, double lon) {
    const double phi = lat / geo::DEG_PER_RAD;
    const double lambda = lon / geo::DEG_PER_RAD;
    const double omega = lambda - p.central_meridian / geo::DEG_PER_RAD;
    if (!Finite({phi, omega}))
        return std::nullopt;
    try {
        const geo::GridPoint r = geo::Calc_Grid(p, phi, p.scale_factor, omega, origin);
        const Grid g{r.easting, r.northing};
        if (!Finite({g.easting, g.northing}))
            return std::nullopt;
        return g;
    } catch (const geo::NumericError&) {
        return std::nullopt;
    }
}

// A coordinate as the distance tab holds it: rounded to three decimals
// through its mask, read back, then rounded to single precision.
std::optional<float> Held_As_Single(double x, const char* mask) {
    if (!std::isfinite(x))
        return std::nullopt;
    const double rounded = numtext::Read_Number(numtext::Format_Mask(x, mask));
    // Below FLT_MAX plus half its spacing the value rounds to a finite single.
    constexpr double kLimit = static_cast<double>(FLT_MAX) + 0x1p103;
    if (!(std::fabs(rounded) < kLimit))
        return std::nullopt;
    return static_cast<float>(rounded);
}

// The Spheroid tab's texts are the same for every record of a batch run, and
// reading them is a pure function of the text: each thread reads a text once.
template <class T, class Read> const T& Read_Once(const std::string& text, Read read) {
    thread_local std::optional<std::pair<std::string, T>> last;
    if (!last || last->first != text)
        last.emplace(text, read(text));
    return last->second;
}

const std::optional<double>& Origin_Text(const std::string& text) {
    return Read_Once<std::optional<double>>(
        text, [](const std::string& t) { return numtext::Read_Origin_Latitude(t); });
}

const std::optional<numtext::DegreeText>& Meridian_Text(const std::string& text) {
    return Read_Once<std::optional<numtext::DegreeText>>(text, [](const std::string& t) {
        return numtext::Read_Degree_Text(t, numtext::kMeridianText);
    });
}

template <class Texts> bool Spheroid_Usable(Texts& out, const SpheroidTexts& sph,
                                            const std::string& noSpheroid) {
    if (sph.cm_text.empty())
        return Refuse(out, Status::SelectSpheroid, noSpheroid);
    if (!sph.unusable.empty())
        return Refuse(out, Status::Unusable, sph.unusable);
    return true;
}

// The latitude of origin as the Spheroid tab shows it, decimals kept.
template <class Texts> std::optional<double> Origin(Texts& out, const SpheroidTexts& sph) {
    const std::optional<double> v = Origin_Text(sph.orig_text);
    if (!v) {
        Refuse(out, Status::BadOrigin, kBadOrigin);
        return std::nullopt;
    }
    if (!(std::fabs(*v) <= numtext::kMaxOriginLatitude)) {
        Refuse(out, Status::OriginRange, kOriginRange);
        return std::nullopt;
    }
    return v;
}

// GeographicLib's objects for the parameter set in force. Setting up the
// series costs more than a conversion, so each thread keeps the last one.
const survey::Spheroid& Spheroid_Of(const geo::ProjectionParams& p) {
    thread_local std::optional<survey::Spheroid> last;
    if (!last || last->a() != p.major_axis || last->e2() != p.ecc_squared ||
        last->k0() != p.scale_factor)
        last.emplace(p.major_axis, p.ecc_squared, p.scale_factor);
    return *last;
}

PointFactors Factors_At(const geo::ProjectionParams& p, double lon0, double lat, double lon) {
    const survey::PointFactors f = Spheroid_Of(p).At(lon0, lat, lon);
    return {f.convergence, f.scale};
}

struct Position {
    double lat = 0, lon = 0; // signed degrees
};

// The inverse conversion of Grid_To_Geog from numbers: the central meridian
// and origin from their texts. Refuses through `out` as that tab does.
template <class Texts>
std::optional<Position> Inverse(Texts& out, const geo::ProjectionParams& p,
                                const SpheroidTexts& sph, double E, double N,
                                int16_t* meridian = nullptr) {
    // Central meridian: the degrees up to and including the first blank,
    // rounded halves to even; west only for a final "W".
    const auto cm = Meridian_Text(sph.cm_text);
    if (!cm) {
        Refuse(out, Status::BadMeridian, kBadCentralMeridian);
        return std::nullopt;
    }
    const auto lambda0 = static_cast<int16_t>(cm->value);
    if (meridian)
        *meridian = lambda0;

    const std::optional<double> phi0 = Origin(out, sph);
    if (!phi0)
        return std::nullopt;

    Position r;
    try {
        const double Eprime = E - p.false_easting;
        if (!Finite({E, N, Eprime}))
            throw geo::NumericError(geo::NumericError::Kind::Overflow, "grid position");
        const geo::GeogPoint g = geo::Calc_Geographic(p, N, Eprime, *phi0, lambda0);
        r.lat = g.latitude;
        r.lon = g.longitude;
    } catch (const geo::NumericError&) {
        Refuse(out, Status::NoResult, kNoFiniteResult);
        return std::nullopt;
    }
    if (!Finite({r.lat, r.lon})) {
        Refuse(out, Status::NoResult, kNoFiniteResult);
        return std::nullopt;
    }
    return r;
}

constexpr const char* kEastingMask = "#####0.000";
constexpr const char* kNorthingMask = "######0.000";

// The line's quantities; in grid mode the positions come from the inverse,
// and where it refuses only the grid distance and bearing remain.
LineFactors Line_Factors(const geo::ProjectionParams& p, const SpheroidTexts& sph,
                         bool geographic, const double (&E)[2], const double (&N)[2],
                         std::optional<Position> (&at)[2]) {
    LineFactors line;
    const double dE = E[1] - E[0];
    const double dN = N[1] - N[0];
    const double grid = std::hypot(dE, dN);
    if (std::isfinite(grid))
        line.grid_distance = grid;
    line.bearing12 = survey::Grid_Bearing(dE, dN);
    if (!geographic) {
        for (int k = 0; k < 2; ++k) {
            DistanceTexts ignored;
            at[k] = Inverse(ignored, p, sph, E[k], N[k]);
        }
    }
    if (!at[0] || !at[1])
        return line;
    const survey::Geodesic g = Spheroid_Of(p).Inverse(at[0]->lat, at[0]->lon, at[1]->lat, at[1]->lon);
    line.geodesic = g.distance;
    line.azimuth12 = g.azimuth1;
    line.azimuth2 = g.azimuth2;
    if (line.grid_distance && g.distance && *g.distance > 0)
        line.line_scale = *line.grid_distance / *g.distance;
    return line;
}

} // namespace

std::string Dms_Text(std::optional<double> degrees, bool withSign) {
    if (!degrees || !std::isfinite(*degrees) || std::fabs(*degrees) > 1e6)
        return {};
    // Hundredths of a second, rounded once, so 59.995" carries into the minute.
    long long h = std::llround(std::fabs(*degrees) * 360000);
    if (!withSign && h == 360LL * 360000)
        h = 0; // a whole circle is north again
    const char* sign = !withSign || h == 0 ? "" : *degrees < 0 ? "-" : "+";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%lld\u00b0 %02lld' %02lld.%02lld\"", sign, h / 360000,
                  h / 6000 % 60, h / 100 % 60, h % 100);
    return buf;
}

std::string Scale_Text(std::optional<double> k) {
    return k && std::isfinite(*k) ? numtext::Format_Mask(*k, "0.00000000") : std::string();
}

std::string Metres_Text(std::optional<double> m) {
    return m && std::isfinite(*m) ? numtext::Format_Mask(*m, "0.000") : std::string();
}

GridTexts Geog_To_Grid(const geo::ProjectionParams& p, const SpheroidTexts& sph,
                       const GeogInput& in) {
    GridTexts out;
    if (!Spheroid_Usable(out, sph, kSelectSpheroid))
        return out;
    if (in.lat_deg.empty() || in.long_deg.empty()) {
        Refuse(out, Status::EnterPosition, kEnterPosition);
        return out;
    }
    const std::optional<double> origin = Origin(out, sph);
    if (!origin)
        return out;
    std::optional<Grid> g;
    Position at;
    try {
        const Row latRow{in.lat_deg, in.lat_min, in.lat_sec, in.ns, true, 0, "Latitude"};
        const Row lonRow{in.long_deg, in.long_min, in.long_sec, in.ew, false, 4, "Longitude"};
        const std::optional<double> lat = Row_Degrees(out, latRow, in.withSeconds, in.lenient);
        if (!lat)
            return out;
        const std::optional<double> lon = Row_Degrees(out, lonRow, in.withSeconds, in.lenient);
        if (!lon)
            return out;
        g = Project(p, *origin, *lat, *lon);
        at = {*lat, *lon};
    } catch (const geo::NumericError&) {
        g.reset();
    }
    if (!g) {
        Refuse(out, Status::NoResult, kNoFiniteResult);
        return out;
    }
    out.easting_value = g->easting;
    out.northing_value = g->northing;
    out.easting = numtext::Format_Mask(g->easting, kEastingMask);
    out.northing = numtext::Format_Mask(g->northing, kNorthingMask);
    if (in.factors)
        out.factors = Factors_At(p, p.central_meridian, at.lat, at.lon);
    return out;
}

GeogTexts Grid_To_Geog(const geo::ProjectionParams& p, const SpheroidTexts& sph,
                       const GridInput& in) {
    GeogTexts out;
    if (!Spheroid_Usable(out, sph, kSelectSpheroidOrMeridian))
        return out;
    if (!numtext::Is_Number(in.northing)) {
        Refuse(out, Status::NotNumeric, kMustBeNumeric);
        out.bad = GeogTexts::Bad::Northing;
        return out;
    }
    if (!numtext::Is_Number(in.easting)) {
        Refuse(out, Status::NotNumeric, kMustBeNumeric);
        out.bad = GeogTexts::Bad::Easting;
        return out;
    }
    int16_t lambda0 = 0;
    const std::optional<Position> at =
        Inverse(out, p, sph, Read(in.easting), Read(in.northing), &lambda0);
    if (!at)
        return out;
    const double lat = at->lat;
    const double lon = at->lon;
    if (in.factors)
        out.factors = Factors_At(p, lambda0, lat, lon);

    out.latitude = lat;
    out.longitude = lon;
    const geo::Dms la = geo::Degrees_To_Dms(lat);
    const geo::Dms lo = geo::Degrees_To_Dms(lon);
    out.result.lat_deg = la.deg;
    out.result.lat_min = la.min_decimal;
    out.result.lat_sec = la.sec;
    out.result.lat_hemis = la.negative ? "S" : "N";
    out.result.long_deg = lo.deg;
    out.result.long_min = lo.min_decimal;
    out.result.long_sec = lo.sec;
    out.result.long_hemis = lo.negative ? "W" : "E";
    return out;
}

DistanceTexts Point_Distance(const geo::ProjectionParams& p, const SpheroidTexts& sph,
                             const DistanceInput& in) {
    DistanceTexts out;
    if (!Spheroid_Usable(out, sph, kSelectSpheroid))
        return out;

    double E[2] = {0, 0};
    double N[2] = {0, 0};
    // Unrounded, for the quantities beside the distance.
    double exactE[2] = {0, 0};
    double exactN[2] = {0, 0};
    std::optional<Position> at[2];
    const bool geographic = !in.geog[0].empty();
    double origin = 0;
    if (geographic) {
        // Both degree fields of both positions, as on Geog to Grid: an empty
        // one would silently measure to latitude or longitude 0.
        if (in.geog[4].empty() || in.geog[8].empty() || in.geog[12].empty()) {
            Refuse(out, Status::EnterPosition, kEnterPosition);
            return out;
        }
        const std::optional<double> o = Origin(out, sph);
        if (!o)
            return out;
        origin = *o;
    }
    for (int k = 0; k < 2; ++k) {
        double east = 0;
        double north = 0;
        if (geographic) {
            const auto& g = in.geog;
            const std::size_t b = 8 * static_cast<std::size_t>(k);
            std::optional<Grid> grid;
            try {
                const std::string pos = k == 0 ? "Position 1 " : "Position 2 ";
                const int first = static_cast<int>(b);
                const Row latRow{g[b], g[b + 1], g[b + 2], g[b + 3], true, first,
                                 pos + "latitude"};
                const Row lonRow{g[b + 4], g[b + 5], g[b + 6], g[b + 7], false, first + 4,
                                 pos + "longitude"};
                const std::optional<double> lat =
                    Row_Degrees(out, latRow, in.withSeconds, in.lenient);
                if (!lat)
                    return out;
                const std::optional<double> lon =
                    Row_Degrees(out, lonRow, in.withSeconds, in.lenient);
                if (!lon)
                    return out;
                grid = Project(p, origin, *lat, *lon);
                at[k] = Position{*lat, *lon};
            } catch (const geo::NumericError&) {
                grid.reset();
            }
            if (!grid) {
                Refuse(out, Status::NoResult, kNoFiniteResult);
                return out;
            }
            east = grid->easting;
            north = grid->northing;
        } else {
            for (std::size_t i = 2 * static_cast<std::size_t>(k); i < 2 * k + 2u; ++i) {
                if (!in.lenient && !in.grid[i].empty() && !numtext::Is_Number(in.grid[i])) {
                    Refuse(out, Status::NotNumeric, kMustBeNumeric);
                    out.field = 16 + static_cast<int>(i);
                    return out;
                }
            }
            east = Read(in.grid[2 * static_cast<std::size_t>(k)]);
            north = Read(in.grid[2 * static_cast<std::size_t>(k) + 1]);
        }
        exactE[k] = east;
        exactN[k] = north;
        const std::optional<float> e = Held_As_Single(east, kEastingMask);
        const std::optional<float> n = Held_As_Single(north, kNorthingMask);
        if (!e || !n) {
            Refuse(out, Status::TooLarge, kDistanceOverflow);
            return out;
        }
        E[k] = *e;
        N[k] = *n;
    }

    const double d = std::sqrt(std::pow(E[0] - E[1], 2) + std::pow(N[0] - N[1], 2));
    out.kms = numtext::Format_Mask(d / 1000, "#.00");
    out.miles = numtext::Format_Mask(d / 1852, "#.00");
    if (in.geodesic)
        out.line = Line_Factors(p, sph, geographic, exactE, exactN, at);
    return out;
}

} // namespace convert
