#include "PageBenchSupport.h"

#include "core/platform/TextLocale.h"

#include <benchmark/benchmark.h>

int main (int argc, char** argv)
{
    korvid::setTextLocale();
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    korvid::bench::closePageBenchWorld();
    benchmark::Shutdown();
    return 0;
}
