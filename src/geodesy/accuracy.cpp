#include "accuracy.h"

#include "geodesy.h"

#include <GeographicLib/Math.hpp>
#include <GeographicLib/TransverseMercator.hpp>
#include <GeographicLib/TransverseMercatorExact.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace accuracy {

namespace {

using GeographicLib::Math;

// Krueger's series agree with the exact formulas to 10 nm within 35 degrees
// of arc of the central meridian (measurements in accuracy.h).
// sin 35 degrees, written out: a constant formed at start-up would not be
// ready for a conversion made while another file's statics start.
constexpr double kKruegerArc = 0.573576436351046;
constexpr double kKruegerX = 0.6; // |x| / (k0 a), about 33 degrees of arc

// The pre-tests. The series' error splits into a part that depends on the
// latitude alone, the truncated meridian arc (up to 1.1 mm at 70 degrees on
// terrestrial spheroids, the arc to the latitude of origin subtracted), and a
// part that grows with the distance from the meridian. The first is measured
// on each parameter set when the Checker is built, at every whole degree. The
// second was measured once, over latitudes 0 to 90 every 0.25 degree on six
// spheroids (Airy 1830, GRS 80, Clarke 1880, a sphere, e2 = 0.003 and
// 0.0069), with k0 a = 6.4e6 m:
//   forward, |lon - lon0| <= 3 / 4 / 5 degrees: 0.0022 / 0.0235 / 0.120 mm;
//   inverse, |E - FE| <= 0.07 k0 a cos(footpoint latitude): 0.009 mm.
// The inverse adds the footpoint iteration's residual: it stops at a step
// below 1e-8 rad of a map contracting by q = (2 A2 + 4 A4 + 6 A6) / A0, so it
// is off by at most q / (1 - q) 1e-8 rad (0.34 mm; 0.326 mm measured).
// A cell skips the exact check only when the sum of these bounds stays under
// kPlainBound, each bound above what was measured (the distance terms
// doubled). Beyond the spheroids measured the pre-tests never pass.
constexpr double kMeasuredKA = 6.4e6;
constexpr double kMaxE2 = 0.0069;
struct Tier {
    double degrees, metres;
};
constexpr Tier kForwardTiers[] = {{5, 0.25e-3}, {4, 0.05e-3}, {3, 0.005e-3}};
constexpr double kInverseU = 0.07;
constexpr double kInverseTerm = 0.02e-3;
constexpr double kFootpointStop = 1e-8;
// The footpoint lies at most 0.07 degree poleward of the position the
// inverse gives (t x^2 / 2 with x <= 0.07 cos(lat)).
constexpr double kFootpointShift = 0.1;

double Flattening(double e2) { return 1 - std::sqrt(1 - e2); }

geo::ProjectionParams Series_Params(const TmParams& p) {
    geo::ProjectionParams s;
    s.major_axis = p.a;
    s.ecc_squared = p.e2;
    s.scale_factor = p.k0;
    s.false_easting = p.FE;
    s.false_northing = p.FN;
    // Unused by the calls below, which take the origin and omega as doubles.
    s.origin_lat = 0;
    s.central_meridian = 0;
    return s;
}

bool Same(const TmParams& x, const TmParams& y) {
    return x.a == y.a && x.e2 == y.e2 && x.k0 == y.k0 && x.FE == y.FE && x.FN == y.FN &&
           x.lat0_deg == y.lat0_deg && x.lon0_deg == y.lon0_deg;
}

// Fixed decimals in the C locale whatever the process's locale; no "-0.000".
std::string Fixed(double x, int decimals) {
    if (!std::isfinite(x))
        return x > 0 ? "inf" : x < 0 ? "-inf" : "nan";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    std::string s(buf, r.ec == std::errc() ? r.ptr : buf);
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-')
        s.erase(0, 1);
    return s;
}

std::string Lead(const Finding& f) {
    return Fixed(f.degrees_from_meridian, 1) + "\u00b0 from the central meridian: these series are " +
           Fixed(f.error_m, 3) + " m from the exact projection here. Exact: ";
}

} // namespace

// ---- exact projection -------------------------------------------------------

struct ExactTm::Impl {
    GeographicLib::TransverseMercator kr;
    std::unique_ptr<GeographicLib::TransverseMercatorExact> ex; // none on a sphere
    double y_origin = 0; // y of (lat0, lon0)
    double quarter = 0;  // k0 times the quarter meridian
};

ExactTm::ExactTm(const TmParams& p) : p_(p) {
    const double f = Flattening(p.e2);
    if (!(std::isfinite(p.a) && p.a > 0 && std::isfinite(p.k0) && p.k0 > 0 && p.e2 >= 0 &&
          p.e2 < 1 && std::isfinite(f) && std::isfinite(p.FE) && std::isfinite(p.FN) &&
          std::fabs(p.lat0_deg) <= 90 && std::isfinite(p.lon0_deg)))
        return;
    try {
        auto impl = std::make_unique<Impl>(Impl{GeographicLib::TransverseMercator(p.a, f, p.k0),
                                                nullptr, 0, 0});
        if (f > 0)
            impl->ex = std::make_unique<GeographicLib::TransverseMercatorExact>(p.a, f, p.k0);
        double x = 0;
        impl->kr.Forward(0, p.lat0_deg, 0, x, impl->y_origin);
        impl->kr.Forward(0, 90, 0, x, impl->quarter);
        if (std::isfinite(impl->y_origin) && std::isfinite(impl->quarter))
            impl_ = std::move(impl);
    } catch (const GeographicLib::GeographicErr&) {
        impl_.reset();
    }
}

ExactTm::~ExactTm() = default;
ExactTm::ExactTm(ExactTm&&) noexcept = default;
ExactTm& ExactTm::operator=(ExactTm&&) noexcept = default;

bool ExactTm::usable() const { return impl_ != nullptr; }
double ExactTm::Origin_Arc() const { return impl_ ? impl_->y_origin : 0; }
double ExactTm::Quarter_Arc() const { return impl_ ? impl_->quarter : 0; }

std::optional<GridXY> ExactTm::Forward(double lat, double lon) const {
    if (!impl_ || !(std::fabs(lat) <= 90) || !std::isfinite(lon))
        return std::nullopt;
    const double dlon = Math::AngDiff(p_.lon0_deg, lon);
    const bool krueger = !impl_->ex || (std::fabs(dlon) <= 90 &&
                                        Math::cosd(lat) * Math::sind(std::fabs(dlon)) <= kKruegerArc);
    double x = 0, y = 0, gamma = 0, k = 0;
    if (krueger)
        impl_->kr.Forward(0, lat, dlon, x, y, gamma, k);
    else
        impl_->ex->Forward(0, lat, dlon, x, y, gamma, k);
    const GridXY g{p_.FE + x, p_.FN + (y - impl_->y_origin)};
    if (!std::isfinite(g.easting) || !std::isfinite(g.northing))
        return std::nullopt;
    return g;
}

std::optional<LatLon> ExactTm::Inverse(double E, double N) const {
    if (!impl_)
        return std::nullopt;
    const double x = E - p_.FE, y = N - p_.FN + impl_->y_origin;
    if (!std::isfinite(x) || !std::isfinite(y))
        return std::nullopt;
    const bool krueger = !impl_->ex || (std::fabs(x) <= kKruegerX * p_.k0 * p_.a &&
                                        std::fabs(y) <= impl_->quarter);
    double lat = 0, dlon = 0, gamma = 0, k = 0;
    if (krueger)
        impl_->kr.Reverse(0, x, y, lat, dlon, gamma, k);
    else
        impl_->ex->Reverse(0, x, y, lat, dlon, gamma, k);
    const LatLon r{lat, p_.lon0_deg + dlon};
    if (!std::isfinite(r.lat) || !std::isfinite(r.lon))
        return std::nullopt;
    return r;
}

// ---- the series as the windows run them -------------------------------------

std::optional<GridXY> Series_Forward(const TmParams& p, double lat, double lon) {
    const double phi = lat / geo::DEG_PER_RAD;
    const double omega = lon / geo::DEG_PER_RAD - p.lon0_deg / geo::DEG_PER_RAD;
    if (!std::isfinite(phi) || !std::isfinite(omega))
        return std::nullopt;
    try {
        const geo::GridPoint g = geo::Calc_Grid(Series_Params(p), phi, p.k0, omega, p.lat0_deg);
        if (!std::isfinite(g.easting) || !std::isfinite(g.northing))
            return std::nullopt;
        return GridXY{g.easting, g.northing};
    } catch (const geo::NumericError&) {
        return std::nullopt;
    }
}

std::optional<LatLon> Series_Inverse(const TmParams& p, double E, double N) {
    try {
        const double Eprime = E - p.FE;
        if (!std::isfinite(Eprime) || !std::isfinite(N))
            return std::nullopt;
        const geo::GeogPoint g =
            geo::Calc_Geographic(Series_Params(p), N, Eprime, p.lat0_deg, p.lon0_deg);
        return LatLon{g.latitude, g.longitude};
    } catch (const geo::NumericError&) {
        return std::nullopt;
    }
}

bool Inverse_Impossible(double lat, double lon, double lon0_deg) {
    return !(std::fabs(lat) <= 90) || !std::isfinite(lon) || !(std::fabs(lon - lon0_deg) <= 90);
}

// ---- checker ----------------------------------------------------------------

Checker::Checker(const TmParams& p) : exact_(p) {
    if (!exact_.usable() || !(p.e2 >= 0 && p.e2 <= kMaxE2))
        return; // tables stay zero: never plain
    const double scale = std::max(1.0, p.k0 * p.a / kMeasuredKA);

    // The northing error on the central meridian at each whole degree.
    std::array<double, 181> arc{};
    for (int i = 0; i <= 180; ++i) {
        const double lat = i - 90;
        const auto s = Series_Forward(p, lat, p.lon0_deg);
        const auto x = exact_.Forward(lat, p.lon0_deg);
        arc[i] = s && x ? s->northing - x->northing : std::numeric_limits<double>::infinity();
        if (!std::isfinite(arc[i]))
            arc[i] = std::numeric_limits<double>::infinity();
    }
    // Largest |error| anywhere between whole degrees lo and hi: the largest
    // at the nodes, plus the largest change from node to node (the arc error
    // is smooth; its change over a degree is under 0.05 mm).
    auto arcBound = [&](int lo, int hi) {
        lo = std::clamp(lo, -90, 90) + 90;
        hi = std::clamp(hi, -90, 90) + 90;
        double most = 0, step = 0;
        for (int i = lo; i <= hi; ++i) {
            most = std::max(most, std::fabs(arc[i]));
            if (i < hi)
                step = std::max(step, std::fabs(arc[i + 1] - arc[i]));
        }
        return most + step;
    };

    for (int c = 0; c <= 180; ++c) {
        const double bound = arcBound(c - 90, c - 89);
        for (const Tier& t : kForwardTiers)
            if (bound + t.metres * scale <= kPlainBound) {
                fwd_[c] = t.degrees;
                break;
            }
    }

    // Northing cells: cell i holds y = N - FN + y(origin) in
    // [(i - 90) h, (i - 89) h), h a ninetieth of the quarter meridian, so the
    // footpoint latitude lies near [i - 90, i - 89] degrees.
    const double h = exact_.Quarter_Arc() / 90;
    if (!(h > 0))
        return;
    y_origin_ = exact_.Origin_Arc();
    inv_cell_ = 1 / h;
    std::array<double, 181> edge{}; // footpoint latitude of each cell edge
    for (int i = 0; i <= 180; ++i) {
        const auto g = exact_.Inverse(p.FE, p.FN - y_origin_ + (i - 90) * h);
        edge[i] = g ? std::clamp(g->lat, -90.0, 90.0) : (i < 90 ? -90.0 : 90.0);
    }
    edge[0] = -90;
    edge[180] = 90;
    const geo::ArcCoefficients arcK = geo::Arc_Coefficients(p.e2);
    const double q = (2 * arcK.A2 + 4 * arcK.A4 + 6 * arcK.A6) / arcK.A0;
    // Radians to grid metres on the meridian: k0 rho, largest at the pole;
    // a twentieth more for the latitude and longitude series that follow.
    const double residual = 1.05 * q / (1 - q) * kFootpointStop * p.k0 * p.a / std::sqrt(1 - p.e2);
    const double term = residual + kInverseTerm * scale;
    for (int i = 0; i < 180; ++i) {
        const double lo = std::min(edge[i], edge[i + 1]) - kFootpointShift;
        const double hi = std::max(edge[i], edge[i + 1]) + kFootpointShift;
        if (arcBound(static_cast<int>(std::floor(lo)), static_cast<int>(std::ceil(hi))) + term >
            kPlainBound)
            continue;
        const double poleward = std::max(std::fabs(edge[i]), std::fabs(edge[i + 1]));
        inv_[i] = std::max(0.0, kInverseU * p.k0 * p.a * Math::cosd(poleward));
    }
}

Checker::~Checker() = default;
Checker::Checker(Checker&&) noexcept = default;
Checker& Checker::operator=(Checker&&) noexcept = default;

bool Checker::Plain_Forward(double lat, double lon) const {
    if (!(lat >= -90 && lat <= 90))
        return false;
    return std::fabs(lon - params().lon0_deg) <= fwd_[static_cast<size_t>(lat + 90)];
}

bool Checker::Plain_Inverse(double E, double N) const {
    const double t = (N - params().FN + y_origin_) * inv_cell_ + 90;
    if (!(t >= 0 && t < 180))
        return false;
    return std::fabs(E - params().FE) <= inv_[static_cast<size_t>(t)];
}

Finding Checker::Check_Forward(double lat, double lon, double E, double N) const {
    Finding f;
    if (Plain_Forward(lat, lon)) {
        f.kind = Finding::Kind::Plain;
        return f;
    }
    const auto x = exact_.Forward(lat, lon);
    if (!x)
        return f;
    f.kind = Finding::Kind::Checked;
    f.exact_grid = *x;
    f.error_m = std::hypot(E - x->easting, N - x->northing);
    if (!std::isfinite(f.error_m))
        f.error_m = std::numeric_limits<double>::infinity();
    f.degrees_from_meridian = std::fabs(Math::AngDiff(params().lon0_deg, lon));
    return f;
}

Finding Checker::Check_Inverse(double E, double N, double lat, double lon) const {
    Finding f;
    if (Plain_Inverse(E, N)) {
        f.kind = Finding::Kind::Plain;
        return f;
    }
    const auto x = exact_.Forward(lat, lon);
    f.kind = Finding::Kind::Checked;
    f.error_m = std::numeric_limits<double>::infinity();
    if (x) {
        f.exact_grid = *x;
        const double d = std::hypot(E - x->easting, N - x->northing);
        if (std::isfinite(d))
            f.error_m = d;
    }
    // The exact position is wanted only for the warning; it costs as much
    // again as the check.
    if (f.flagged())
        f.exact_geog = exact_.Inverse(E, N);
    if (!x && !f.exact_geog) {
        f = Finding{};
        return f;
    }
    const double shownLon = f.exact_geog ? f.exact_geog->lon : lon;
    f.degrees_from_meridian = std::fabs(Math::AngDiff(params().lon0_deg, shownLon));
    return f;
}

// ---- texts ------------------------------------------------------------------

std::string Warning_Text(const Finding& f) {
    if (!f.flagged())
        return {};
    return Lead(f) + "E " + Fixed(f.exact_grid.easting, 3) + ", N " +
           Fixed(f.exact_grid.northing, 3) + ".";
}

std::string Warning_Text(const Finding& f, const std::string& exact_position) {
    if (!f.flagged())
        return {};
    return Lead(f) + exact_position + ".";
}

std::string Refusal_Text(const Finding& f) {
    if (!f.flagged())
        return {};
    return Fixed(f.error_m, 3) + " m from the exact projection, " +
           Fixed(f.degrees_from_meridian, 1) + "\u00b0 from the central meridian";
}

// ---- a better entry ----------------------------------------------------------

std::optional<Nearer> Nearer_Entry(const TmParams& in_force, const std::vector<Entry>& entries,
                                   double lat, double lon) {
    if (!(std::fabs(lat) <= 90) || !std::isfinite(lon))
        return std::nullopt;
    const Entry* best = nullptr;
    double bestDeg = 0;
    double bestNorthing = std::numeric_limits<double>::infinity(); // +inf: a negative coordinate
    for (const Entry& e : entries) {
        const TmParams& q = e.params;
        if (q.a != in_force.a || q.e2 != in_force.e2 || Same(q, in_force) ||
            !std::isfinite(q.lon0_deg))
            continue;
        const double deg = std::fabs(Math::AngDiff(q.lon0_deg, lon));
        if (best && deg > bestDeg)
            continue;
        // Zone 33N and 33S share a meridian: the point belongs to the one
        // where its coordinates are not negative and its northing smallest.
        const auto g = Series_Forward(q, lat, lon);
        const double northing = g && g->easting >= 0 && g->northing >= 0
                                    ? g->northing
                                    : std::numeric_limits<double>::infinity();
        if (best && deg == bestDeg && !(northing < bestNorthing))
            continue;
        best = &e;
        bestDeg = deg;
        bestNorthing = northing;
    }
    // Only a meridian nearer than the one in force is worth naming.
    if (!best || !(bestDeg < std::fabs(Math::AngDiff(in_force.lon0_deg, lon))))
        return std::nullopt;
    const auto s = Series_Forward(best->params, lat, lon);
    const auto x = ExactTm(best->params).Forward(lat, lon);
    if (!s || !x || !(std::hypot(s->easting - x->easting, s->northing - x->northing) <= kLimitMetres))
        return std::nullopt;
    return Nearer{best->name, bestDeg};
}

std::string Nearer_Text(const Nearer& n) {
    return "Nearer: " + n.name + " (" + Fixed(n.degrees, 1) + "\u00b0 from its meridian).";
}

} // namespace accuracy
