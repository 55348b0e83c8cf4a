#include "geodesy.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define QUILLMAR_FAULTWATCH_MXCSR 1
#else
#define QUILLMAR_FAULTWATCH_MXCSR 0
#endif

namespace geo {

namespace {

[[maybe_unused]] constexpr int kFaults = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;
#if QUILLMAR_FAULTWATCH_MXCSR
// MXCSR status bits: invalid, denormal, divide-by-zero, overflow,
// underflow, precision.
constexpr unsigned kCsrInvalid = 0x01;
constexpr unsigned kCsrDivByZero = 0x04;
constexpr unsigned kCsrOverflow = 0x08;
constexpr unsigned kCsrFaults = kCsrInvalid | kCsrDivByZero | kCsrOverflow;
constexpr unsigned kCsrFlags = 0x3F;
#endif

// The footpoint map is a strong contraction (about 0.005 per step on any
// terrestrial spheroid), so a valid parameter set needs three or four steps.
// Far outside the projection's domain rounding can make the iterate hop
// between neighbouring doubles more than 1e-8 apart; stop there rather than
// spin for ever.
constexpr int kMaxFootpointIterations = 1000;

// IEEE arithmetic does not trap, so a fault has to be read from the
// exception flags. A calculation first runs with no test between its steps
// (Pass) and reads the flags once at the end; only when a fault flag is up or
// a value is not finite does it run again step by step (FaultWatch) to name
// the step that failed and throw. The flags are sticky, so the quick run
// faults exactly when the checked run would throw, provided every value the
// checked run tests either flows into the result or is handed to clean().
// The caller's flags are put back on exit so that a calculation leaves the
// floating-point environment as found.
//
// On x86-64 all double arithmetic runs in SSE, so the flags live in MXCSR;
// reading it directly costs a few cycles where the <cfenv> calls, which also
// save and reload the x87 environment, cost a hundred or more per call.

// The quick run: every value passes untested.
struct Pass {
    static constexpr bool kChecked = false;
    double operator()(double x, const char*) const { return x; }
};

#if defined(QUILLMAR_GEODESY_UNGUARDED)
// Benchmark-only build (bench/CMakeLists.txt): the same formulas with the
// checks compiled out, to measure what the checks cost. Never shipped.
constexpr bool kGuarded = false;
class FaultWatch {
  public:
    static constexpr bool kChecked = false;
    FaultWatch() {}
    FaultWatch(const FaultWatch&) = delete;
    FaultWatch& operator=(const FaultWatch&) = delete;
    double operator()(double x, const char*) const { return x; }
    template <class... D> bool clean(D...) const { return true; }
};
#else
constexpr bool kGuarded = true;
class FaultWatch {
  public:
    static constexpr bool kChecked = true;
#if QUILLMAR_FAULTWATCH_MXCSR
    // Writing MXCSR is the slow part, so it is written only when a flag differs.
    FaultWatch() : saved_(_mm_getcsr()) {
        if (saved_ & kCsrFaults) [[unlikely]]
            _mm_setcsr(saved_ & ~kCsrFaults);
    }
    // Reading MXCSR waits for the arithmetic in flight, so the read clean()
    // made is reused: a checked run after it leaves the register as it found it.
    ~FaultWatch() {
        const unsigned csr = seen_ ? *seen_ : _mm_getcsr();
        if ((csr ^ saved_) & kCsrFlags)
            _mm_setcsr((csr & ~kCsrFlags) | (saved_ & kCsrFlags));
    }
#else
    FaultWatch() {
        std::fegetexceptflag(&saved_, FE_ALL_EXCEPT);
        std::feclearexcept(kFaults);
    }
    ~FaultWatch() { std::fesetexceptflag(&saved_, FE_ALL_EXCEPT); }
#endif
    FaultWatch(const FaultWatch&) = delete;
    FaultWatch& operator=(const FaultWatch&) = delete;

    // Passes x through unchanged, or throws if it or anything computed before
    // it faulted.
    double operator()(double x, const char* step) const {
        pin(x);
        const int raised = raisedFaults();
        if (raised == 0 && std::isfinite(x)) [[likely]]
            return x;
        fail(raised, x, step);
    }

    // The end of a quick run: true when no fault flag went up since the
    // watch began and every value is finite.
    template <class... D> bool clean(D... xs) const {
        (pin(xs), ...);
#if QUILLMAR_FAULTWATCH_MXCSR
        seen_ = _mm_getcsr();
        return !(*seen_ & kCsrFaults) && (std::isfinite(xs) && ...);
#else
        return raisedFaults() == 0 && (std::isfinite(xs) && ...);
#endif
    }

  private:
    // x is pinned ahead of the flag test, which the optimiser would otherwise
    // be free to reorder. An empty asm that takes x in its register does it
    // without putting a store and reload on the path of every value.
    static void pin(double& x) {
#if QUILLMAR_FAULTWATCH_MXCSR && defined(__GNUC__)
        asm volatile("" : "+x"(x));
#else
        volatile double pinned = x;
        x = pinned;
#endif
    }

#if QUILLMAR_FAULTWATCH_MXCSR
    static int raisedFaults() {
        const unsigned csr = _mm_getcsr();
        return ((csr & kCsrInvalid) ? FE_INVALID : 0) | ((csr & kCsrDivByZero) ? FE_DIVBYZERO : 0) |
               ((csr & kCsrOverflow) ? FE_OVERFLOW : 0);
    }
#else
    static int raisedFaults() { return std::fetestexcept(kFaults); }
#endif

    // Out of line, so the string building stays off the path of every check.
    [[noreturn]] [[gnu::cold]] [[gnu::noinline]] static void fail(int raised, double value,
                                                                  const char* step) {
        throw NumericError(kindOf(raised, value), std::string("numeric error in ") + step);
    }

    static NumericError::Kind kindOf(int raised, double value) {
        if (raised & FE_DIVBYZERO)
            return NumericError::Kind::DivisionByZero;
        if (raised & FE_INVALID)
            return NumericError::Kind::Invalid;
        if (raised & FE_OVERFLOW)
            return NumericError::Kind::Overflow;
        // No flag: a non-finite value came in from outside.
        return std::isnan(value) ? NumericError::Kind::Invalid : NumericError::Kind::Overflow;
    }

#if QUILLMAR_FAULTWATCH_MXCSR
    unsigned saved_;
    mutable std::optional<unsigned> seen_;
#else
    std::fexcept_t saved_{};
#endif
};
#endif // QUILLMAR_GEODESY_UNGUARDED

#if defined(QUILLMAR_GEODESY_UNGUARDED)
using QuickWatch = FaultWatch;
#else
// Set while a DeferredChecks lives on this thread.
thread_local bool tDeferred = false;

// The watch of a quick run: a FaultWatch, or under DeferredChecks only the
// test that every value is finite; the flags are read for the whole run.
class QuickWatch {
  public:
    QuickWatch() {
        if (!tDeferred)
            watch_.emplace();
    }
    template <class... D> bool clean(D... xs) const {
        if (watch_)
            return watch_->clean(xs...);
        return (std::isfinite(xs) && ...);
    }

  private:
    std::optional<FaultWatch> watch_;
};
#endif

// Arithmetic on a non-finite input need not raise a flag (1/inf is 0), so
// the quick run starts only from finite inputs.
template <class... D> bool allFinite(D... xs) {
    return !kGuarded || (std::isfinite(xs) && ...);
}

// The checked run, kept out of line and off the quick path.
template <class F> [[gnu::noinline]] [[gnu::cold]] auto checked(F run) {
    const FaultWatch chk;
    return run(chk);
}

// What a quick run returns where the checked run throws for a reason other
// than a flag: not finite, so clean() sends it to the checked run.
constexpr double kRetry = __builtin_nan("");

// k * L in 16-bit signed arithmetic, as the northing forms its multiples of
// the whole-degree origin latitude.
bool fits16(int k, int16_t L) {
    const int product = k * static_cast<int>(L);
    return product >= INT16_MIN && product <= INT16_MAX;
}
void times16(int k, int16_t L) {
    if (!fits16(k, L))
        throw NumericError(NumericError::Kind::Overflow,
                           "numeric error: multiple of the origin latitude overflows");
}

struct Radii {
    double ep2 = 0; // second eccentricity squared
    double c = 0;   // polar radius of curvature
    double V2 = 0;
    double nu = 0;
    double rho = 0;
};

template <class Check> Radii radiiAt(const Check& chk, double a, double e2, double phi) {
    Radii r;
    r.ep2 = chk(std::pow(e2, 2) / (1 - e2) + e2, "second eccentricity");
    r.c = chk(a / std::sqrt(1 - e2), "polar radius");
    r.V2 = chk(std::pow(std::cos(phi), 2) * r.ep2 + 1, "V squared");
    const double V = chk(std::sqrt(r.V2), "V");
    r.nu = chk(r.c / V, "prime-vertical radius");
    r.rho = chk(r.c / chk(std::pow(V, 3), "V cubed"), "meridian radius");
    return r;
}

template <class Check> ArcCoefficients coefficientsOf(const Check& chk, double e2) {
    const double e4 = std::pow(e2, 2);
    const double e6 = std::pow(e2, 3);
    ArcCoefficients k;
    k.A0 = chk(((1 - e2 / 4) - 3 * e4 / 64) - 5 * e6 / 256, "A0");
    k.A2 = chk(((e4 / 4 + e2) + 15 * e6 / 128) * (3.0 / 8), "A2");
    k.A4 = chk((3 * e6 / 4 + e4) * (15.0 / 256), "A4");
    k.A6 = chk(35 * e6 / 3072, "A6");
    return k;
}

// The meridian-distance bracket A0 phi - A2 sin 2phi + A4 sin 4phi - A6 sin 6phi.
double arcBracket(const ArcCoefficients& k, double phi) {
    return ((k.A0 * phi - k.A2 * std::sin(2 * phi)) + k.A4 * std::sin(4 * phi)) -
           k.A6 * std::sin(6 * phi);
}

// Called first thing after the watch cleared the flags, so only the values
// themselves can fail; the flag register is read only for the report.
void requireFinite(const FaultWatch& chk, std::initializer_list<double> inputs) {
    for (double x : inputs)
        if (!std::isfinite(x))
            chk(x, "input");
}

template <class Check>
double arcOf(const Check& chk, double e2, double a, double phi, double k0, ArcCoefficients* coeffs) {
    const ArcCoefficients k = coefficientsOf(chk, e2);
    if (coeffs)
        *coeffs = k;
    return chk(chk(arcBracket(k, phi) * a, "meridian arc") * k0, "scaled arc");
}

} // namespace

ArcCoefficients Arc_Coefficients(double e2) {
    const FaultWatch chk;
    requireFinite(chk, {e2});
    return coefficientsOf(chk, e2);
}

double Meridian_Arc(double e2, double a, double phi, double k0, ArcCoefficients* coeffs) {
    const QuickWatch watch;
    if (allFinite(e2, a, phi, k0)) {
        ArcCoefficients k;
        const double m = arcOf(Pass{}, e2, a, phi, k0, &k);
        if (watch.clean(m)) [[likely]] {
            if (coeffs)
                *coeffs = k;
            return m;
        }
    }
    return checked([&](const FaultWatch& chk) {
        requireFinite(chk, {e2, a, phi, k0});
        return arcOf(chk, e2, a, phi, k0, coeffs);
    });
}

double Meridian_Radius(const ProjectionParams& p, double phi) {
    const FaultWatch chk;
    requireFinite(chk, {p.major_axis, p.ecc_squared, phi});
    return radiiAt(chk, p.major_axis, p.ecc_squared, phi).rho;
}

double PrimeVertical_Radius(const ProjectionParams& p, double phi) {
    const FaultWatch chk;
    requireFinite(chk, {p.major_axis, p.ecc_squared, phi});
    return radiiAt(chk, p.major_axis, p.ecc_squared, phi).nu;
}

namespace {

// The quick run of formula(Pass{}) from finite inputs, and the checked run
// formula(chk) only where it faulted. The degree conversions go this way
// too, so that a batch under DeferredChecks reads no flags for its angles.
template <class F, class... D> double quickThenChecked(F formula, D... inputs) {
    {
        const QuickWatch watch;
        if (allFinite(inputs...)) {
            const double v = formula(Pass{});
            if (watch.clean(v)) [[likely]]
                return v;
        }
    }
    return checked([&](const FaultWatch& chk) {
        requireFinite(chk, {inputs...});
        return formula(chk);
    });
}

} // namespace

double Dms_To_Degrees(double D, double M, double S) {
    return quickThenChecked(
        [&](const auto& chk) { return chk((D + M / 60) + S / 3600, "degrees"); }, D, M, S);
}

double Dms_To_Degrees(double D, double M) {
    return quickThenChecked([&](const auto& chk) { return chk(D + M / 60, "degrees"); }, D, M);
}

namespace {

template <class Check> Dms dmsOf(const Check& chk, double x) {
    const double ax = std::fabs(x);
    Dms r;
    r.deg = std::floor(ax);
    r.min_decimal = chk((ax - r.deg) * 60, "minutes");
    r.min_whole = std::floor(r.min_decimal);
    // Minutes recomputed rather than reused, and no carry into minutes or
    // degrees when the seconds round up to 60.
    r.sec = chk(((ax - r.deg) * 60 - r.min_whole) * 60, "seconds");
    r.negative = x < 0;
    return r;
}

} // namespace

Dms Degrees_To_Dms(double x) {
    {
        const QuickWatch watch;
        if (allFinite(x)) {
            const Dms r = dmsOf(Pass{}, x);
            if (watch.clean(r.min_decimal, r.sec)) [[likely]]
                return r;
        }
    }
    return checked([&](const FaultWatch& chk) {
        requireFinite(chk, {x});
        return dmsOf(chk, x);
    });
}

namespace {

template <class Check>
double eastingOf(const Check& chk, const ProjectionParams& p, double phi, double k0, double omega) {
    const Radii r = radiiAt(chk, p.major_axis, p.ecc_squared, phi);
    const double nu = r.nu;
    const double psi = chk(nu / r.rho, "psi");
    const double c = std::cos(phi);
    const double t = chk(std::tan(phi), "tan");
    const double t2 = std::pow(t, 2);
    const double t4 = std::pow(t, 4);
    const double t6 = std::pow(t, 6);

    // Each factor is c^n * ((omega^n / n!) * nu).
    const double T1 = chk(std::pow(c, 1) * ((std::pow(omega, 1) / 1) * nu), "T1");
    const double T3 = chk(std::pow(c, 3) * ((std::pow(omega, 3) / 6) * nu) * (psi - t2), "T3");
    const double b5 =
        ((std::pow(psi, 2) * (1 + 8 * t2) + 4 * std::pow(psi, 3) * (1 - 6 * t2)) - 2 * psi * t2) +
        t4;
    const double T5 = chk(std::pow(c, 5) * ((std::pow(omega, 5) / 120) * nu) * b5, "T5");
    const double b7 = ((61 - 479 * t2) + 179 * t4) - t6;
    const double T7 = chk(std::pow(c, 7) * ((std::pow(omega, 7) / 5040) * nu) * b7, "T7");

    return chk(((T5 + (T1 + T3)) + T7) * k0 + p.false_easting, "easting");
}

} // namespace

double Calc_Easting(const ProjectionParams& p, double phi, double k0, double omega) {
    const QuickWatch watch;
    if (allFinite(p.major_axis, p.ecc_squared, p.false_easting, phi, k0, omega)) {
        const double E = eastingOf(Pass{}, p, phi, k0, omega);
        if (watch.clean(E)) [[likely]]
            return E;
    }
    return checked([&](const FaultWatch& chk) {
        requireFinite(chk, {p.major_axis, p.ecc_squared, p.false_easting, phi, k0, omega});
        return eastingOf(chk, p, phi, k0, omega);
    });
}

namespace {

// The meridian arc at the latitude of origin as the northing subtracts it:
// 2L, 4L and 6L in degrees before the conversion to radians.
template <class Check>
double forwardOriginArc(const Check& chk, const ArcCoefficients& k, double a, double L) {
    const double L2 = chk(2 * L, "twice the origin");
    const double L4 = chk(4 * L, "four times the origin");
    const double L6 = chk(6 * L, "six times the origin");
    return chk(a * (((k.A0 * L / DEG_PER_RAD - k.A2 * std::sin(L2 / DEG_PER_RAD)) +
                     k.A4 * std::sin(L4 / DEG_PER_RAD)) -
                    k.A6 * std::sin(L6 / DEG_PER_RAD)),
               "meridian arc at origin");
}

// wholeDegrees: the origin is p.origin_lat, whose multiples 2L, 4L, 6L are
// formed in 16-bit arithmetic and overflow beyond it. The quick run keeps
// the arc at the origin in *arcAtOrigin for clean(): it is checked but not
// part of the result.
template <class Check>
double northingOf(const Check& chk, const ProjectionParams& p, double phi, double k0, double omega,
                  double phi0_deg, bool wholeDegrees, double* arcAtOrigin) {
    const double a = p.major_axis;
    const double L = phi0_deg;

    ArcCoefficients k;
    const double phi0 = L / DEG_PER_RAD;
    // Only the coefficients are wanted, but a fault in the arc still counts.
    if constexpr (Check::kChecked)
        chk(Meridian_Arc(p.ecc_squared, a, phi0, k0, &k), "arc at origin");
    else
        *arcAtOrigin = arcOf(chk, p.ecc_squared, a, phi0, k0, &k);

    const Radii r = radiiAt(chk, a, p.ecc_squared, phi);
    const double nu = r.nu;
    const double psi = chk(nu / r.rho, "psi");
    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double t = chk(std::tan(phi), "tan");
    const double t2 = std::pow(t, 2);
    const double t4 = std::pow(t, 4);
    const double t6 = std::pow(t, 6);

    const double m = chk(a * arcBracket(k, phi), "meridian arc");
    // 2L, 4L and 6L in degrees before the conversion; for a whole-degree
    // origin within 16 bits they are the same doubles either way.
    if (wholeDegrees) {
        const auto Lw = static_cast<int16_t>(L);
        if constexpr (Check::kChecked) {
            times16(2, Lw);
            times16(4, Lw);
            times16(6, Lw);
        } else if (!fits16(6, Lw)) {
            return kRetry; // the checked run reports it, or an earlier fault
        }
    }
    const double m0 = forwardOriginArc(chk, k, a, L);
    const double dM = chk(m - m0, "arc difference");

    // Each factor is c^(n-1) * ((omega^n / n!) * (s * nu)).
    const double snu = s * nu;
    const double T2 = chk(std::pow(c, 1) * ((std::pow(omega, 2) / 2) * snu), "T2");
    // 4 psi^2 + psi - t^2, psi taken as V^2.
    const double b4 = (r.V2 + 4 * std::pow(r.V2, 2)) - t2;
    const double T4 = chk(std::pow(c, 3) * ((std::pow(omega, 4) / 24) * snu) * b4, "T4");
    const double b6 =
        (((8 * std::pow(psi, 4) * (11 - 24 * t2) - 28 * std::pow(psi, 3) * (1 - 6 * t2)) +
          std::pow(psi, 2) * (1 - 32 * t2)) -
         2 * psi * t2) +
        t4;
    const double T6 = chk(std::pow(c, 5) * ((std::pow(omega, 6) / 720) * snu) * b6, "T6");
    const double b8 = ((1385 - 3111 * t2) + 543 * t4) - t6;
    const double T8 = chk(std::pow(c, 7) * ((std::pow(omega, 8) / 40320) * snu) * b8, "T8");

    return chk(((T6 + ((dM + T2) + T4)) + T8) * k0 + p.false_northing, "northing");
}

double northing(const ProjectionParams& p, double phi, double k0, double omega, double phi0_deg,
                bool wholeDegrees) {
    const QuickWatch watch;
    if (allFinite(p.major_axis, p.ecc_squared, p.false_northing, phi, k0, omega, phi0_deg)) {
        double arc0 = 0;
        const double N = northingOf(Pass{}, p, phi, k0, omega, phi0_deg, wholeDegrees, &arc0);
        if (watch.clean(N, arc0)) [[likely]]
            return N;
    }
    return checked([&](const FaultWatch& chk) {
        requireFinite(chk,
                      {p.major_axis, p.ecc_squared, p.false_northing, phi, k0, omega, phi0_deg});
        return northingOf(chk, p, phi, k0, omega, phi0_deg, wholeDegrees, nullptr);
    });
}

// The powers of tan(phi) and psi that both one-pass runs share, each as the
// separate series form it with std::pow.
struct SeriesPowers {
    double t2, t4, t6, psi2, psi3;
};
SeriesPowers powersOf(double t, double psi) {
    return {std::pow(t, 2), std::pow(t, 4), std::pow(t, 6), std::pow(psi, 2), std::pow(psi, 3)};
}

// Calc_Easting and Calc_Northing (decimal origin) in one quick run: the
// radii, the trigonometry and the powers both series use are formed once.
// Every expression is the one of eastingOf or northingOf, so the doubles
// are the same. k and m0 depend only on the parameter set.
GridPoint gridCore(const ProjectionParams& p, const ArcCoefficients& k, double m0, double phi,
                   double k0, double omega) {
    const Pass pass;
    const double a = p.major_axis;
    const Radii r = radiiAt(pass, a, p.ecc_squared, phi);
    const double nu = r.nu;
    const double psi = nu / r.rho;
    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double t = std::tan(phi);
    const auto [t2, t4, t6, psi2, psi3] = powersOf(t, psi);
    const double c3 = std::pow(c, 3);
    const double c5 = std::pow(c, 5);
    const double c7 = std::pow(c, 7);

    const double T1 = std::pow(c, 1) * ((std::pow(omega, 1) / 1) * nu);
    const double T3 = c3 * ((std::pow(omega, 3) / 6) * nu) * (psi - t2);
    const double b5 = ((psi2 * (1 + 8 * t2) + 4 * psi3 * (1 - 6 * t2)) - 2 * psi * t2) + t4;
    const double T5 = c5 * ((std::pow(omega, 5) / 120) * nu) * b5;
    const double b7 = ((61 - 479 * t2) + 179 * t4) - t6;
    const double T7 = c7 * ((std::pow(omega, 7) / 5040) * nu) * b7;
    const double E = ((T5 + (T1 + T3)) + T7) * k0 + p.false_easting;

    const double m = a * arcBracket(k, phi);
    const double dM = m - m0;
    const double snu = s * nu;
    const double T2 = std::pow(c, 1) * ((std::pow(omega, 2) / 2) * snu);
    const double b4 = (r.V2 + 4 * std::pow(r.V2, 2)) - t2;
    const double T4 = c3 * ((std::pow(omega, 4) / 24) * snu) * b4;
    const double b6 = (((8 * std::pow(psi, 4) * (11 - 24 * t2) - 28 * psi3 * (1 - 6 * t2)) +
                        psi2 * (1 - 32 * t2)) -
                       2 * psi * t2) +
                      t4;
    const double T6 = c5 * ((std::pow(omega, 6) / 720) * snu) * b6;
    const double b8 = ((1385 - 3111 * t2) + 543 * t4) - t6;
    const double T8 = c7 * ((std::pow(omega, 8) / 40320) * snu) * b8;
    const double N = ((T6 + ((dM + T2) + T4)) + T8) * k0 + p.false_northing;
    return {E, N};
}

// The arc at the origin goes to *arcAtOrigin for clean().
GridPoint gridOf(const ProjectionParams& p, double phi, double k0, double omega, double phi0_deg,
                 double* arcAtOrigin) {
    ArcCoefficients k;
    *arcAtOrigin = arcOf(Pass{}, p.ecc_squared, p.major_axis, phi0_deg / DEG_PER_RAD, k0, &k);
    const double m0 = forwardOriginArc(Pass{}, k, p.major_axis, phi0_deg);
    return gridCore(p, k, m0, phi, k0, omega);
}

} // namespace

double Calc_Northing(const ProjectionParams& p, double phi, double k0, double omega) {
    return northing(p, phi, k0, omega, p.origin_lat, true);
}

double Calc_Northing(const ProjectionParams& p, double phi, double k0, double omega,
                     double phi0_deg) {
    return northing(p, phi, k0, omega, phi0_deg, false);
}

GridPoint Calc_Grid(const ProjectionParams& p, double phi, double k0, double omega,
                    double phi0_deg) {
    {
        const QuickWatch watch;
        if (allFinite(p.major_axis, p.ecc_squared, p.false_easting, p.false_northing, phi, k0,
                      omega, phi0_deg)) {
            double arc0 = 0;
            const GridPoint g = gridOf(p, phi, k0, omega, phi0_deg, &arc0);
            if (watch.clean(g.easting, g.northing, arc0)) [[likely]]
                return g;
        }
    }
    // The two calls in order, for the error the first failing one reports.
    const double E = Calc_Easting(p, phi, k0, omega);
    return {E, Calc_Northing(p, phi, k0, omega, phi0_deg)};
}

namespace {

// k0 m0, the scaled arc to the latitude of origin as the inverse forms it:
// multiples of the origin latitude in degrees, then converted.
template <class Check>
double inverseOriginArc(const Check& chk, const ProjectionParams& p, const ArcCoefficients& k,
                        double phi0_deg) {
    return chk((((phi0_deg * k.A0 / DEG_PER_RAD - k.A2 * std::sin(2 * phi0_deg / DEG_PER_RAD)) +
                 k.A4 * std::sin(4 * phi0_deg / DEG_PER_RAD)) -
                k.A6 * std::sin(6 * phi0_deg / DEG_PER_RAD)) *
                   p.major_axis * p.scale_factor,
               "scaled arc at origin");
}

template <class Check>
double footpointFrom(const Check& chk, const ProjectionParams& p, const ArcCoefficients& k,
                     double k0m0, double N, FootpointTrace* trace) {
    const double a = p.major_axis;
    const double k0 = p.scale_factor;
    const double Mp = chk((N + k0m0) - p.false_northing, "scaled arc to footpoint");
    const double invA0 = chk(1 / k.A0, "1/A0");
    const double arcTerm = chk(Mp / chk(k0 * a, "k0 a"), "rectifying latitude");

    double phi = chk(chk(Mp / k0, "arc / k0") / a * invA0, "footpoint start");
    if (trace) {
        trace->k0m0 = k0m0;
        trace->M_prime = Mp;
        trace->start = phi;
    }
    for (int i = 0; i < kMaxFootpointIterations; ++i) {
        const double phiNew =
            chk((((arcTerm + k.A2 * std::sin(2 * phi)) - k.A4 * std::sin(4 * phi)) +
                 k.A6 * std::sin(6 * phi)) *
                    invA0,
                "footpoint iteration");
        if (trace)
            trace->iterates.push_back(phiNew);
        const double delta = phi - phiNew;
        // Single-precision comparison; the nearest single to 1e-8 lies slightly
        // below it, which decides borderline cases.
        const float gap = static_cast<float>(std::fabs(delta));
        chk(gap, "footpoint step");
        if (!(gap > 1e-8f))
            return phiNew; // the newest value, not the one it was compared with
        phi = phiNew;
    }
    if constexpr (!Check::kChecked)
        return kRetry; // the checked run reports it, or an earlier fault
    throw NumericError(NumericError::Kind::Invalid,
                       "numeric error: footpoint latitude does not converge");
}

template <class Check>
double footpointOf(const Check& chk, const ProjectionParams& p, double N, double phi0_deg,
                   FootpointTrace* trace) {
    const ArcCoefficients k = coefficientsOf(chk, p.ecc_squared);
    return footpointFrom(chk, p, k, inverseOriginArc(chk, p, k, phi0_deg), N, trace);
}

double footpointChecked(const ProjectionParams& p, double N, double phi0_deg,
                        FootpointTrace* trace) {
    return checked([&](const FaultWatch& chk) {
        requireFinite(chk,
                      {p.major_axis, p.ecc_squared, p.scale_factor, p.false_northing, N, phi0_deg});
        return footpointOf(chk, p, N, phi0_deg, trace);
    });
}

} // namespace

double Footpoint_Latitude(const ProjectionParams& p, double N, double phi0_deg) {
    const QuickWatch watch;
    if (allFinite(p.major_axis, p.ecc_squared, p.scale_factor, p.false_northing, N, phi0_deg)) {
        const double phi1 = footpointOf(Pass{}, p, N, phi0_deg, nullptr);
        if (watch.clean(phi1)) [[likely]]
            return phi1;
    }
    return footpointChecked(p, N, phi0_deg, nullptr);
}

FootpointTrace Footpoint_Latitude_Trace(const ProjectionParams& p, double N, double phi0_deg) {
    FootpointTrace trace;
    footpointChecked(p, N, phi0_deg, &trace);
    return trace;
}

namespace {

template <class Check>
double latitudeOf(const Check& chk, const ProjectionParams& p, double phi1, double Eprime) {
    const double k0 = p.scale_factor;
    const Radii r = radiiAt(chk, p.major_axis, p.ecc_squared, phi1);
    const double rho = r.rho;
    const double nu = r.nu;
    const double psi = chk(nu / rho, "psi");
    const double t = chk(std::tan(phi1), "tan");
    const double t2 = std::pow(t, 2);
    const double t4 = std::pow(t, 4);
    const double t6 = std::pow(t, 6);

    const double K = chk(t / chk(rho * k0, "rho k0"), "K");
    const double U1 = chk(std::pow(Eprime, 2) / chk(nu * (k0 * 2), "U1 divisor"), "U1");

    const double d2 = chk(std::pow(nu, 3) * (std::pow(k0, 3) * 24), "F2 divisor");
    const double F2 = chk(std::pow(Eprime, 4) / d2 * K, "F2");
    const double B2 = ((1 - t2) * 9 * psi + (-4 * std::pow(psi, 2))) + 12 * t2;

    const double d3 = chk(std::pow(nu, 5) * (std::pow(k0, 5) * 720), "F3 divisor");
    const double F3 = chk(std::pow(Eprime, 6) / d3 * K, "F3");
    const double B3a =
        8 * std::pow(psi, 4) * (11 - 24 * t2) - 12 * std::pow(psi, 3) * (21 - 71 * t2);
    const double B3b = 15 * std::pow(psi, 2) * ((15 - 98 * t2) + 15 * t4);
    const double B3c = 180 * psi * (5 * t2 - 3 * t4) + 360 * t4;

    const double d4 = chk(std::pow(nu, 7) * (std::pow(k0, 7) * 40320), "F4 divisor");
    const double F4 = chk(std::pow(Eprime, 8) / d4 * K, "F4");
    const double B4 = ((1385 + 3633 * t2) + 4095 * t4) + 1575 * t6;

    return chk(((((phi1 - U1 * K) + B2 * F2) - ((B3b + B3a) + B3c) * F3) + F4 * B4) * DEG_PER_RAD,
               "latitude");
}

template <class Check>
double longitudeOf(const Check& chk, const ProjectionParams& p, double phi1, double Eprime,
                   double lambda0_deg) {
    const double k0 = p.scale_factor;
    const Radii r = radiiAt(chk, p.major_axis, p.ecc_squared, phi1);
    const double nu = r.nu;
    const double psi = chk(nu / r.rho, "psi");
    const double t = chk(std::tan(phi1), "tan");
    const double t2 = std::pow(t, 2);
    const double t4 = std::pow(t, 4);
    const double t6 = std::pow(t, 6);
    const double sec = chk(1 / std::cos(phi1), "secant");

    const double W1 = chk((Eprime / chk(nu * k0, "nu k0")) * sec, "W1");
    const double d3 = chk(std::pow(nu, 3) * (std::pow(k0, 3) * 6), "W3 divisor");
    const double W3 = chk((psi + 2 * t2) * (std::pow(Eprime, 3) / d3) * sec, "W3");
    const double B5 = ((-4 * std::pow(psi, 3) * (1 - 6 * t2) + std::pow(psi, 2) * (9 - 68 * t2)) +
                       72 * psi * t2) +
                      24 * t4;
    const double d5 = chk(std::pow(nu, 5) * (std::pow(k0, 5) * 120), "W5 divisor");
    const double W5 = chk(B5 * (std::pow(Eprime, 5) / d5) * sec, "W5");
    // The seventh-power term divides before raising, as E'/(5040^(1/7) k0 nu).
    const double B7 = ((61 + 662 * t2) + 1320 * t4) + 720 * t6;
    const double d7 = chk(nu * (std::pow(5040.0, 1.0 / 7) * k0), "W7 divisor");
    const double W7 = chk(B7 * std::pow(Eprime / d7, 7) * sec, "W7");

    return chk(lambda0_deg + ((W5 + (W1 - W3)) - W7) * DEG_PER_RAD, "longitude");
}

// Calc_Latitude and Calc_Longitude in one quick run, sharing the radii, the
// tangent's powers and the powers of psi, nu and k0 both series use. Every
// expression is the one of latitudeOf or longitudeOf.
GeogPoint geographicOf(const ProjectionParams& p, double phi1, double Eprime,
                       double lambda0_deg) {
    const Pass pass;
    const double k0 = p.scale_factor;
    const Radii r = radiiAt(pass, p.major_axis, p.ecc_squared, phi1);
    const double rho = r.rho;
    const double nu = r.nu;
    const double psi = nu / rho;
    const double t = std::tan(phi1);
    const auto [t2, t4, t6, psi2, psi3] = powersOf(t, psi);
    const double nu3 = std::pow(nu, 3);
    const double nu5 = std::pow(nu, 5);
    const double k03 = std::pow(k0, 3);
    const double k05 = std::pow(k0, 5);

    const double K = t / (rho * k0);
    const double U1 = std::pow(Eprime, 2) / (nu * (k0 * 2));
    const double F2 = std::pow(Eprime, 4) / (nu3 * (k03 * 24)) * K;
    const double B2 = ((1 - t2) * 9 * psi + (-4 * psi2)) + 12 * t2;
    const double F3 = std::pow(Eprime, 6) / (nu5 * (k05 * 720)) * K;
    const double B3a = 8 * std::pow(psi, 4) * (11 - 24 * t2) - 12 * psi3 * (21 - 71 * t2);
    const double B3b = 15 * psi2 * ((15 - 98 * t2) + 15 * t4);
    const double B3c = 180 * psi * (5 * t2 - 3 * t4) + 360 * t4;
    const double F4 = std::pow(Eprime, 8) / (std::pow(nu, 7) * (std::pow(k0, 7) * 40320)) * K;
    const double B4 = ((1385 + 3633 * t2) + 4095 * t4) + 1575 * t6;
    const double lat =
        ((((phi1 - U1 * K) + B2 * F2) - ((B3b + B3a) + B3c) * F3) + F4 * B4) * DEG_PER_RAD;

    const double sec = 1 / std::cos(phi1);
    const double W1 = (Eprime / (nu * k0)) * sec;
    const double W3 = (psi + 2 * t2) * (std::pow(Eprime, 3) / (nu3 * (k03 * 6))) * sec;
    const double B5 =
        ((-4 * psi3 * (1 - 6 * t2) + psi2 * (9 - 68 * t2)) + 72 * psi * t2) + 24 * t4;
    const double W5 = B5 * (std::pow(Eprime, 5) / (nu5 * (k05 * 120))) * sec;
    const double B7 = ((61 + 662 * t2) + 1320 * t4) + 720 * t6;
    const double d7 = nu * (std::pow(5040.0, 1.0 / 7) * k0);
    const double W7 = B7 * std::pow(Eprime / d7, 7) * sec;
    const double lon = lambda0_deg + ((W5 + (W1 - W3)) - W7) * DEG_PER_RAD;
    return {lat, lon};
}

} // namespace

double Calc_Latitude(const ProjectionParams& p, double phi1, double Eprime) {
    const QuickWatch watch;
    if (allFinite(p.major_axis, p.ecc_squared, p.scale_factor, phi1, Eprime)) {
        const double lat = latitudeOf(Pass{}, p, phi1, Eprime);
        if (watch.clean(lat)) [[likely]]
            return lat;
    }
    return checked([&](const FaultWatch& chk) {
        requireFinite(chk, {p.major_axis, p.ecc_squared, p.scale_factor, phi1, Eprime});
        return latitudeOf(chk, p, phi1, Eprime);
    });
}

double Calc_Longitude(const ProjectionParams& p, double phi1, double Eprime, double lambda0_deg) {
    const QuickWatch watch;
    if (allFinite(p.major_axis, p.ecc_squared, p.scale_factor, phi1, Eprime)) {
        const double lon = longitudeOf(Pass{}, p, phi1, Eprime, lambda0_deg);
        if (watch.clean(lon)) [[likely]]
            return lon;
    }
    return checked([&](const FaultWatch& chk) {
        requireFinite(chk, {p.major_axis, p.ecc_squared, p.scale_factor, phi1, Eprime});
        return longitudeOf(chk, p, phi1, Eprime, lambda0_deg);
    });
}

GeogPoint Calc_Geographic(const ProjectionParams& p, double N, double Eprime, double phi0_deg,
                          double lambda0_deg) {
    {
        const QuickWatch watch;
        if (allFinite(p.major_axis, p.ecc_squared, p.scale_factor, p.false_northing, N,
                      phi0_deg, Eprime)) {
            const double phi1 = footpointOf(Pass{}, p, N, phi0_deg, nullptr);
            const GeogPoint g = geographicOf(p, phi1, Eprime, lambda0_deg);
            if (watch.clean(g.latitude, g.longitude)) [[likely]]
                return g;
        }
    }
    // The three calls in order, for the error the first failing one reports.
    const double phi1 = Footpoint_Latitude(p, N, phi0_deg);
    const double lat = Calc_Latitude(p, phi1, Eprime);
    return {lat, Calc_Longitude(p, phi1, Eprime, lambda0_deg)};
}

Projection::Projection(const ParameterValues& v) : v_(v) {
    p_.major_axis = v.a;
    p_.ecc_squared = v.e2;
    p_.scale_factor = v.k0;
    p_.false_easting = v.fe;
    p_.false_northing = v.fn;
    p_.origin_lat = static_cast<int16_t>(std::fabs(v.lat0) <= 90 ? std::lround(v.lat0) : 0);
    p_.central_meridian =
        static_cast<int16_t>(std::fabs(v.lon0) <= 180 ? std::lround(v.lon0) : 0);
    const FaultWatch chk;
    requireFinite(chk, {v.a, v.e2, v.k0, v.fe, v.fn, v.lat0, v.lon0});
    // The per-call runs check the arc at the origin too; here it is once.
    chk(arcOf(chk, v.e2, v.a, v.lat0 / DEG_PER_RAD, v.k0, &k_), "arc at origin");
    m0_ = forwardOriginArc(chk, k_, v.a, v.lat0);
    k0m0_ = inverseOriginArc(chk, p_, k_, v.lat0);
    chk(1 / k_.A0, "1/A0");
}

GridPoint Projection::Forward(double lat_deg, double lon_deg) const {
    const double phi = lat_deg / DEG_PER_RAD;
    const double omega = lon_deg / DEG_PER_RAD - v_.lon0 / DEG_PER_RAD;
    {
        const QuickWatch watch;
        if (allFinite(phi, omega)) {
            const GridPoint g = gridCore(p_, k_, m0_, phi, v_.k0, omega);
            if (watch.clean(g.easting, g.northing)) [[likely]]
                return g;
        }
    }
    const double E = Calc_Easting(p_, phi, v_.k0, omega);
    return {E, Calc_Northing(p_, phi, v_.k0, omega, v_.lat0)};
}

GeogPoint Projection::Inverse(double easting, double northing) const {
    const double Eprime = easting - v_.fe;
    {
        const QuickWatch watch;
        if (allFinite(northing, Eprime)) {
            const double phi1 = footpointFrom(Pass{}, p_, k_, k0m0_, northing, nullptr);
            const GeogPoint g = geographicOf(p_, phi1, Eprime, v_.lon0);
            if (watch.clean(g.latitude, g.longitude)) [[likely]]
                return g;
        }
    }
    return Calc_Geographic(p_, northing, Eprime, v_.lat0, v_.lon0);
}

#if defined(QUILLMAR_GEODESY_UNGUARDED)
DeferredChecks::DeferredChecks() {}
DeferredChecks::~DeferredChecks() {}
bool DeferredChecks::Faulted() const { return false; }
#elif QUILLMAR_FAULTWATCH_MXCSR
DeferredChecks::DeferredChecks() : csr_(_mm_getcsr()) {
    if (csr_ & kCsrFaults)
        _mm_setcsr(csr_ & ~kCsrFaults);
    tDeferred = true;
}
DeferredChecks::~DeferredChecks() {
    tDeferred = false;
    const unsigned csr = _mm_getcsr();
    if ((csr ^ csr_) & kCsrFlags)
        _mm_setcsr((csr & ~kCsrFlags) | (csr_ & kCsrFlags));
}
bool DeferredChecks::Faulted() const { return (_mm_getcsr() & kCsrFaults) != 0; }
#else
DeferredChecks::DeferredChecks() {
    std::fegetexceptflag(&env_, FE_ALL_EXCEPT);
    std::feclearexcept(kFaults);
    tDeferred = true;
}
DeferredChecks::~DeferredChecks() {
    tDeferred = false;
    std::fesetexceptflag(&env_, FE_ALL_EXCEPT);
}
bool DeferredChecks::Faulted() const { return std::fetestexcept(kFaults) != 0; }
#endif

} // namespace geo
