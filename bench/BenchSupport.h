#pragma once

#include <functional>

namespace scrivane::bench {

// The test suite runs every benchmark once as a smoke test (environment
// variable SCRIVANE_BENCH_SMOKE set), on small inputs and under sanitizers;
// real measurements use the full sizes.
bool smokeRun();

// The input size to use: `full` normally, `smoke` in a smoke run.
long size(long full, long smoke);

// How far the process's resident memory rises above where it stood while
// `work` runs, in MiB: its peak less its size before (freed memory is
// handed back first, so that reusing it is not mistaken for needing
// none).  Nothing (a negative number) where the kernel cannot reset the
// peak.
double peakMemoryGrowthMiB(const std::function<void()> &work);

// Makes the application object the canvas and the widgets need, once.
void ensureApplication();

} // namespace scrivane::bench
