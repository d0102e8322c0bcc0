#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <cstring>

namespace scrivane::bench {

bool smokeRun()
{
    static const bool smoke = [] {
        const char *value = std::getenv("SCRIVANE_BENCH_SMOKE");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return smoke;
}

long size(long full, long smoke)
{
    return smokeRun() ? smoke : full;
}

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "scrivane_bench";
    static char *argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

} // namespace scrivane::bench

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LC_ALL", "C.UTF-8", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
