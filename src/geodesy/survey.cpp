#include "survey.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/TransverseMercator.hpp>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace survey {

namespace {

std::optional<double> finite(double x) {
    return std::isfinite(x) ? std::optional<double>(x) : std::nullopt;
}

// Azimuths come back in [-180, 180]; surveyors read them in [0, 360).
std::optional<double> wholeCircle(double azimuth) {
    if (!std::isfinite(azimuth))
        return std::nullopt;
    double a = std::fmod(azimuth, 360.0);
    if (a < 0)
        a += 360;
    return a >= 360 ? 0.0 : a; // -1e-17 + 360 rounds to 360
}

bool atPole(double lat) { return std::fabs(lat) >= 90; }

constexpr double kRadPerDeg = std::numbers::pi / 180;

struct Curvature {
    double rho, nu; // metres
};

// rho and nu at latitude lat, degrees; nothing off the spheroid or for a
// spheroid without finite radii.
std::optional<Curvature> Curvature_At(double a, double e2, double lat) {
    if (!(std::fabs(lat) <= 90) || !(a > 0) || !std::isfinite(a) || !(e2 < 1) ||
        !std::isfinite(e2))
        return std::nullopt;
    const double s = std::sin(lat * kRadPerDeg);
    const double w2 = 1 - e2 * s * s;
    const double nu = a / std::sqrt(w2);
    const double rho = a * (1 - e2) / (w2 * std::sqrt(w2));
    if (!std::isfinite(rho) || !std::isfinite(nu) || !(rho > 0) || !(nu > 0))
        return std::nullopt;
    return Curvature{rho, nu};
}

std::string Height_Text(double h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", h);
    return buf;
}

} // namespace

double Flattening(double e2) { return 1 - std::sqrt(1 - e2); }

struct Spheroid::Impl {
    GeographicLib::TransverseMercator tm;
    GeographicLib::Geodesic geodesic;
};

Spheroid::Spheroid(double a, double e2, double k0) : a_(a), e2_(e2), k0_(k0) {
    const double f = Flattening(e2);
    // GeographicLib's series hold for |f| well below 1; a prolate or
    // degenerate entry gives no factors rather than wrong ones.
    if (!(std::isfinite(a) && a > 0 && std::isfinite(k0) && k0 > 0 && std::isfinite(f) &&
          std::fabs(f) < 0.5))
        return;
    try {
        impl_ = std::make_unique<Impl>(Impl{GeographicLib::TransverseMercator(a, f, k0),
                                            GeographicLib::Geodesic(a, f)});
    } catch (const GeographicLib::GeographicErr&) {
        impl_.reset();
    }
}

Spheroid::~Spheroid() = default;
Spheroid::Spheroid(Spheroid&&) noexcept = default;
Spheroid& Spheroid::operator=(Spheroid&&) noexcept = default;

bool Spheroid::usable() const { return impl_ != nullptr; }

PointFactors Spheroid::At(double lon0, double lat, double lon) const {
    PointFactors out;
    if (!impl_ || !std::isfinite(lon0) || !std::isfinite(lon) || !(std::fabs(lat) <= 90))
        return out;
    double x = 0, y = 0, gamma = 0, k = 0;
    impl_->tm.Forward(lon0, lat, lon, x, y, gamma, k);
    if (!atPole(lat))
        out.convergence = finite(gamma);
    out.scale = finite(k);
    return out;
}

Geodesic Spheroid::Inverse(double lat1, double lon1, double lat2, double lon2) const {
    Geodesic out;
    if (!impl_ || !(std::fabs(lat1) <= 90) || !(std::fabs(lat2) <= 90) || !std::isfinite(lon1) ||
        !std::isfinite(lon2))
        return out;
    double s12 = 0, azi1 = 0, azi2 = 0;
    impl_->geodesic.Inverse(lat1, lon1, lat2, lon2, s12, azi1, azi2);
    out.distance = finite(s12);
    // The same position written two ways (longitudes 360 apart) is still
    // one point: no direction.
    if (out.distance && *out.distance > 0) {
        if (!atPole(lat1))
            out.azimuth1 = wholeCircle(azi1);
        if (!atPole(lat2))
            out.azimuth2 = wholeCircle(azi2);
    }
    return out;
}

GroundLine Spheroid::Ground(double lat1, double lon1, double h1, double lat2, double lon2,
                            double h2, double grid_distance) const {
    const Geodesic g = Inverse(lat1, lon1, lat2, lon2);
    if (!g.distance)
        return {};
    // A line of no length has no azimuth but still a ground distance of 0;
    // any direction gives it.
    return Ground_Line(a_, e2_, *g.distance, lat1, lat2, g.azimuth1.value_or(0), h1, h2,
                       grid_distance);
}

std::optional<std::string> Height_Refusal(double h, const std::string& field) {
    if (h >= kLowestHeight && h <= kHighestHeight)
        return std::nullopt;
    return field + " must lie between " + Height_Text(kLowestHeight) + " and " +
           Height_Text(kHighestHeight) + ".";
}

std::optional<double> Mean_Radius(double a, double e2, double lat) {
    const auto c = Curvature_At(a, e2, lat);
    if (!c)
        return std::nullopt;
    return finite(std::sqrt(c->rho * c->nu));
}

std::optional<double> Azimuth_Radius(double a, double e2, double lat, double alpha) {
    const auto c = Curvature_At(a, e2, lat);
    if (!c || !std::isfinite(alpha))
        return std::nullopt;
    const double s = std::sin(alpha * kRadPerDeg), co = std::cos(alpha * kRadPerDeg);
    return finite(c->rho * c->nu / (c->rho * s * s + c->nu * co * co));
}

std::optional<double> Elevation_Factor(double a, double e2, double lat, double h) {
    const auto r = Mean_Radius(a, e2, lat);
    if (!r || !std::isfinite(h) || !(*r + h > 0))
        return std::nullopt;
    return finite(*r / (*r + h));
}

std::optional<double> Combined_Scale_Factor(double k, double elevation_factor) {
    return finite(k * elevation_factor);
}

GroundLine Ground_Line(double a, double e2, double s12, double lat1, double lat2, double alpha,
                       double h1, double h2, double grid_distance) {
    GroundLine out;
    if (!(s12 >= 0) || !std::isfinite(s12) || !(std::fabs(lat1) <= 90) ||
        !(std::fabs(lat2) <= 90) || !std::isfinite(h1) || !std::isfinite(h2))
        return out;
    const auto r = Azimuth_Radius(a, e2, (lat1 + lat2) / 2, alpha);
    const double hm = (h1 + h2) / 2;
    if (!r || !(*r + hm > 0))
        return out;
    out.ground_distance = finite(s12 * (*r + hm) / *r);
    if (out.ground_distance && *out.ground_distance > 0 && grid_distance >= 0)
        out.combined_line_factor = finite(grid_distance / *out.ground_distance);
    return out;
}

std::optional<double> Grid_Bearing(double dE, double dN) {
    if (!std::isfinite(dE) || !std::isfinite(dN) || (dE == 0 && dN == 0))
        return std::nullopt;
    return wholeCircle(std::atan2(dE, dN) * (180 / std::numbers::pi));
}

} // namespace survey
