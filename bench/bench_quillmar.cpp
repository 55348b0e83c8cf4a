// Compiled twice: with QUILLMAR_BENCH_VARIANT=guarded against quillmar_geodesy,
// and with =unguarded where the macro geo names the namespace of the
// unchecked copy of the same formulas.
#include "geodesy.h"
#include "variants.h"

#include <benchmark/benchmark.h>

#include <algorithm>
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

// What a batch chunk of 1 MB holds, about.
constexpr size_t kChunk = 20000;

geo::ParameterValues grs80Values() {
    return {benchpts::kA, benchpts::kE2, benchpts::kK0, benchpts::kFE, benchpts::kFN, 0,
            double(benchpts::kCM)};
}

// Runs convert(i) over the points chunk by chunk with the flags read once per
// chunk, and each record checked on its own only where one went up.
template <class F> void chunked(size_t n, F convert) {
    for (size_t start = 0; start < n; start += kChunk) {
        const size_t end = std::min(n, start + kChunk);
        {
            const geo::DeferredChecks checks;
            for (size_t i = start; i < end; ++i)
                convert(i);
            if (!checks.Faulted()) [[likely]]
                continue;
        }
        for (size_t i = start; i < end; ++i)
            convert(i);
    }
}

} // namespace

// As quillmar-batch converts: the parameter set made ready once, the flags
// read once per chunk.
void QB_CAT(forward_batch_, QUILLMAR_BENCH_VARIANT)(const benchpts::Points& pts, double* E, double* N) {
    const geo::Projection pr(grs80Values());
    chunked(pts.lat_deg.size(), [&](size_t i) {
        const geo::GridPoint g = pr.Forward(pts.lat_deg[i], pts.lon_deg[i]);
        E[i] = g.easting;
        N[i] = g.northing;
    });
}

void QB_CAT(inverse_batch_, QUILLMAR_BENCH_VARIANT)(const benchpts::Points& pts, double* lat, double* lon) {
    const geo::Projection pr(grs80Values());
    chunked(pts.E.size(), [&](size_t i) {
        const geo::GeogPoint g = pr.Inverse(pts.E[i], pts.N[i]);
        lat[i] = g.latitude;
        lon[i] = g.longitude;
    });
}

namespace {

template <void (*Loop)(const benchpts::Points&, double*, double*)>
void run(benchmark::State& state) {
    const benchpts::Points& pts = points();
    std::vector<double> a(pts.phi.size()), b(pts.phi.size());
    for (auto _ : state) {
        Loop(pts, a.data(), b.data());
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pts.phi.size()));
}

BENCHMARK(run<QB_CAT(forward_, QUILLMAR_BENCH_VARIANT)>)
    ->Name("forward/quillmar_" QB_STR(QUILLMAR_BENCH_VARIANT))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(run<QB_CAT(inverse_, QUILLMAR_BENCH_VARIANT)>)
    ->Name("inverse/quillmar_" QB_STR(QUILLMAR_BENCH_VARIANT))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(run<QB_CAT(forward_batch_, QUILLMAR_BENCH_VARIANT)>)
    ->Name("forward/quillmar_batch_" QB_STR(QUILLMAR_BENCH_VARIANT))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(run<QB_CAT(inverse_batch_, QUILLMAR_BENCH_VARIANT)>)
    ->Name("inverse/quillmar_batch_" QB_STR(QUILLMAR_BENCH_VARIANT))
    ->Unit(benchmark::kMillisecond);

} // namespace

} // namespace benchq
