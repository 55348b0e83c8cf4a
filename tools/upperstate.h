// The upper halves of the AVX registers, which legacy SSE code pays for.
//
// While any YMM register holds non-zero upper bits ("dirty upper state"),
// Intel cores either switch state (tens of cycles) at every change between
// VEX and legacy SSE code, or give every legacy SSE instruction a false
// dependency on the register it writes. The conversion loops are legacy SSE
// (baseline x86-64) and call libm kernels built for FMA (VEX), so a dirty
// state makes each pow and sin pay, several times over. A new thread starts
// with its creator's register state, so a state left by the set-up reaches
// the workers too. Only --spheroid runs code with 256-bit instructions before
// the conversion: the catalogue read through Qt's SQL plugin (loaded with
// dlopen) and SQLite, Qt's run-time-dispatched AVX2 text routines and the C
// library's AVX2/EVEX string and memory routines; a path through any of them
// that returns without VZEROUPPER leaves the state dirty. Whatever set it,
// VZEROUPPER clears it, so each conversion loop issues one before it starts.
#pragma once

namespace batch {

// VZEROUPPER where the processor has AVX; nothing elsewhere.
void Clean_Upper_State();

// 1 when the AVX upper state is in use (XGETBV 1, XINUSE bit 2), 0 when it
// is clean, -1 where the processor cannot tell.
int Upper_State_In_Use();

} // namespace batch
