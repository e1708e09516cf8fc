#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace benchsupport {

// On a shared machine a figure means little without the load it was taken under: every
// benchmark prints the load average and core count before and after its rows, and warns when
// the load was above half the cores.
struct MachineLoad {
    double averages[3] = {-1.0, -1.0, -1.0};
    int cores = int(std::thread::hardware_concurrency());

    static MachineLoad now() {
        MachineLoad load;
        if (getloadavg(load.averages, 3) != 3) {
            load.averages[0] = load.averages[1] = load.averages[2] = -1.0;
        }
        return load;
    }

    bool busy() const { return averages[0] > 0.5 * cores; }

    std::string text() const {
        char line[128];
        std::snprintf(line, sizeof line, "%.2f %.2f %.2f (1, 5, 15 min) on %d cores", averages[0],
                      averages[1], averages[2], cores);
        return line;
    }
};

inline void addLoadContext() {
    const MachineLoad load = MachineLoad::now();
    benchmark::AddCustomContext("load average at start", load.text());
    benchmark::AddCustomContext("cores", std::to_string(load.cores));
    if (load.busy()) {
        benchmark::AddCustomContext("warning", "load above half the cores: figures are noisy");
    }
}

inline void printLoadAtEnd() {
    const MachineLoad load = MachineLoad::now();
    std::printf("load average at end: %s\n", load.text().c_str());
    if (load.busy()) {
        std::printf("WARNING: load above half the cores (%d): compare each figure only with its "
                    "same-run reference\n",
                    load.cores);
    }
    std::fflush(stdout);
}

// Google Benchmark's own runner between the two load reports.
inline int runBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    addLoadContext();
    benchmark::RunSpecifiedBenchmarks();
    printLoadAtEnd();
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchsupport

// BENCHMARK_MAIN with the machine's load printed beside the figures.
#define BV_BENCHMARK_MAIN()                                                                        \
    int main(int argc, char** argv) {                                                              \
        return benchsupport::runBenchmarks(argc, argv);                                            \
    }
