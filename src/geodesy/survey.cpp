#include "survey.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/TransverseMercator.hpp>

#include <cmath>
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

std::optional<double> Grid_Bearing(double dE, double dN) {
    if (!std::isfinite(dE) || !std::isfinite(dN) || (dE == 0 && dN == 0))
        return std::nullopt;
    return wholeCircle(std::atan2(dE, dN) * (180 / std::numbers::pi));
}

} // namespace survey
