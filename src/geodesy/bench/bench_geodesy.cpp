#include "geodesy.h"

#include <benchmark/benchmark.h>

namespace {

const geo::ProjectionParams kAiry{6377563.396, 0.00667054, 0.9996012717, 400000, -100000, 49, -2};

void BM_Forward(benchmark::State& state) {
    double phi = 52 / geo::DEG_PER_RAD, omega = 1 / geo::DEG_PER_RAD;
    for (auto _ : state) {
        benchmark::DoNotOptimize(phi);
        benchmark::DoNotOptimize(omega);
        benchmark::DoNotOptimize(geo::Calc_Easting(kAiry, phi, kAiry.scale_factor, omega));
        benchmark::DoNotOptimize(geo::Calc_Northing(kAiry, phi, kAiry.scale_factor, omega));
    }
}
BENCHMARK(BM_Forward);

void BM_Inverse(benchmark::State& state) {
    double E = 468643.108, N = 234025.790;
    for (auto _ : state) {
        benchmark::DoNotOptimize(E);
        benchmark::DoNotOptimize(N);
        const double phi1 = geo::Footpoint_Latitude(kAiry, N, 49);
        benchmark::DoNotOptimize(geo::Calc_Latitude(kAiry, phi1, E - kAiry.false_easting));
        benchmark::DoNotOptimize(geo::Calc_Longitude(kAiry, phi1, E - kAiry.false_easting, -2));
    }
}
BENCHMARK(BM_Inverse);

} // namespace

BENCHMARK_MAIN();
