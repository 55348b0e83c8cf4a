// Per-point cost of the Transverse Mercator series, forward and inverse, over
// one million seeded GRS 80 points, beside PROJ's and GeographicLib's
// Transverse Mercator on the same points and the cost of sin+cos+tan as the
// floor. The fault checks are measured against the same formulas without them.
//
// Before timing, the program checks that both builds of the formulas give the
// same doubles and how far the other libraries' answers lie from them; the
// findings go to standard error as "check NAME VALUE" lines.
#include "geodesy.h"
#include "variants.h"

#include <benchmark/benchmark.h>

#if QUILLMAR_BENCH_HAVE_PROJ
#include <proj.h>
#endif
#if QUILLMAR_BENCH_HAVE_GEOGRAPHICLIB
#include <GeographicLib/TransverseMercator.hpp>
#include <GeographicLib/TransverseMercatorExact.hpp>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace benchq {

const benchpts::Points& points() {
    static const benchpts::Points pts = [] {
        benchpts::Points p;
        const int n = benchpts::kCount;
        p.lat_deg.resize(n);
        p.lon_deg.resize(n);
        p.phi.resize(n);
        p.omega.resize(n);
        p.E.resize(n);
        p.N.resize(n);
        benchpts::Rng rng(20240611);
        for (int i = 0; i < n; ++i) {
            p.lat_deg[i] = 30 + 30 * rng.uniform();
            p.lon_deg[i] = benchpts::kCM - 3 + 6 * rng.uniform();
            p.phi[i] = p.lat_deg[i] / geo::DEG_PER_RAD;
            p.omega[i] = (p.lon_deg[i] - benchpts::kCM) / geo::DEG_PER_RAD;
        }
        // The inverse runs on the grid coordinates of the same points.
        forward_guarded(p, p.E.data(), p.N.data());
        return p;
    }();
    return pts;
}

} // namespace benchq

namespace {

using benchpts::Points;
using benchq::points;

constexpr const char* kTmerc =
    "+proj=tmerc +lat_0=0 +lon_0=3 +k_0=0.9996 +x_0=500000 +y_0=0 "
    "+a=6378137 +es=0.00669438002290 +units=m +no_defs";

void items(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points().phi.size()));
}

void finish(std::vector<double>& a, std::vector<double>& b) {
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
}

// The floor: one sine, cosine and tangent per point, as every series needs.
void BM_floor(benchmark::State& state) {
    const Points& pts = points();
    std::vector<double> out(pts.phi.size()), unused;
    for (auto _ : state) {
        const size_t n = pts.phi.size();
        for (size_t i = 0; i < n; ++i) {
            const double x = pts.phi[i];
            out[i] = (std::sin(x) + std::cos(x)) + std::tan(x);
        }
        finish(out, unused);
    }
    items(state);
}
BENCHMARK(BM_floor)->Name("floor/sin_cos_tan")->Unit(benchmark::kMillisecond);

#if QUILLMAR_BENCH_HAVE_PROJ

PJ* makeProj(bool approx) {
    const std::string def = std::string(kTmerc) + (approx ? " +approx" : "");
    PJ* P = proj_create(PJ_DEFAULT_CTX, def.c_str());
    if (!P) {
        std::fprintf(stderr, "proj_create failed: %s\n", def.c_str());
        std::exit(1);
    }
    return P;
}

// In-place over copies; the copy is not timed. A plain tmerc operation takes
// and gives radians on its geographic side.
void projRun(PJ* P, PJ_DIRECTION dir, const std::vector<double>& x0, const std::vector<double>& y0,
             std::vector<double>& x, std::vector<double>& y) {
    std::copy(x0.begin(), x0.end(), x.begin());
    std::copy(y0.begin(), y0.end(), y.begin());
    proj_trans_generic(P, dir, x.data(), sizeof(double), x.size(), y.data(), sizeof(double),
                       y.size(), nullptr, 0, 0, nullptr, 0, 0);
}

std::vector<double> lonRad() {
    const Points& pts = points();
    std::vector<double> v(pts.lon_deg.size());
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = pts.lon_deg[i] * (M_PI / 180);
    return v;
}
std::vector<double> latRad() {
    const Points& pts = points();
    std::vector<double> v(pts.lat_deg.size());
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = pts.lat_deg[i] * (M_PI / 180);
    return v;
}

void BM_proj_forward(benchmark::State& state, bool approx) {
    PJ* P = makeProj(approx);
    const std::vector<double> lon = lonRad(), lat = latRad();
    std::vector<double> x(lon.size()), y(lon.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(lon.begin(), lon.end(), x.begin());
        std::copy(lat.begin(), lat.end(), y.begin());
        state.ResumeTiming();
        proj_trans_generic(P, PJ_FWD, x.data(), sizeof(double), x.size(), y.data(),
                           sizeof(double), y.size(), nullptr, 0, 0, nullptr, 0, 0);
        finish(x, y);
    }
    items(state);
    proj_destroy(P);
}

void BM_proj_inverse(benchmark::State& state, bool approx) {
    PJ* P = makeProj(approx);
    const Points& pts = points();
    std::vector<double> x(pts.E.size()), y(pts.E.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(pts.E.begin(), pts.E.end(), x.begin());
        std::copy(pts.N.begin(), pts.N.end(), y.begin());
        state.ResumeTiming();
        proj_trans_generic(P, PJ_INV, x.data(), sizeof(double), x.size(), y.data(),
                           sizeof(double), y.size(), nullptr, 0, 0, nullptr, 0, 0);
        finish(x, y);
    }
    items(state);
    proj_destroy(P);
}

BENCHMARK_CAPTURE(BM_proj_forward, exact, false)->Name("forward/proj_exact")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_proj_forward, approx, true)->Name("forward/proj_approx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_proj_inverse, exact, false)->Name("inverse/proj_exact")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_proj_inverse, approx, true)->Name("inverse/proj_approx")->Unit(benchmark::kMillisecond);

#endif

#if QUILLMAR_BENCH_HAVE_GEOGRAPHICLIB

const double kFlattening = 1 - std::sqrt(1 - benchpts::kE2);

template <class TM> void BM_gl_forward(benchmark::State& state) {
    const TM tm(benchpts::kA, kFlattening, benchpts::kK0);
    const Points& pts = points();
    std::vector<double> x(pts.lat_deg.size()), y(pts.lat_deg.size());
    for (auto _ : state) {
        const size_t n = x.size();
        for (size_t i = 0; i < n; ++i) {
            tm.Forward(benchpts::kCM, pts.lat_deg[i], pts.lon_deg[i], x[i], y[i]);
            x[i] += benchpts::kFE;
            y[i] += benchpts::kFN;
        }
        finish(x, y);
    }
    items(state);
}

template <class TM> void BM_gl_inverse(benchmark::State& state) {
    const TM tm(benchpts::kA, kFlattening, benchpts::kK0);
    const Points& pts = points();
    std::vector<double> lat(pts.E.size()), lon(pts.E.size());
    for (auto _ : state) {
        const size_t n = lat.size();
        for (size_t i = 0; i < n; ++i)
            tm.Reverse(benchpts::kCM, pts.E[i] - benchpts::kFE, pts.N[i] - benchpts::kFN, lat[i],
                       lon[i]);
        finish(lat, lon);
    }
    items(state);
}

BENCHMARK(BM_gl_forward<GeographicLib::TransverseMercator>)->Name("forward/geographiclib_series")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gl_forward<GeographicLib::TransverseMercatorExact>)->Name("forward/geographiclib_exact")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gl_inverse<GeographicLib::TransverseMercator>)->Name("inverse/geographiclib_series")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gl_inverse<GeographicLib::TransverseMercatorExact>)->Name("inverse/geographiclib_exact")->Unit(benchmark::kMillisecond);

#endif

// Largest |a - b| over the points.
double maxDiff(const std::vector<double>& a, const std::vector<double>& b) {
    double m = 0;
    for (size_t i = 0; i < a.size(); ++i)
        m = std::max(m, std::fabs(a[i] - b[i]));
    return m;
}

void check(const char* name, double value) { std::fprintf(stderr, "check %s %.6g\n", name, value); }

// FNV-1a over the bits of every double: a change in any last digit shows.
uint64_t digest(std::initializer_list<const std::vector<double>*> arrays) {
    uint64_t h = 14695981039346656037ull;
    for (const auto* v : arrays)
        for (double x : *v) {
            uint64_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            for (int i = 0; i < 8; ++i) {
                h ^= (bits >> (8 * i)) & 0xFF;
                h *= 1099511628211ull;
            }
        }
    return h;
}

// Runs every implementation once and reports how their answers compare; the
// unchecked build must give the shipped build's doubles exactly.
void checks() {
    const Points& pts = points();
    const size_t n = pts.phi.size();
    std::vector<double> E(n), N(n), lat(n), lon(n), lat2(n), lon2(n);
    benchq::forward_unguarded(pts, E.data(), N.data());
    benchq::inverse_guarded(pts, lat.data(), lon.data());
    benchq::inverse_unguarded(pts, lat2.data(), lon2.data());
    size_t differ = 0;
    for (size_t i = 0; i < n; ++i)
        differ += (std::memcmp(&E[i], &pts.E[i], sizeof(double)) != 0) +
                  (std::memcmp(&N[i], &pts.N[i], sizeof(double)) != 0) +
                  (std::memcmp(&lat[i], &lat2[i], sizeof(double)) != 0) +
                  (std::memcmp(&lon[i], &lon2[i], sizeof(double)) != 0);
    check("unguarded_values_differing", static_cast<double>(differ));
    // The one-pass calls must give what the separate calls give.
    {
        const auto p = benchpts::Grs80<geo::ProjectionParams>();
        size_t apart = 0;
        for (size_t i = 0; i < n; ++i) {
            const double e = geo::Calc_Easting(p, pts.phi[i], p.scale_factor, pts.omega[i]);
            const double nn = geo::Calc_Northing(p, pts.phi[i], p.scale_factor, pts.omega[i]);
            const double phi1 = geo::Footpoint_Latitude(p, pts.N[i], p.origin_lat);
            const double Eprime = pts.E[i] - p.false_easting;
            const double la = geo::Calc_Latitude(p, phi1, Eprime);
            const double lo = geo::Calc_Longitude(p, phi1, Eprime, p.central_meridian);
            apart += (std::memcmp(&e, &pts.E[i], sizeof e) != 0) +
                     (std::memcmp(&nn, &pts.N[i], sizeof nn) != 0) +
                     (std::memcmp(&la, &lat[i], sizeof la) != 0) +
                     (std::memcmp(&lo, &lon[i], sizeof lo) != 0);
        }
        check("separate_calls_values_differing", static_cast<double>(apart));
    }
    // Nor may reading the flags once per chunk change a digit of what the
    // set made ready gives with a check per call.
    {
        const geo::Projection pr({benchpts::kA, benchpts::kE2, benchpts::kK0, benchpts::kFE,
                                  benchpts::kFN, 0, double(benchpts::kCM)});
        std::vector<double> bE(n), bN(n), bLat(n), bLon(n), uE(n), uN(n), uLat(n), uLon(n);
        benchq::forward_batch_guarded(pts, bE.data(), bN.data());
        benchq::inverse_batch_guarded(pts, bLat.data(), bLon.data());
        benchq::forward_batch_unguarded(pts, uE.data(), uN.data());
        benchq::inverse_batch_unguarded(pts, uLat.data(), uLon.data());
        size_t apart = 0;
        for (size_t i = 0; i < n; ++i) {
            const geo::GridPoint g = pr.Forward(pts.lat_deg[i], pts.lon_deg[i]);
            const geo::GeogPoint q = pr.Inverse(pts.E[i], pts.N[i]);
            for (const auto& [x, y] :
                 {std::pair{bE[i], g.easting}, {bN[i], g.northing}, {bLat[i], q.latitude},
                  {bLon[i], q.longitude}, {uE[i], g.easting}, {uN[i], g.northing},
                  {uLat[i], q.latitude}, {uLon[i], q.longitude}})
                apart += std::memcmp(&x, &y, sizeof x) != 0;
        }
        check("batch_values_differing", static_cast<double>(apart));
    }
    std::fprintf(stderr, "check quillmar_digest %016llx\n",
                 static_cast<unsigned long long>(digest({&pts.E, &pts.N, &lat, &lon})));
    // Round trip of the series itself, in metres on the ground (1 deg ~ 111 km).
    check("quillmar_roundtrip_m",
          std::max(maxDiff(lat, pts.lat_deg), maxDiff(lon, pts.lon_deg)) * 111320);
#if QUILLMAR_BENCH_HAVE_PROJ
    for (bool approx : {false, true}) {
        PJ* P = makeProj(approx);
        std::vector<double> x(n), y(n);
        projRun(P, PJ_FWD, lonRad(), latRad(), x, y);
        check(approx ? "proj_approx_forward_vs_quillmar_m" : "proj_exact_forward_vs_quillmar_m",
              std::max(maxDiff(x, pts.E), maxDiff(y, pts.N)));
        proj_destroy(P);
    }
#endif
#if QUILLMAR_BENCH_HAVE_GEOGRAPHICLIB
    const GeographicLib::TransverseMercatorExact tm(benchpts::kA, kFlattening, benchpts::kK0);
    double m = 0;
    for (size_t i = 0; i < n; ++i) {
        double x, y;
        tm.Forward(benchpts::kCM, pts.lat_deg[i], pts.lon_deg[i], x, y);
        m = std::max({m, std::fabs(x + benchpts::kFE - pts.E[i]), std::fabs(y - pts.N[i])});
    }
    check("geographiclib_exact_forward_vs_quillmar_m", m);
#endif
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    checks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
