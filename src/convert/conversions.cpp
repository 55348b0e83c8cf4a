#include "conversions.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace convert {

namespace {

// Failures the checks do not catch; the window reports them and keeps going.
const std::string kNoFiniteResult =
    "The conversion failed: the parameter set or the position gives no finite result.";
const std::string kBadCentralMeridian =
    "The central meridian must be whole degrees, a blank and a letter, e.g. 3 W.";
const std::string kBadOrigin = "The latitude of origin must be a number of degrees, e.g. 49 N.";
const std::string kDistanceOverflow =
    "The distance cannot be calculated: a position or a coordinate is too large.";

// The window keeps hemisphere fields in upper case (Unicode rules); these
// texts may come from elsewhere, so they get the same treatment here. Only
// the outcome for "S", "W" and the last character matters, so besides ASCII
// only the two letters whose upper case is or ends in "S" need care.
std::string Upper_Like_Field(std::string_view text) {
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

bool Ends_With(const std::string& text, char c) { return !text.empty() && text.back() == c; }

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

struct Grid {
    double easting = 0;
    double northing = 0;
};

// Signed degrees to grid metres; nullopt on a numeric failure.
std::optional<Grid> Project(const geo::ProjectionParams& p, double lat, double lon) {
    const double phi = lat / geo::DEG_PER_RAD;
    const double lambda = lon / geo::DEG_PER_RAD;
    const double omega = lambda - p.central_meridian / geo::DEG_PER_RAD;
    if (!Finite({phi, omega}))
        return std::nullopt;
    try {
        Grid g;
        g.easting = geo::Calc_Easting(p, phi, p.scale_factor, omega);
        g.northing = geo::Calc_Northing(p, phi, p.scale_factor, omega);
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

constexpr const char* kEastingMask = "#####0.000";
constexpr const char* kNorthingMask = "######0.000";

} // namespace

GridTexts Geog_To_Grid(const geo::ProjectionParams& p, const std::string& cm_text,
                       const GeogInput& in) {
    GridTexts out;
    if (cm_text.empty()) {
        out.message = kSelectSpheroid;
        return out;
    }
    if (in.lat_deg.empty() || in.long_deg.empty()) {
        out.message = kEnterPosition;
        return out;
    }
    std::optional<Grid> g;
    try {
        const double lat = Angle(in.lat_deg, in.lat_min, in.lat_sec, in.withSeconds);
        const double lon = Angle(in.long_deg, in.long_min, in.long_sec, in.withSeconds);
        // The letter goes on top of any sign typed in the degrees: -3 with W is +3.
        const double signedLon = Upper_Like_Field(in.ew) == "W" ? -lon : lon;
        const double signedLat = Upper_Like_Field(in.ns) == "S" ? -lat : lat;
        g = Project(p, signedLat, signedLon);
    } catch (const geo::NumericError&) {
        g.reset();
    }
    if (!g) {
        out.message = kNoFiniteResult;
        return out;
    }
    out.easting = numtext::Format_Mask(g->easting, kEastingMask);
    out.northing = numtext::Format_Mask(g->northing, kNorthingMask);
    return out;
}

GeogTexts Grid_To_Geog(const geo::ProjectionParams& p, const GridInput& in) {
    GeogTexts out;
    if (in.cm_text.empty()) {
        out.message = kSelectSpheroidOrMeridian;
        return out;
    }
    if (!numtext::Is_Number(in.northing)) {
        out.message = kMustBeNumeric;
        out.bad = GeogTexts::Bad::Northing;
        return out;
    }
    if (!numtext::Is_Number(in.easting)) {
        out.message = kMustBeNumeric;
        out.bad = GeogTexts::Bad::Easting;
        return out;
    }
    const double E = Read(in.easting);
    const double N = Read(in.northing);

    // Central meridian: the degrees up to and including the first blank,
    // rounded halves to even; west only for a final "W".
    const std::string cm = Upper_Like_Field(in.cm_text);
    const auto cmBlank = cm.find(' ');
    if (cmBlank == std::string::npos) {
        out.message = kBadCentralMeridian;
        return out;
    }
    const std::optional<int16_t> cmDegrees = numtext::To_Whole_Number(cm.substr(0, cmBlank + 1));
    if (!cmDegrees || (Ends_With(cm, 'W') && *cmDegrees == INT16_MIN)) {
        out.message = kBadCentralMeridian;
        return out;
    }
    const auto lambda0 = static_cast<int16_t>(Ends_With(cm, 'W') ? -*cmDegrees : *cmDegrees);

    // Latitude of origin: fractions allowed; the letter only counts after a blank.
    const std::string orig = Upper_Like_Field(in.orig_text);
    const auto origBlank = orig.find(' ');
    double phi0 = 0;
    if (origBlank == std::string::npos) {
        const std::optional<double> v = numtext::To_Number(orig);
        if (!v) {
            out.message = kBadOrigin;
            return out;
        }
        phi0 = *v;
    } else {
        const std::optional<double> v = numtext::To_Number(orig.substr(0, origBlank + 1));
        if (!v) {
            out.message = kBadOrigin;
            return out;
        }
        phi0 = Ends_With(orig, 'S') ? -*v : *v;
    }

    double lat = 0;
    double lon = 0;
    try {
        const double Eprime = E - p.false_easting;
        if (!Finite({E, N, Eprime}))
            throw geo::NumericError(geo::NumericError::Kind::Overflow, "grid position");
        const double phi1 = geo::Footpoint_Latitude(p, N, phi0);
        lat = geo::Calc_Latitude(p, phi1, Eprime);
        lon = geo::Calc_Longitude(p, phi1, Eprime, lambda0);
    } catch (const geo::NumericError&) {
        out.message = kNoFiniteResult;
        return out;
    }
    if (!Finite({lat, lon})) {
        out.message = kNoFiniteResult;
        return out;
    }

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

DistanceTexts Point_Distance(const geo::ProjectionParams& p, const std::string& cm_text,
                             const DistanceInput& in) {
    DistanceTexts out;
    if (cm_text.empty()) {
        out.message = kSelectSpheroid;
        return out;
    }

    double E[2] = {0, 0};
    double N[2] = {0, 0};
    const bool geographic = !in.geog[0].empty();
    for (int k = 0; k < 2; ++k) {
        double east = 0;
        double north = 0;
        if (geographic) {
            const auto& g = in.geog;
            const std::size_t b = 8 * static_cast<std::size_t>(k);
            std::optional<Grid> grid;
            try {
                double lat = Angle(g[b], g[b + 1], g[b + 2], in.withSeconds);
                double lon = Angle(g[b + 4], g[b + 5], g[b + 6], in.withSeconds);
                if (Upper_Like_Field(g[b + 3]) == "S")
                    lat = -lat;
                if (Upper_Like_Field(g[b + 7]) == "W")
                    lon = -lon;
                grid = Project(p, lat, lon);
            } catch (const geo::NumericError&) {
                grid.reset();
            }
            if (!grid) {
                out.message = kNoFiniteResult;
                return out;
            }
            east = grid->easting;
            north = grid->northing;
        } else {
            east = Read(in.grid[2 * static_cast<std::size_t>(k)]);
            north = Read(in.grid[2 * static_cast<std::size_t>(k) + 1]);
        }
        const std::optional<float> e = Held_As_Single(east, kEastingMask);
        const std::optional<float> n = Held_As_Single(north, kNorthingMask);
        if (!e || !n) {
            out.message = kDistanceOverflow;
            return out;
        }
        E[k] = *e;
        N[k] = *n;
    }

    const double d = std::sqrt(std::pow(E[0] - E[1], 2) + std::pow(N[0] - N[1], 2));
    out.kms = numtext::Format_Mask(d / 1000, "#.00");
    out.miles = numtext::Format_Mask(d / 1852, "#.00");
    return out;
}

} // namespace convert
