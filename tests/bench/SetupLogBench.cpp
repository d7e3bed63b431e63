// Setup log reader figures: load, a full entry loop, key look-ups; and the same loop with the
// rescanning reference on a smaller log, so the ratio is visible.
#include "setuplog/ReferenceSetupLog.h"
#include "setuplog/SetupLog.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string makeLog(int appFiles, int commonKeys) {
    std::string text = "[COMMON]\r\nApplication_Name=Benchmark Product\r\n";
    for (int i = 0; i < commonKeys; ++i)
        text += std::to_string(1000 + i) + "=Message text number " + std::to_string(i) + "\r\n";
    text += "[APPFILES]\r\n";
    for (int i = 0; i < appFiles; ++i)
        text += "C:\\Program Files\\Benchmark\\data\\file" + std::to_string(i) + ".dat\r\n";
    text += "[RUNAPPS]\r\nBeforeUninstall=C:\\Program Files\\Benchmark\\cleanup.exe\r\n";
    return text;
}

// The uninstall sequence's loop: the count is asked again before every entry.
template <typename Reader> std::size_t entryLoop(const Reader& log) {
    std::size_t bytes = 0;
    std::string entry;
    for (int i = 0; i < log.entryCount("APPFILES"); ++i) {
        log.entry(entry, "APPFILES", i);
        bytes += entry.size();
    }
    return bytes;
}

template <typename Reader> std::size_t lookups(const Reader& log, int keys) {
    std::size_t bytes = 0;
    std::string value;
    for (int i = 0; i < keys; ++i)
        bytes += static_cast<std::size_t>(
            log.value(value, "COMMON", std::to_string(1000 + i), "", true));
    return bytes;
}

} // namespace

int main() {
    constexpr int kFiles = 200000, kKeys = 5000, kReferenceFiles = 20000;
    const std::string text = makeLog(kFiles, kKeys);

    auto start = Clock::now();
    const SetupLog log = SetupLog::fromBytes(text);
    const double loadMs = millisecondsSince(start);
    start = Clock::now();
    const std::size_t loopBytes = entryLoop(log);
    const double loopMs = millisecondsSince(start);
    start = Clock::now();
    const std::size_t valueBytes = lookups(log, kKeys);
    const double valueMs = millisecondsSince(start);

    const std::string small = makeLog(kReferenceFiles, 0);
    const SetupLog smallLog = SetupLog::fromBytes(small);
    const ReferenceSetupLog reference(small, small.size());
    start = Clock::now();
    const std::size_t fastSmall = entryLoop(smallLog);
    const double fastSmallMs = millisecondsSince(start);
    start = Clock::now();
    const std::size_t slowSmall = entryLoop(reference);
    const double slowSmallMs = millisecondsSince(start);

    std::printf("log of %d APPFILES entries and %d COMMON keys, %zu bytes\n", kFiles, kKeys,
                text.size());
    std::printf("  load:                      %9.2f ms\n", loadMs);
    std::printf("  entry loop over APPFILES:  %9.2f ms (%zu bytes)\n", loopMs, loopBytes);
    std::printf("  %d value look-ups:       %9.2f ms (%zu bytes)\n", kKeys, valueMs, valueBytes);
    std::printf("entry loop over %d entries:\n", kReferenceFiles);
    std::printf("  indexed reader:            %9.2f ms\n", fastSmallMs);
    std::printf("  rescanning reference:      %9.2f ms (%.0fx slower)%s\n", slowSmallMs,
                slowSmallMs / (fastSmallMs > 0 ? fastSmallMs : 1e-3),
                fastSmall == slowSmall ? "" : "  ANSWERS DIFFER");
    return fastSmall == slowSmall ? 0 : 1;
}
