// The forward and inverse loops over the test points, once against the
// shipped geodesy library and once against the same formulas built without
// the fault checks (bench_quillmar.cpp compiled twice, see CMakeLists.txt).
#pragma once

#include "points.h"

namespace benchq {

const benchpts::Points& points();

void forward_guarded(const benchpts::Points& p, double* E, double* N);
void inverse_guarded(const benchpts::Points& p, double* lat, double* lon);
void forward_unguarded(const benchpts::Points& p, double* E, double* N);
void inverse_unguarded(const benchpts::Points& p, double* lat, double* lon);
// The same with the parameter set made ready once and the fault flags read
// once per chunk of records, as quillmar-batch converts.
void forward_batch_guarded(const benchpts::Points& p, double* E, double* N);
void inverse_batch_guarded(const benchpts::Points& p, double* lat, double* lon);
void forward_batch_unguarded(const benchpts::Points& p, double* E, double* N);
void inverse_batch_unguarded(const benchpts::Points& p, double* lat, double* lon);

} // namespace benchq
