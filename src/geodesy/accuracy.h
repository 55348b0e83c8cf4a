// How far Redfearn's series (geodesy.h) lie from the exact Transverse
// Mercator on the same parameter set, so that no result beyond the series'
// reach is shown without a word.
//
// The exact projection is GeographicLib's (C. F. F. Karney): Krueger's series
// to 6th order in n (TransverseMercator) where it agrees with the exact
// formulas to 10 nm, and the exact formulas in elliptic functions
// (TransverseMercatorExact) beyond. The switch-over: Krueger forward while the
// point lies within 35 degrees of arc of the central meridian (cos(lat) *
// sin|dlon| <= sin 35 deg, |dlon| <= 90); Krueger inverse while |E - FE| <=
// 0.6 k0 a and |y| is within the quarter meridian. Karney gives 5 nm within
// 35 degrees; measured against TransverseMercatorExact on six terrestrial
// spheroids the difference there is at most 9.9 nm, growing to 0.06 um at
// 45 degrees of arc, 0.25 mm at 65 and 0.36 m at 75; the series diverges at
// (1 - e) 90 degrees. TransverseMercatorExact costs about six Krueger
// evaluations, so it runs only where it is needed. A sphere (e2 = 0), where
// Krueger's series is exact, never needs it.
//
// The exact northing measures from the latitude of origin as the series do:
// N = FN + y(lat, lon) - y(lat0, lon0), y(lat0, lon0) being k0 times the
// meridian arc to lat0 (the exact projection's y on the central meridian).
//
// No Qt. Angles in degrees (south and west negative), lengths in metres.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace accuracy {

// Beyond this distance between series and exact grid position a result is
// flagged (windows: a warning line; quillmar-batch: a refused record).
inline constexpr double kLimitMetres = 1e-3;
// What a pre-test's "plain" guarantees: the series lie within this distance
// of the exact projection (the sum of the bounds in accuracy.cpp).
inline constexpr double kPlainBound = 0.9e-3;

// One parameter set, as plain values; central meridian and latitude of origin
// may carry decimals.
struct TmParams {
    double a = 0;        // semi-major axis, metres
    double e2 = 0;       // eccentricity squared
    double k0 = 0;       // central scale factor
    double FE = 0, FN = 0; // false easting and northing, metres
    double lat0_deg = 0; // latitude of origin
    double lon0_deg = 0; // central meridian
};

struct GridXY {
    double easting = 0, northing = 0;
};
struct LatLon {
    double lat = 0, lon = 0;
};

// The exact projection on one parameter set. Building one sets up
// GeographicLib's series (a few microseconds); keep it while the set stays.
// Immutable after construction: concurrent calls are safe.
class ExactTm {
  public:
    explicit ExactTm(const TmParams& p);
    ~ExactTm();
    ExactTm(ExactTm&&) noexcept;
    ExactTm& operator=(ExactTm&&) noexcept;

    // False for a set GeographicLib cannot project (a or k0 not positive or
    // not finite, e2 not in [0, 1)): every result is then nullopt.
    bool usable() const;
    const TmParams& params() const { return p_; }

    // Grid position of (lat, lon); nullopt for |lat| > 90 or a value that is
    // not finite. The longitude is taken modulo 360.
    std::optional<GridXY> Forward(double lat, double lon) const;
    // Position of the grid point (E, N); the longitude lies within 180 degrees
    // of the central meridian, as lon0 + dlon. nullopt when not finite.
    std::optional<LatLon> Inverse(double E, double N) const;

    // k0 times the meridian arc from the equator to lat0 and to the pole
    // (exact); 0 when not usable.
    double Origin_Arc() const;
    double Quarter_Arc() const;

  private:
    struct Impl;
    TmParams p_;
    std::unique_ptr<Impl> impl_;
};

// The outcome of comparing one series result with the exact projection.
struct Finding {
    enum class Kind {
        Plain,       // the pre-test settled it: certainly within kLimitMetres
        Checked,     // the exact projection was computed: see error_m
        Unavailable, // no exact projection on this set or at this position
    };
    Kind kind = Kind::Unavailable;
    double error_m = 0;               // grid distance, series to exact (Checked)
    double degrees_from_meridian = 0; // |lon - lon0| modulo 360, within 180 (Checked)
    // Geog to Grid: the exact E, N of the typed position. Grid to Geog: the
    // exact forward of the position the series gave (what error_m compares
    // with the typed E, N).
    GridXY exact_grid;
    // Grid to Geog only, when flagged: the exact position of the typed E, N.
    std::optional<LatLon> exact_geog;

    // The warning must show (error_m not finite counts).
    bool flagged() const { return kind == Kind::Checked && !(error_m <= kLimitMetres); }
};

// The series' error on one parameter set, exact where it is not plainly
// small. Building one costs about 0.3 ms (two tables of 180 cells for the
// pre-tests, see accuracy.cpp); keep it while the set stays (a thread_local
// cache keyed on the seven values, as convert::Spheroid_Of does).
// Immutable after construction: concurrent calls are safe.
class Checker {
  public:
    explicit Checker(const TmParams& p);
    ~Checker();
    Checker(Checker&&) noexcept;
    Checker& operator=(Checker&&) noexcept;

    const TmParams& params() const { return exact_.params(); }
    const ExactTm& exact() const { return exact_; }

    // The pre-tests: true only where the series are certainly within
    // kLimitMetres of the exact projection (a table look-up and a compare).
    // False says nothing: the exact check decides.
    // Forward: the typed position, degrees. Inverse: the typed grid position.
    bool Plain_Forward(double lat, double lon) const;
    bool Plain_Inverse(double E, double N) const;

    // Geog to Grid: the typed position and the E, N the series gave.
    Finding Check_Forward(double lat, double lon, double E, double N) const;
    // Grid to Geog: the typed E, N and the position the series gave. Refuse
    // impossible positions with Inverse_Refusal first.
    Finding Check_Inverse(double E, double N, double lat, double lon) const;

    // The pre-tests' tables, for tests and the accuracy table: the largest
    // |lon - lon0| in degrees for latitude cell floor(lat) + 90, and the
    // largest |E - FE| in metres for northing cell i (see accuracy.cpp).
    double Forward_Allowance(int cell) const { return fwd_[static_cast<size_t>(cell)]; }
    double Inverse_Allowance(int cell) const { return inv_[static_cast<size_t>(cell)]; }

  private:
    ExactTm exact_;
    std::array<double, 181> fwd_{};
    std::array<double, 180> inv_{};
    double y_origin_ = 0, inv_cell_ = 0; // Origin_Arc(), 1 / cell height
};

// The series computed as the windows compute them: omega = lon/DEG_PER_RAD -
// lon0/DEG_PER_RAD, northing from lat0_deg. nullopt on a NumericError or a
// result that is not finite.
std::optional<GridXY> Series_Forward(const TmParams& p, double lat, double lon);
// Calc_Geographic with the set's meridian, fraction kept; nullopt on a
// NumericError.
std::optional<LatLon> Series_Inverse(const TmParams& p, double E, double N);

// An inverse the series cannot have given right: latitude beyond 90 degrees,
// longitude more than 90 degrees from the meridian (lon - lon0 as the series
// give it), or a value not finite (the series diverged). The result is then
// refused with kOutsideInverse instead of shown.
bool Inverse_Impossible(double lat, double lon, double lon0_deg);
inline const std::string kOutsideInverse =
    "The grid position lies outside what these series can invert.";

// "18.0° from the central meridian: these series are 25.466 m from the exact
// projection here. Exact: E 3076934.550, N 4884302.019." for a flagged
// forward Finding; empty when not flagged.
std::string Warning_Text(const Finding& f);
// The same for Grid to Geog: "... Exact: " + exact_position + "." where the
// caller writes f.exact_geog in the result's layout; empty when not flagged.
std::string Warning_Text(const Finding& f, const std::string& exact_position);
// quillmar-batch's refusal: "25.466 m from the exact projection, 18.0° from
// the central meridian"; empty when not flagged.
std::string Refusal_Text(const Finding& f);

// A catalogue entry as plain values.
struct Entry {
    std::string name;
    TmParams params;
};
struct Nearer {
    std::string name;
    double degrees = 0; // the point's distance from that entry's meridian
};
// The entry on the same spheroid (a and e2 equal to in_force's) whose central
// meridian is nearest (lat, lon), nearer than in_force's, when its series lie within kLimitMetres of
// the exact projection there; never an entry whose seven values equal
// in_force's. Among meridians equally near, the entry in which the point's
// coordinates are not negative and its northing smallest, else the first.
std::optional<Nearer> Nearer_Entry(const TmParams& in_force, const std::vector<Entry>& entries,
                                   double lat, double lon);
// "Nearer: WGS 84 / UTM zone 33N (1.0° from its meridian)."
std::string Nearer_Text(const Nearer& n);

} // namespace accuracy
