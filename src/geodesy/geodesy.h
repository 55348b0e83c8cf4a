// Transverse Mercator on a spheroid by Redfearn's series, forward and inverse.
//
// Source: J. C. B. Redfearn, "Transverse Mercator formulae", Empire Survey
// Review 9 (69), 1948, 318-322: easting to the 7th and northing to the 8th
// power of the longitude difference, the inverse latitude to the 8th and
// longitude to the 7th power of the easting, in the notation psi = nu/rho,
// t = tan(phi). The meridian distance is the series A0 phi - A2 sin 2phi +
// A4 sin 4phi - A6 sin 6phi in e^2 truncated after e^6, and the footpoint
// latitude is found by fixed-point iteration on it.
//
// Domain and accuracy, measured against the exact projection (GeographicLib's
// TransverseMercatorExact, tests/tst_geodesy_accuracy.cpp) on terrestrial
// spheroids: easting within 0.2 mm up to 5 degrees from the central meridian
// and 4 mm at 8 degrees; northing within 1 mm up to 8 degrees, the
// truncation of the arc series. Beyond about 8 degrees the neglected terms grow with the
// 8th and 9th powers of the distance from the central meridian, and the
// results are whatever the series give: no range is checked. A fault of the
// arithmetic (division by zero, overflow, an invalid operation, a non-finite
// input) throws NumericError and returns nothing.
//
// Pure numeric core: no Qt, no global state beyond the per-thread switch of
// DeferredChecks. Every operation takes the parameter set as an argument. Lengths are metres; angles inside the
// formulas are radians, at the interface degrees where a name says so.
// South latitudes and west longitudes are negative.
//
// Every formula is evaluated in exactly the published order (left to right
// where it matters, powers with std::pow) so results agree to the last digit
// with the reference values; do not "simplify" an expression here.
#pragma once

#include <cfenv>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace geo {

// 180 / 3.1415926536 (pi to ten decimals), not 180/pi. The only conversion
// between degrees and radians in the program.
inline constexpr double DEG_PER_RAD = 57.29577951289617;

struct ProjectionParams {
    double major_axis = 0;     // a, metres
    double ecc_squared = 0;    // e^2 (eccentricity squared, not e)
    double scale_factor = 0;   // k0
    double false_easting = 0;  // metres
    double false_northing = 0; // metres
    // Whole degrees, south negative, as the last selection set it. The
    // conversions read the latitude of origin from its text instead.
    int16_t origin_lat = 0;
    int16_t central_meridian = 0; // whole degrees, west negative
};

// Meridian-distance series coefficients, a pure function of e^2.
struct ArcCoefficients {
    double A0 = 0, A2 = 0, A4 = 0, A6 = 0;
};

// A division by zero, an overflow or an invalid operation anywhere in a
// calculation. Thrown instead of returning inf/NaN or a partial result.
class NumericError : public std::runtime_error {
  public:
    enum class Kind { DivisionByZero, Overflow, Invalid };
    NumericError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const noexcept { return kind_; }

  private:
    Kind kind_;
};

// A0..A6 from e^2, series truncated after e^6; e^4, e^6 as e^2 squared, cubed.
ArcCoefficients Arc_Coefficients(double e2);

// k0 * m(phi): meridian arc from the equator to phi (radians), metres.
// Stores the coefficients in *coeffs when given (before the arc is evaluated).
double Meridian_Arc(double e2, double a, double phi, double k0, ArcCoefficients* coeffs = nullptr);

// rho, meridian radius of curvature at phi (radians), metres.
double Meridian_Radius(const ProjectionParams& p, double phi);
// nu, prime-vertical radius of curvature at phi (radians), metres.
double PrimeVertical_Radius(const ProjectionParams& p, double phi);

// Signed decimal degrees from degrees, minutes, seconds: (D + M/60) + S/3600.
// The caller negates for "S"/"W".
double Dms_To_Degrees(double D, double M, double S);
// Short form, degrees and decimal minutes: D + M/60.
double Dms_To_Degrees(double D, double M);

struct Dms {
    double deg = 0;         // whole degrees of |x|
    double min_decimal = 0; // decimal minutes, (|x| - D) * 60
    double min_whole = 0;   // integer part of min_decimal
    double sec = 0;         // ((|x| - D) * 60 - Mi) * 60; no carry into minutes
    bool negative = false;  // x < 0; zero is not negative
};
Dms Degrees_To_Dms(double x);

// Forward projection. phi: latitude, radians; k0: scale factor (callers pass
// p.scale_factor); omega: longitude minus central meridian, radians, east
// positive. Easting includes false easting, northing false northing.
// Northing measures the arc from the latitude of origin phi0_deg, degrees,
// south negative, decimals kept (what the windows use). Without phi0_deg it
// is p.origin_lat, whose multiples 2L, 4L, 6L are formed in 16-bit arithmetic
// so that |origin_lat| > 5461 is an overflow; for whole degrees within that
// range both give the same doubles.
double Calc_Easting(const ProjectionParams& p, double phi, double k0, double omega);
double Calc_Northing(const ProjectionParams& p, double phi, double k0, double omega,
                     double phi0_deg);
double Calc_Northing(const ProjectionParams& p, double phi, double k0, double omega);

// Calc_Easting and then Calc_Northing with phi0_deg, in one pass that forms
// what both share once: the same doubles, and on a fault the NumericError
// the first of the two calls would throw.
struct GridPoint {
    double easting = 0, northing = 0;
};
GridPoint Calc_Grid(const ProjectionParams& p, double phi, double k0, double omega,
                    double phi0_deg);

// Inverse projection. N: northing in metres as entered (false northing
// included); phi0_deg: latitude of origin, degrees (may carry decimals).
// Returns the footpoint latitude in radians (fixed-point iteration, tolerance
// 1e-8 compared in single precision). Uses p.scale_factor and p.false_northing.
// Gives up with NumericError(Invalid) after 1000 iterations; only northings
// of the order of 1e14 m, where rounding keeps the iterate hopping, get there.
double Footpoint_Latitude(const ProjectionParams& p, double N, double phi0_deg);

// The same calculation with its intermediate values, for checking and
// diagnostics. iterates holds every phi_new in order; the last one is the
// footpoint latitude.
struct FootpointTrace {
    double k0m0 = 0;     // scaled meridian arc to the latitude of origin, metres
    double M_prime = 0;  // scaled meridian arc to the footpoint, metres
    double start = 0;    // start value, radians
    std::vector<double> iterates;
};
FootpointTrace Footpoint_Latitude_Trace(const ProjectionParams& p, double N, double phi0_deg);

// Latitude in decimal degrees from footpoint phi1 (radians) and
// Eprime = easting - false easting (metres).
double Calc_Latitude(const ProjectionParams& p, double phi1, double Eprime);
// Longitude in decimal degrees, central meridian lambda0_deg added inside.
// A whole-degree lambda0_deg gives the same doubles as the 16-bit value did.
double Calc_Longitude(const ProjectionParams& p, double phi1, double Eprime, double lambda0_deg);

// Footpoint_Latitude, Calc_Latitude and Calc_Longitude in that order, in one
// pass: the same doubles, and on a fault the NumericError the first failing
// call would throw. Eprime = easting - false easting.
struct GeogPoint {
    double latitude = 0, longitude = 0; // decimal degrees
};
GeogPoint Calc_Geographic(const ProjectionParams& p, double N, double Eprime, double phi0_deg,
                          double lambda0_deg);

// The seven values of a parameter set in the units the series use; the
// latitude of origin and the central meridian in degrees, fractions kept,
// south and west negative.
struct ParameterValues {
    double a = 0, e2 = 0, k0 = 0, fe = 0, fn = 0;
    double lat0 = 0, lon0 = 0;
    bool operator==(const ParameterValues&) const = default;
};

// A parameter set made ready once: the meridian-arc coefficients and both
// arcs to the latitude of origin (the forward and the inverse form them in
// different orders) are computed when it is built, not on every call. The
// results are the same doubles as Calc_Grid and Calc_Geographic give with
// the same values.
class Projection {
  public:
    // Throws NumericError when the set gives no finite arc; callers check
    // the physical ranges before (a > 0, 0 <= e^2 < 1, k0 > 0).
    explicit Projection(const ParameterValues& v);

    // Latitude and longitude in signed decimal degrees -> metres, false
    // easting and northing included. Throws NumericError on a fault.
    GridPoint Forward(double lat_deg, double lon_deg) const;
    // Easting and northing in metres -> signed decimal degrees. Throws
    // NumericError on a fault. No range is checked.
    GeogPoint Inverse(double easting, double northing) const;

    const ParameterValues& values() const { return v_; }
    // The values as the separate calls take them; central_meridian and
    // origin_lat hold the rounded degrees and are not used here.
    const ProjectionParams& params() const { return p_; }

  private:
    ParameterValues v_;
    ProjectionParams p_;
    ArcCoefficients k_;
    double m0_ = 0;   // forward: a * arc bracket at the origin
    double k0m0_ = 0; // inverse: k0 * a * arc bracket at the origin
};

// Fault checks for a run of many calls on this thread (a batch of records).
// Reading the flag register after every call waits for the arithmetic in
// flight; while a DeferredChecks lives, the calls above read it no more and
// test only that their results are finite, and the flags gather instead.
// Faulted() then reads them once: when it is true some call may have
// returned a value where it would have thrown, so the caller discards every
// result since the DeferredChecks began and does the work again without
// one. When it is false every call gave what it gives on its own. The
// caller's flags are put back when it ends; not for nesting.
class DeferredChecks {
  public:
    DeferredChecks();
    ~DeferredChecks();
    DeferredChecks(const DeferredChecks&) = delete;
    DeferredChecks& operator=(const DeferredChecks&) = delete;

    // A division by zero, an overflow or an invalid operation since it began.
    bool Faulted() const;

  private:
    unsigned csr_ = 0;      // x86-64: the caller's MXCSR
    std::fexcept_t env_{};  // elsewhere: the caller's flags
};

} // namespace geo
