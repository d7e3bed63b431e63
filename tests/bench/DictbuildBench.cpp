// dictbuild on a source of a million terms of the database benchmark's shape: the time of the
// whole program (read, convert, write), median of three runs, and the same at 100,000 to show
// how it grows.
#include "BenchText.h"

#include "jet/TextCodec.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

void writeSource(const std::string& path, int terms) {
    std::mt19937 random(1);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < terms; ++i)
        out << jet::toUtf8(benchTerm(i)) << '\t' << jet::toUtf8(benchDefinition(random)) << '\n';
}

double medianSeconds(const std::string& command) {
    std::vector<double> seconds;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0)
            return -1;
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[1];
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dictbuild_bench <dictbuild> <work directory>\n");
        return 2;
    }
    const std::string work = argv[2];
    for (const int terms : {100000, 1000000}) {
        const std::string source = work + "/bench-source.tsv";
        const std::string target = work + "/bench-built.mdb";
        writeSource(source, terms);
        const double seconds =
            medianSeconds("'" + std::string(argv[1]) + "' '" + source + "' '" + target + "'");
        std::remove(source.c_str());
        std::remove(target.c_str());
        if (seconds < 0) {
            std::printf("dictbuild failed\n");
            return 1;
        }
        std::printf("  dictbuild, %7d terms:    %8.3f s (median of 3), %.2f us a term\n", terms,
                    seconds, 1e6 * seconds / terms);
    }
    return 0;
}
