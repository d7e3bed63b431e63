// The long series of runs that meet, for the figures: two setups released together, a setup
// beside an uninstall (by chance, and with setup holding the run lock first), and an uninstall
// killed at each moment of its work then followed by setup. Figures only: the exceptions are
// listed, and the exit code is their count.
//   concurrent_runs_bench [runs]      every series, `runs` times each (20)
//   concurrent_runs_bench killed      only the uninstall killed at each moment
//   concurrent_runs_bench calls       how often one removal enters each function the moments use
#include "setup/ConcurrentRuns.h"

#include <cstdio>
#include <cstdlib>

using namespace concurrent;
using testsupport::StopPoint;

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "calls") {
        for (const StopPoint& function : removalFunctions()) {
            const testsupport::ObservedRun removal = removalCounting(function);
            std::printf("%s %s!%s: %d\n", function.image.c_str(), function.module.c_str(),
                        function.function.c_str(), removal.calls);
            std::fflush(stdout);
        }
        for (const testsupport::ObservedProcess& process : removalCounting({}).processes)
            std::printf("  process %s: %s\n", process.image.c_str(), process.commandLine.c_str());
        return 0;
    }
    std::vector<Figures> series;
    if (mode != "killed") {
        const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
        series = {twoSetupsTogether(runs), setupBesideUninstall(runs),
                  setupWhileAnUninstallWaits(runs)};
    }
    series.push_back(uninstallKilledThenSetup(removalMoments()));
    std::size_t exceptions = 0;
    for (const Figures& figures : series) {
        figures.print();
        exceptions += figures.exceptions.size();
    }
    return static_cast<int>(exceptions);
}
