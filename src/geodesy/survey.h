// The quantities a surveyor reduces observations with, beside the grid
// coordinates: grid convergence and point scale factor of the Transverse
// Mercator projection, and the geodesic (ellipsoidal) distance and azimuths
// between two positions.
//
// Computed by GeographicLib (C. F. F. Karney): TransverseMercator, Krueger's
// series to 6th order in n, accurate to 5 nm within 3,900 km of the central
// meridian ("Transverse Mercator with an accuracy of a few nanometers",
// J. Geodesy 85, 2011); Geodesic, accurate to 15 nm ("Algorithms for
// geodesics", J. Geodesy 87, 2013). The coordinates themselves stay with
// geodesy.h: these numbers never feed back into them.
//
// Angles in degrees, south and west negative; lengths in metres. Every result
// is std::nullopt where it is undefined or not finite, never inf or NaN.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace survey {

// Flattening of the spheroid with eccentricity squared e2: f = 1 - sqrt(1 - e2).
double Flattening(double e2);

struct PointFactors {
    // Bearing of grid north clockwise from true north, degrees in (-180, 180];
    // positive east of the central meridian in the northern hemisphere.
    // Undefined at a pole.
    std::optional<double> convergence;
    // Point scale factor k, the central meridian's k0 included.
    std::optional<double> scale;
};

struct Geodesic {
    std::optional<double> distance; // s12, metres
    // Clockwise from true north in [0, 360): at position 1 towards 2, and at
    // position 2 in the direction of travel. Undefined for coincident
    // positions and at a pole.
    std::optional<double> azimuth1, azimuth2;
};

struct GroundLine {
    // Horizontal distance at the mean height of the two ends, metres:
    // s12 (R_alpha + hm) / R_alpha.
    std::optional<double> ground_distance;
    // Grid distance / ground distance, dimensionless. Undefined for a line
    // of no length.
    std::optional<double> combined_line_factor;
};

// One spheroid and the projection's k0. Building one sets up the series;
// keep it while the parameters stay. Thread-compatible: concurrent calls on
// one object are safe, as GeographicLib's objects are immutable.
class Spheroid {
  public:
    // a: semi-major axis, metres; e2: eccentricity squared; k0: central
    // scale factor. Parameters GeographicLib refuses (a or k0 not positive,
    // e2 not below 1, a flattening beyond its range) give an object whose
    // every result is nullopt.
    Spheroid(double a, double e2, double k0);
    ~Spheroid();
    Spheroid(Spheroid&&) noexcept;
    Spheroid& operator=(Spheroid&&) noexcept;

    bool usable() const;
    double a() const { return a_; }
    double e2() const { return e2_; }
    double k0() const { return k0_; }

    // Convergence and scale at (lat, lon) on the projection with central
    // meridian lon0, all degrees.
    PointFactors At(double lon0, double lat, double lon) const;
    // The geodesic from (lat1, lon1) to (lat2, lon2), degrees.
    Geodesic Inverse(double lat1, double lon1, double lat2, double lon2) const;
    // Ground_Line for the geodesic from (lat1, lon1) to (lat2, lon2), degrees,
    // with ends at ellipsoidal heights h1, h2 and the grid distance between
    // them, metres; alpha is the line's azimuth at position 1 (azimuth1 of
    // Inverse), the direction the Distance tab reports.
    GroundLine Ground(double lat1, double lon1, double h1, double lat2, double lon2, double h2,
                      double grid_distance) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    double a_, e2_, k0_;
};

// --- Reduction to the ground -------------------------------------------------
//
// Heights are ellipsoidal (orthometric height plus geoid separation), metres.
// a is the semi-major axis in metres and e2 the eccentricity squared of the
// parameter set in force; latitudes and azimuths are degrees.

// The heights the reductions accept, metres: from the Dead Sea shore to above
// Everest.
inline constexpr double kLowestHeight = -500;
inline constexpr double kHighestHeight = 9000;

// Nothing for a height h (metres) in [kLowestHeight, kHighestHeight];
// otherwise the message refusing it, naming the field it came from, e.g.
// "Ellipsoidal height (m) must lie between -500 and 9000." A height that is
// not finite is refused the same way.
std::optional<std::string> Height_Refusal(double h, const std::string& field);

// Gaussian mean radius R = sqrt(rho nu) at latitude lat in [-90, 90]: metres.
std::optional<double> Mean_Radius(double a, double e2, double lat);

// Radius of curvature of the normal section at latitude lat in [-90, 90] in
// azimuth alpha (any, degrees): R_alpha = rho nu / (rho sin^2 alpha +
// nu cos^2 alpha), metres; rho in the meridian, nu across it.
std::optional<double> Azimuth_Radius(double a, double e2, double lat, double alpha);

// Elevation (height) factor R / (R + h) at latitude lat in [-90, 90] for the
// ellipsoidal height h, metres, with R the mean radius above. Dimensionless.
// Defined for every finite h above -R; the window and the batch tool keep h
// within the accepted heights with Height_Refusal.
std::optional<double> Elevation_Factor(double a, double e2, double lat, double h);

// Combined scale factor: point scale factor k times the elevation factor.
// Ground distance times this is grid distance.
std::optional<double> Combined_Scale_Factor(double k, double elevation_factor);

// The line of geodesic length s12 (metres, >= 0) between latitudes lat1 and
// lat2 (degrees, [-90, 90]) leaving in azimuth alpha (degrees), with ends at
// ellipsoidal heights h1 and h2 (metres) and grid distance grid_distance
// (metres, >= 0). R_alpha is taken at the mid-latitude (lat1 + lat2) / 2 in
// azimuth alpha; hm = (h1 + h2) / 2.
GroundLine Ground_Line(double a, double e2, double s12, double lat1, double lat2, double alpha,
                       double h1, double h2, double grid_distance);

// Grid bearing of the line from (E1, N1) towards a point dE east and dN north
// of it: clockwise from grid north in [0, 360). Undefined for dE = dN = 0.
std::optional<double> Grid_Bearing(double dE, double dN);

} // namespace survey
