// Prints the cost of an unattended uninstall under the system it runs on: a product of 5,000
// files in 5 folders against one of none, and a bare DeleteFileA loop over files of the same
// shape. Figures only: nothing here fails for being slow.
#include "engine/CheckedRemoval.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

constexpr int kFolders = 5;
constexpr int kRuns = 3;

double seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Files named as an installed product names them, a few bytes each.
std::vector<std::string> makeFiles(const std::string& root, int count) {
    std::vector<std::string> files;
    for (int folder = 0; folder < kFolders; ++folder)
        CreateDirectoryA((root + "\\folder" + std::to_string(folder)).c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        files.push_back(root + "\\folder" + std::to_string(i % kFolders) + "\\file" +
                        std::to_string(i) + ".dat");
        writeFile(files.back(), "contents of an installed file");
    }
    return files;
}

// One unattended run over a product of `count` files; its wall time, start to exit.
double unattendedRun(int count) {
    TempDirectory root("bench-unattended");
    const std::string app = root.file("Product"), temp = root.file("temp");
    CreateDirectoryA(app.c_str(), nullptr);
    CreateDirectoryA(temp.c_str(), nullptr);
    CopyFileA((binaryDirectory() + "\\uninstall.exe").c_str(), (app + "\\uninstall.exe").c_str(),
              FALSE);
    std::string log = "[COMMON]\r\nApplication_Name=Bench\r\n[APPFILES]\r\n";
    for (const std::string& file : makeFiles(app, count))
        log += file + "\r\n";
    log += app + "\\Setup.log\r\n" + app + "\\uninstall.exe\r\n[APPFOLDERS]\r\n";
    for (int folder = 0; folder < kFolders; ++folder)
        log += app + "\\folder" + std::to_string(folder) + "\r\n";
    log += "[APPDIR]\r\n" + app + "\r\n";
    writeFile(app + "\\Setup.log", log);

    const EnvironmentOverride tmp("TMP", temp), tempVariable("TEMP", temp);
    DWORD exitCode = 0;
    const double start = seconds();
    const bool ended = runAndWait("\"" + app + "\\uninstall.exe\" /S", 120000, exitCode);
    const double elapsed = seconds() - start;
    if (!ended || exitCode != 0 || fileExists(app))
        std::printf("  (run of %d files: ended %d, exit code %lu, product %s)\n", count, ended,
                    exitCode, fileExists(app) ? "still there" : "gone");
    return elapsed;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Delete> double deletionLoop(int count, Delete remove) {
    TempDirectory root("bench-delete");
    const std::vector<std::string> files = makeFiles(root.path(), count);
    const double start = seconds();
    for (const std::string& file : files)
        remove(file);
    return seconds() - start;
}

} // namespace

int main() {
    const int files = 5000;
    std::vector<double> full, empty, bare, checked;
    for (int run = 0; run < kRuns; ++run) {
        empty.push_back(unattendedRun(0));
        full.push_back(unattendedRun(files));
        bare.push_back(
            deletionLoop(files, [](const std::string& file) { DeleteFileA(file.c_str()); }));
        checked.push_back(
            deletionLoop(files, [](const std::string& file) { removeFileChecked(file, true); }));
    }
    const double perFile = (median(full) - median(empty)) / files;
    const double barePerFile = median(bare) / files;
    std::printf("unattended uninstall of %d files in %d folders: %.3f s (median of %d)\n", files,
                kFolders, median(full), kRuns);
    std::printf("unattended uninstall of 0 files: %.3f s (process starts, copy, relay, log)\n",
                median(empty));
    std::printf("marginal cost per file: %.1f us\n", perFile * 1e6);
    std::printf("bare DeleteFileA loop, %d files in one process: %.3f s, %.1f us per file\n", files,
                median(bare), barePerFile * 1e6);
    std::printf("checked deletion (opened without following a final link, resolved path "
                "compared, deleted through the handle) in one process: %.3f s, %.1f us per file\n",
                median(checked), median(checked) / files * 1e6);
    std::printf("marginal cost / bare DeleteFileA: %.2f\n", perFile / barePerFile);
    return 0;
}
