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

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    double a_, e2_, k0_;
};

// Grid bearing of the line from (E1, N1) towards a point dE east and dN north
// of it: clockwise from grid north in [0, 360). Undefined for dE = dN = 0.
std::optional<double> Grid_Bearing(double dE, double dN);

} // namespace survey
