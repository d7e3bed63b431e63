#include "RemovalMoments.h"

using testsupport::StopPoint;

namespace concurrent {

std::vector<StopPoint> calls(const std::string& image, const std::string& module,
                             const std::string& function, int first, int last) {
    std::vector<StopPoint> moments;
    for (int call = first; call <= last; ++call)
        moments.push_back({image, module, function, call});
    return moments;
}

std::vector<StopPoint> removalFunctions() {
    return {{"uninstall", "kernelbase.dll", "CopyFileExW", 0},
            {"uninstall", "kernelbase.dll", "CreateProcessInternalW", 0},
            {"Del", "kernelbase.dll", "CreateProcessInternalW", 0},
            {"Del", "kernel32.dll", "WriteFile", 0},
            {"Del", "kernel32.dll", "FlushFileBuffers", 0},
            {"Del", "kernel32.dll", "SetFileInformationByHandle", 0},
            {"Del", "kernelbase.dll", "MoveFileWithProgressW", 0},
            {"Del", "ntdll.dll", "NtDeleteKey", 0},
            {"Del", "ntdll.dll", "NtDeleteValueKey", 0},
            {"Del", "ntdll.dll", "NtSetValueKey", 0}};
}

std::vector<StopPoint> removalMoments() {
    // How often one removal of the product calls each, as `concurrent_runs_bench calls` counts
    // them: every call is a moment, and a count grown stale fails the series where a moment is
    // no longer reached.
    const struct {
        StopPoint function;
        int calls;
    } counted[] = {
        {{"uninstall", "kernelbase.dll", "CopyFileExW", 0}, 1},
        {{"uninstall", "kernelbase.dll", "CreateProcessInternalW", 0}, 1},
        {{"Del", "kernelbase.dll", "CreateProcessInternalW", 0}, 1},
        {{"Del", "kernel32.dll", "FlushFileBuffers", 0}, 1},
        {{"Del", "kernel32.dll", "WriteFile", 0}, 15},
        {{"Del", "kernel32.dll", "SetFileInformationByHandle", 0}, 9},
        {{"Del", "kernelbase.dll", "MoveFileWithProgressW", 0}, 4},
        {{"Del", "ntdll.dll", "NtDeleteKey", 0}, 1},
    };
    std::vector<StopPoint> moments;
    for (const auto& [function, count] : counted) {
        for (const StopPoint& moment :
             calls(function.image, function.module, function.function, 1, count))
            moments.push_back(moment);
    }
    return moments;
}

} // namespace concurrent
