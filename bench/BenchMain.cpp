#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <malloc.h>

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

namespace {

// A "Vm..." line of /proc/self/status, in KiB; -1 when missing.
long statusKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::strtol(line.c_str() + length + 1, nullptr, 10);
    }
    return -1;
}

} // namespace

double peakMemoryGrowthMiB(const std::function<void()> &work)
{
    malloc_trim(0);
    // Writing 5 resets the peak ("VmHWM") to the present size.
    bool reset = false;
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        clear.flush();
        reset = bool(clear);
    }
    const long before = statusKiB("VmRSS");
    work();
    const long peak = statusKiB("VmHWM");
    if (!reset || before < 0 || peak < 0)
        return -1;
    return double(peak - before) / 1024.0;
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
