// Compiled twice: with QUILLMAR_BENCH_VARIANT=guarded against quillmar_geodesy,
// and with =unguarded where the macro geo names the namespace of the
// unchecked copy of the same formulas.
#include "geodesy.h"
#include "variants.h"

#include <benchmark/benchmark.h>

#include <vector>

#define QB_CAT2(a, b) a##b
#define QB_CAT(a, b) QB_CAT2(a, b)
#define QB_STR2(a) #a
#define QB_STR(a) QB_STR2(a)

namespace benchq {

namespace {

geo::ProjectionParams grs80() { return benchpts::Grs80<geo::ProjectionParams>(); }

} // namespace

// One conversion as the windows and quillmar-batch make it: one call, so
// one fault check, per point.
void QB_CAT(forward_, QUILLMAR_BENCH_VARIANT)(const benchpts::Points& pts, double* E, double* N) {
    const geo::ProjectionParams p = grs80();
    const size_t n = pts.phi.size();
    for (size_t i = 0; i < n; ++i) {
        const geo::GridPoint g = geo::Calc_Grid(p, pts.phi[i], p.scale_factor, pts.omega[i], 0);
        E[i] = g.easting;
        N[i] = g.northing;
    }
}

void QB_CAT(inverse_, QUILLMAR_BENCH_VARIANT)(const benchpts::Points& pts, double* lat, double* lon) {
    const geo::ProjectionParams p = grs80();
    const size_t n = pts.E.size();
    for (size_t i = 0; i < n; ++i) {
        const geo::GeogPoint g = geo::Calc_Geographic(p, pts.N[i], pts.E[i] - p.false_easting, 0,
                                                      p.central_meridian);
        lat[i] = g.latitude;
        lon[i] = g.longitude;
    }
}

namespace {

void forward(benchmark::State& state) {
    const benchpts::Points& pts = points();
    std::vector<double> E(pts.phi.size()), N(pts.phi.size());
    for (auto _ : state) {
        QB_CAT(forward_, QUILLMAR_BENCH_VARIANT)(pts, E.data(), N.data());
        benchmark::DoNotOptimize(E.data());
        benchmark::DoNotOptimize(N.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pts.phi.size()));
}

void inverse(benchmark::State& state) {
    const benchpts::Points& pts = points();
    std::vector<double> lat(pts.E.size()), lon(pts.E.size());
    for (auto _ : state) {
        QB_CAT(inverse_, QUILLMAR_BENCH_VARIANT)(pts, lat.data(), lon.data());
        benchmark::DoNotOptimize(lat.data());
        benchmark::DoNotOptimize(lon.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pts.E.size()));
}

BENCHMARK(forward)->Name("forward/quillmar_" QB_STR(QUILLMAR_BENCH_VARIANT))->Unit(benchmark::kMillisecond);
BENCHMARK(inverse)->Name("inverse/quillmar_" QB_STR(QUILLMAR_BENCH_VARIANT))->Unit(benchmark::kMillisecond);

} // namespace

} // namespace benchq
