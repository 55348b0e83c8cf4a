// The upper halves of the AVX registers, which legacy SSE code pays for.
//
// While any YMM register holds non-zero upper bits ("dirty upper state"),
// Intel cores either switch state (tens of cycles) at every change between
// VEX and legacy SSE code, or give every legacy SSE instruction a false
// dependency on the register it writes. The conversion loops are legacy SSE
// (baseline x86-64) and call libm kernels built for FMA (VEX), so a dirty
// state makes each pow and sin pay, several times over. A new thread starts
// with its creator's register state, so the state left by the set-up
// (the catalogue read through Qt SQL and SQLite, the C library's AVX2 string
// and memory routines picked at run time) reaches the workers too. Whatever
// set it, VZEROUPPER clears it; the conversion loops issue one before they
// start.
#pragma once

namespace batch {

// VZEROUPPER where the processor has AVX; nothing elsewhere.
void Clean_Upper_State();

// 1 when the AVX upper state is in use (XGETBV 1, XINUSE bit 2), 0 when it
// is clean, -1 where the processor cannot tell.
int Upper_State_In_Use();

} // namespace batch
