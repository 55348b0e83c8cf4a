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
std::optional<Grid> Project(const geo::Projection& pr, double lat, double lon) {
    if (!Finite({lat / geo::DEG_PER_RAD, lon / geo::DEG_PER_RAD}))
        return std::nullopt;
    try {
        const geo::GridPoint r = pr.Forward(lat, lon);
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

// Every tab refuses first when there is no parameter set to use.
template <class Texts> const geo::Projection* Usable(Texts& out, const InForce& pf,
                                                     const std::string& noSpheroid) {
    if (pf.projection)
        return pf.projection.get();
    if (pf.status == Status::Unusable)
        Refuse(out, Status::Unusable, kUnusable + pf.problem);
    else
        Refuse(out, Status::SelectSpheroid, noSpheroid);
    return nullptr;
}

// GeographicLib's objects for the parameter set in force. Setting up the
// series costs more than a conversion, so each thread keeps the last one.
const survey::Spheroid& Spheroid_Of(const geo::ParameterValues& v) {
    thread_local std::optional<survey::Spheroid> last;
    if (!last || last->a() != v.a || last->e2() != v.e2 || last->k0() != v.k0)
        last.emplace(v.a, v.e2, v.k0);
    return *last;
}

PointFactors Factors_At(const geo::ParameterValues& v, double lat, double lon) {
    const survey::PointFactors f = Spheroid_Of(v).At(v.lon0, lat, lon);
    return {f.convergence, f.scale, std::nullopt, std::nullopt};
}

// A height as typed: empty text is none; otherwise a number within the
// heights the reductions accept, or a refusal naming the field.
template <class Texts>
bool Height(Texts& out, const std::string& text, int field, const std::string& caption,
            std::optional<double>& h) {
    h.reset();
    if (text.find_first_not_of(" \t") == std::string::npos)
        return true;
    const std::optional<double> v = numtext::To_Number(text);
    std::optional<std::string> refusal;
    if (!v)
        refusal = caption + " must be a number.";
    else
        refusal = survey::Height_Refusal(*v, caption);
    if (refusal) {
        Refuse(out, v ? Status::OutOfRange : Status::NotNumeric, *refusal);
        out.field = field;
        return false;
    }
    h = *v;
    return true;
}

// The elevation and combined scale factors at latitude lat for height h.
void Add_Height(PointFactors& f, const geo::ParameterValues& v, double lat,
                std::optional<double> h) {
    if (!h)
        return;
    f.elevation = survey::Elevation_Factor(v.a, v.e2, lat, *h);
    if (f.scale && f.elevation)
        f.combined = survey::Combined_Scale_Factor(*f.scale, *f.elevation);
}

const std::string kHeight = "Ellipsoidal height (m)";

struct Position {
    double lat = 0, lon = 0; // signed degrees
};

// The inverse conversion of Grid_To_Geog from numbers. Refuses through `out`
// as that tab does.
template <class Texts>
std::optional<Position> Inverse(Texts& out, const geo::Projection& pr, double E, double N) {
    Position r;
    try {
        if (!Finite({E, N, E - pr.values().fe}))
            throw geo::NumericError(geo::NumericError::Kind::Overflow, "grid position");
        const geo::GeogPoint g = pr.Inverse(E, N);
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
    // Far outside the series' domain they diverge into positions that are
    // no position at all.
    if (accuracy::Inverse_Impossible(r.lat, r.lon, pr.values().lon0)) {
        Refuse(out, Status::NoResult, accuracy::kOutsideInverse);
        return std::nullopt;
    }
    return r;
}

// Whether a result is more than 1 mm from the exact projection; refuses
// through `out` when asked to.
template <class Texts>
bool Inexact(Texts& out, const accuracy::Finding& f, bool refuse, double lat, double lon) {
    if (!f.flagged())
        return false;
    if (refuse)
        Refuse(out, Status::Inexact, accuracy::Refusal_Text(f));
    else if (!out.inexact || !(out.inexact->finding.error_m >= f.error_m))
        out.inexact = InexactAt{f, f.exact_geog ? f.exact_geog->lat : lat,
                                f.exact_geog ? f.exact_geog->lon : lon};
    return refuse;
}

constexpr const char* kEastingMask = "#####0.000";
constexpr const char* kNorthingMask = "######0.000";

// The line's quantities; in grid mode the positions come from the inverse,
// and where it refuses only the grid distance and bearing remain.
LineFactors Line_Factors(const geo::Projection& pr, bool geographic, const double (&E)[2], const double (&N)[2],
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
            at[k] = Inverse(ignored, pr, E[k], N[k]);
        }
    }
    if (!at[0] || !at[1])
        return line;
    const survey::Geodesic g = Spheroid_Of(pr.values()).Inverse(at[0]->lat, at[0]->lon, at[1]->lat, at[1]->lon);
    line.geodesic = g.distance;
    line.azimuth12 = g.azimuth1;
    line.azimuth2 = g.azimuth2;
    if (line.grid_distance && g.distance && *g.distance > 0)
        line.line_scale = *line.grid_distance / *g.distance;
    return line;
}

} // namespace

InForce Make_In_Force(const geo::ParameterValues& v) {
    InForce pf;
    try {
        pf.projection = std::make_shared<const geo::Projection>(v);
        pf.checker = std::make_shared<const accuracy::Checker>(
            accuracy::TmParams{v.a, v.e2, v.k0, v.fe, v.fn, v.lat0, v.lon0});
        pf.gridSet = {v.a, v.e2, v.k0, v.fe, v.fn, v.lat0, v.lon0};
        pf.grid = gridref::Recognise(pf.gridSet);
    } catch (const geo::NumericError&) {
        pf.projection.reset();
        pf.status = Status::Unusable;
        pf.problem = "its values give no finite result.";
    }
    return pf;
}

std::string Accuracy_Text(const accuracy::Finding& f) { return accuracy::Warning_Text(f); }

std::string Accuracy_Text(const accuracy::Finding& f, bool minutesLayout) {
    if (!f.exact_geog)
        return accuracy::Warning_Text(f);
    const geo::Dms la = geo::Degrees_To_Dms(f.exact_geog->lat);
    const geo::Dms lo = geo::Degrees_To_Dms(f.exact_geog->lon);
    const numtext::GeographicResult r{la.deg, la.min_decimal, la.sec, la.negative ? "S" : "N",
                                      lo.deg, lo.min_decimal, lo.sec, lo.negative ? "W" : "E"};
    const numtext::LayoutTexts t = minutesLayout ? numtext::Layout_Minutes(r) : numtext::Layout_Seconds(r);
    // The layouts start with a blank for the sign; the sentence does not need it.
    const std::string lat = !t.lat.empty() && t.lat[0] == ' ' ? t.lat.substr(1) : t.lat;
    return accuracy::Warning_Text(f, lat + ", " + t.lon);
}

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

GridTexts Geog_To_Grid(const InForce& pf, const GeogInput& in) {
    GridTexts out;
    const geo::Projection* pr = Usable(out, pf, kSelectSpheroid);
    if (!pr)
        return out;
    if (in.lat_deg.empty() || in.long_deg.empty()) {
        Refuse(out, Status::EnterPosition, kEnterPosition);
        return out;
    }
    std::optional<Grid> g;
    Position at;
    std::optional<double> height;
    try {
        const Row latRow{in.lat_deg, in.lat_min, in.lat_sec, in.ns, true, 0, "Latitude"};
        const Row lonRow{in.long_deg, in.long_min, in.long_sec, in.ew, false, 4, "Longitude"};
        const std::optional<double> lat = Row_Degrees(out, latRow, in.withSeconds, in.lenient);
        if (!lat)
            return out;
        const std::optional<double> lon = Row_Degrees(out, lonRow, in.withSeconds, in.lenient);
        if (!lon)
            return out;
        if (!Height(out, in.height, 8, kHeight, height))
            return out;
        g = Project(*pr, *lat, *lon);
        at = {*lat, *lon};
    } catch (const geo::NumericError&) {
        g.reset();
    }
    if (!g) {
        Refuse(out, Status::NoResult, kNoFiniteResult);
        return out;
    }
    if (pf.checker &&
        Inexact(out, pf.checker->Check_Forward(at.lat, at.lon, g->easting, g->northing),
                in.refuseInexact, at.lat, at.lon))
        return out;
    out.easting_value = g->easting;
    out.northing_value = g->northing;
    out.easting = numtext::Format_Mask(g->easting, kEastingMask);
    out.northing = numtext::Format_Mask(g->northing, kNorthingMask);
    if (in.factors || height) {
        out.factors = Factors_At(pr->values(), at.lat, at.lon);
        Add_Height(out.factors, pr->values(), at.lat, height);
    }
    if (in.gridref)
        out.gridref = gridref::Reference_At_Geographic(pf.gridSet, at.lat, at.lon).value_or("");
    return out;
}

GeogTexts Grid_To_Geog(const InForce& pf, const GridInput& in) {
    GeogTexts out;
    const geo::Projection* pr = Usable(out, pf, kSelectSpheroidOrMeridian);
    if (!pr)
        return out;
    double E = 0, N = 0;
    const auto blank = [](const std::string& t) { return t.find_first_not_of(" \t") == std::string::npos; };
    if (pf.grid.grid != gridref::Grid::None && blank(in.northing) && !blank(in.easting) &&
        !numtext::Is_Number(in.easting)) {
        // A grid reference in the easting, at the centre of its square.
        const gridref::ReadResult r = gridref::Read(pf.grid, in.easting);
        if (!r.reading) {
            Refuse(out, Status::BadReference, r.refusal);
            out.field = 0;
            return out;
        }
        E = r.reading->easting;
        N = r.reading->northing;
        out.gridrefRead = r.reading->text;
    } else {
        if (!numtext::Is_Number(in.northing)) {
            Refuse(out, Status::NotNumeric, kMustBeNumeric);
            out.field = 1;
            return out;
        }
        if (!numtext::Is_Number(in.easting)) {
            Refuse(out, Status::NotNumeric, kMustBeNumeric);
            out.field = 0;
            return out;
        }
        E = Read(in.easting);
        N = Read(in.northing);
    }
    std::optional<double> height;
    if (!Height(out, in.height, 2, kHeight, height))
        return out;
    const std::optional<Position> at = Inverse(out, *pr, E, N);
    if (!at)
        return out;
    if (pf.checker && Inexact(out, pf.checker->Check_Inverse(E, N, at->lat, at->lon),
                              in.refuseInexact, at->lat, at->lon))
        return out;
    const double lat = at->lat;
    const double lon = at->lon;
    if (in.factors || height) {
        out.factors = Factors_At(pr->values(), lat, lon);
        Add_Height(out.factors, pr->values(), lat, height);
    }
    if (in.gridref)
        out.gridref = gridref::Reference_At_Grid(pf.grid, E, N).value_or("");

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

DistanceTexts Point_Distance(const InForce& pf, const DistanceInput& in) {
    DistanceTexts out;
    const geo::Projection* pr = Usable(out, pf, kSelectSpheroid);
    if (!pr)
        return out;

    double E[2] = {0, 0};
    double N[2] = {0, 0};
    // Unrounded, for the quantities beside the distance.
    double exactE[2] = {0, 0};
    double exactN[2] = {0, 0};
    std::optional<Position> at[2];
    const bool geographic = !in.geog[0].empty();
    // Both degree fields of both positions, as on Geog to Grid: an empty
    // one would silently measure to latitude or longitude 0.
    if (geographic && (in.geog[4].empty() || in.geog[8].empty() || in.geog[12].empty())) {
        Refuse(out, Status::EnterPosition, kEnterPosition);
        return out;
    }
    std::optional<double> h[2];
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
                grid = Project(*pr, *lat, *lon);
                at[k] = Position{*lat, *lon};
                if (grid && pf.checker &&
                    Inexact(out, pf.checker->Check_Forward(*lat, *lon, grid->easting, grid->northing),
                            in.refuseInexact, *lat, *lon))
                    return out;
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

    if (!Height(out, in.height1, 20, "Height 1 (m)", h[0]) ||
        !Height(out, in.height2, 21, "Height 2 (m)", h[1]))
        return out;
    const double d = std::sqrt(std::pow(E[0] - E[1], 2) + std::pow(N[0] - N[1], 2));
    out.kms = numtext::Format_Mask(d / 1000, "#.00");
    out.miles = numtext::Format_Mask(d / 1852, "#.00");
    if (in.geodesic || (h[0] && h[1]))
        out.line = Line_Factors(*pr, geographic, exactE, exactN, at);
    if (h[0] && h[1] && at[0] && at[1] && out.line.grid_distance) {
        const survey::GroundLine g = Spheroid_Of(pr->values())
                                         .Ground(at[0]->lat, at[0]->lon, *h[0], at[1]->lat,
                                                 at[1]->lon, *h[1], *out.line.grid_distance);
        out.line.ground_distance = g.ground_distance;
        out.line.combined_line = g.combined_line_factor;
    }
    return out;
}

} // namespace convert
