// The seeded test points shared by the geodesy benchmarks: GRS 80, latitudes
// 30..60, longitudes within 3 degrees of the central meridian.
#pragma once

#include <cstdint>
#include <vector>

namespace benchpts {

inline constexpr double kA = 6378137;
inline constexpr double kE2 = 0.00669438002290;
inline constexpr double kK0 = 0.9996;
inline constexpr double kFE = 500000;
inline constexpr double kFN = 0;
inline constexpr int kCM = 3; // degrees east
inline constexpr int kCount = 1000000;

// The points' parameter set as the ProjectionParams of either build of the
// formulas (the shipped one, or the unchecked copy the benchmark compiles).
template <class Params> Params Grs80() {
    Params p;
    p.major_axis = kA;
    p.ecc_squared = kE2;
    p.scale_factor = kK0;
    p.false_easting = kFE;
    p.false_northing = kFN;
    p.origin_lat = 0;
    p.central_meridian = kCM;
    return p;
}

struct Points {
    std::vector<double> lat_deg, lon_deg; // geographic, degrees
    std::vector<double> phi, omega;       // radians; omega from the central meridian
    std::vector<double> E, N;             // grid, from the guarded forward projection
};

// SplitMix64: the same sequence with every compiler and library, unlike
// std::uniform_real_distribution.
class Rng {
  public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    double uniform() { // [0, 1)
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-53;
    }

  private:
    uint64_t s_;
};

} // namespace benchpts
