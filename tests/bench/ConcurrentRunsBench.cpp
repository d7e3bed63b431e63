// The long series of runs that meet, for the figures: two setups released together, a setup
// beside an uninstall (by chance, and with setup holding the run lock first), and an uninstall
// killed at each moment of its work (the calls of the functions that delete, write and start, up to
// the twelfth) then followed by setup. Figures only: the exceptions are listed, and the exit code
// is their count.
#include "setup/ConcurrentRuns.h"

#include <cstdio>
#include <cstdlib>

using namespace concurrent;
using testsupport::StopPoint;

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    std::vector<StopPoint> moments = {{"uninstall", "kernel32.dll", "CreateProcessW", 1}};
    for (const auto& function :
         {std::pair<const char*, const char*>{"kernel32.dll", "SetFileInformationByHandle"},
          {"ntdll.dll", "NtDeleteKey"},
          {"kernel32.dll", "WriteFile"}}) {
        for (const StopPoint& moment : calls("Del", function.first, function.second, 1, 12))
            moments.push_back(moment);
    }
    std::size_t exceptions = 0;
    for (const Figures& figures :
         {twoSetupsTogether(runs), setupBesideUninstall(runs), setupWhileAnUninstallWaits(runs),
          uninstallKilledThenSetup(moments)}) {
        figures.print();
        exceptions += figures.exceptions.size();
    }
    return static_cast<int>(exceptions);
}
