#include "upperstate.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <cpuid.h>
#include <immintrin.h>
#define QUILLMAR_UPPER_STATE 1
#else
#define QUILLMAR_UPPER_STATE 0
#endif

namespace batch {

#if QUILLMAR_UPPER_STATE

namespace {

// Only this function is built for AVX; the rest of the program stays
// baseline x86-64 and runs on any 64-bit processor.
__attribute__((target("avx"))) void zeroUpper() { _mm256_zeroupper(); }

bool hasAvx() {
    static const bool avx = __builtin_cpu_supports("avx");
    return avx;
}

// CPUID leaf 0xD sub-leaf 1, EAX bit 2: XGETBV with ECX = 1 reads XINUSE.
bool hasXinuse() {
    static const bool yes = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!hasAvx() || __get_cpuid_max(0, nullptr) < 0xD)
            return false;
        __cpuid_count(0xD, 1, a, b, c, d);
        return (a & 4) != 0;
    }();
    return yes;
}

} // namespace

void Clean_Upper_State() {
    if (hasAvx())
        zeroUpper();
}

int Upper_State_In_Use() {
    if (!hasXinuse())
        return -1;
    unsigned lo = 0, hi = 0;
    asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return (lo >> 2) & 1;
}

#else

void Clean_Upper_State() {}
int Upper_State_In_Use() { return -1; }

#endif

} // namespace batch
