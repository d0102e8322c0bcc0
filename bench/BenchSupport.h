#pragma once

namespace scrivane::bench {

// The test suite runs every benchmark once as a smoke test (environment
// variable SCRIVANE_BENCH_SMOKE set), on small inputs and under sanitizers;
// real measurements use the full sizes.
bool smokeRun();

// The input size to use: `full` normally, `smoke` in a smoke run.
long size(long full, long smoke);

// Makes the application object the canvas and the widgets need, once.
void ensureApplication();

} // namespace scrivane::bench
