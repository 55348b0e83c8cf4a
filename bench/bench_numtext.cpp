// Per-call cost of reading and writing field texts: the numbers a batch run
// or a window handles (grid coordinates, degrees, minutes, seconds), plus a
// share of long and odd texts that take the general paths.
#include "numtext.h"
#include "points.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr size_t kTexts = 4096; // a power of two, for the index mask

struct Corpus {
    std::vector<std::string> texts;
    std::vector<double> values;
};

const Corpus& corpus() {
    static const Corpus c = [] {
        Corpus c;
        benchpts::Rng rng(7);
        char buf[64];
        for (size_t i = 0; i < kTexts; ++i) {
            const double u = rng.uniform();
            switch (i % 8) {
            case 0: // easting
                std::snprintf(buf, sizeof buf, "%.3f", 166000 + 668000 * u);
                break;
            case 1: // northing
                std::snprintf(buf, sizeof buf, "%.3f", 3300000 + 3400000 * u);
                break;
            case 2: // whole degrees
                std::snprintf(buf, sizeof buf, "%d", static_cast<int>(90 * u));
                break;
            case 3: // seconds
                std::snprintf(buf, sizeof buf, "%.3f", 60 * u);
                break;
            case 4: // decimal minutes
                std::snprintf(buf, sizeof buf, "%.5f", 60 * u);
                break;
            case 5: // signed, with blanks as typed
                std::snprintf(buf, sizeof buf, " -%.4f ", 1000 * u);
                break;
            case 6: // exponent form
                std::snprintf(buf, sizeof buf, "%.6E", 1e6 * u);
                break;
            default: // more digits than a short read takes
                std::snprintf(buf, sizeof buf, "%.22f", u);
                break;
            }
            c.texts.emplace_back(buf);
            c.values.push_back(i % 2 ? 166000 + 668000 * u : 3300000 + 3400000 * u);
        }
        return c;
    }();
    return c;
}

void BM_Read_Number(benchmark::State& state) {
    const Corpus& c = corpus();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(numtext::Read_Number(c.texts[i++ & (kTexts - 1)]));
}
BENCHMARK(BM_Read_Number)->Name("numtext/Read_Number");

void BM_Is_Number(benchmark::State& state) {
    const Corpus& c = corpus();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(numtext::Is_Number(c.texts[i++ & (kTexts - 1)]));
}
BENCHMARK(BM_Is_Number)->Name("numtext/Is_Number");

// The grid masks of the conversion window.
void BM_Format_Mask(benchmark::State& state) {
    const Corpus& c = corpus();
    size_t i = 0;
    for (auto _ : state) {
        const size_t k = i++ & (kTexts - 1);
        benchmark::DoNotOptimize(
            numtext::Format_Mask(c.values[k], (k & 1) ? "#####0.000" : "######0.000"));
    }
}
BENCHMARK(BM_Format_Mask)->Name("numtext/Format_Mask");

void BM_Plain_Text(benchmark::State& state) {
    const Corpus& c = corpus();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(numtext::Plain_Text(c.values[i++ & (kTexts - 1)] / 3));
}
BENCHMARK(BM_Plain_Text)->Name("numtext/Plain_Text");

} // namespace

BENCHMARK_MAIN();
