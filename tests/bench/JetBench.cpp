// Glossary database figures: build a Dict.mdb of 100,000 terms (definitions of 300 bytes on
// average, some over 4 KB so LVAL pages are used), then read every row into memory. Natively
// the same table is also exported with mdb-export, when it is installed, for comparison.
#include "BenchText.h"

#include "jet/Database.h"
#include "jetwriter/JetWriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "bench-Dict.mdb";
    const int kTerms = argc > 2 ? std::atoi(argv[2]) : 100000;
    std::mt19937 random(1);

    auto start = Clock::now();
    jet::JetWriter writer;
    const std::size_t table = writer.addTable(
        u"Dict",
        {{u"id", jet::kLong, 0, true}, {u"term", jet::kText, 255}, {u"definition", jet::kMemo}});
    std::vector<jet::Value> row(3);
    row[1].kind = row[2].kind = jet::Value::Kind::Text;
    std::size_t definitionBytes = 0;
    for (int i = 0; i < kTerms; ++i) {
        row[1].text = benchTerm(i);
        row[2].text = benchDefinition(random);
        definitionBytes += row[2].text.size();
        writer.addRow(table, row);
    }
    const std::vector<std::uint8_t> bytes = writer.finish();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const double buildSeconds = secondsSince(start);

    start = Clock::now();
    const jet::Database database = jet::Database::open(path);
    const double openSeconds = secondsSince(start);
    std::vector<std::vector<jet::Value>> rows;
    rows.reserve(kTerms);
    for (jet::Recordset records = database.openTable(u"Dict"); !records.eof(); records.moveNext())
        rows.push_back(records.row());
    const double readSeconds = secondsSince(start);

    // Once more into memory the process already has: what is left is the reader's own work.
    rows.clear();
    rows.shrink_to_fit();
    rows.reserve(kTerms);
    start = Clock::now();
    for (jet::Recordset records = database.openTable(u"Dict"); !records.eof(); records.moveNext())
        rows.push_back(records.row());
    const double warmSeconds = secondsSince(start);

    // The scan alone, values decoded but not kept.
    start = Clock::now();
    std::size_t characters = 0;
    for (jet::Recordset records = database.openTable(u"Dict"); !records.eof(); records.moveNext())
        characters += records.value(2).text.size();
    const double scanSeconds = secondsSince(start);

    std::printf("Dict.mdb of %d terms, definitions %.0f characters on average, %zu bytes\n", kTerms,
                static_cast<double>(definitionBytes) / kTerms, bytes.size());
    std::printf("  build and write:        %8.3f s\n", buildSeconds);
    std::printf("  read all %zu rows:   %8.3f s (opening the file %.3f s)\n", rows.size(),
                readSeconds, openSeconds);
    std::printf("  read all rows again:    %8.3f s, into memory the process already has\n",
                warmSeconds);
    std::printf("  decode all rows again:  %8.3f s, keeping none (%zu characters)\n", scanSeconds,
                characters);
#ifndef _WIN32
    if (std::system("command -v mdb-export >/dev/null 2>&1") == 0) {
        start = Clock::now();
        const std::string command = "mdb-export '" + path + "' Dict >/dev/null";
        const int status = std::system(command.c_str());
        const double exportSeconds = secondsSince(start);
        std::printf("  mdb-export of the table: %7.3f s%s (ours takes %.0f%% of its time)\n",
                    exportSeconds, status == 0 ? "" : " (failed)",
                    100.0 * readSeconds / exportSeconds);
    }
#endif
    return rows.size() == static_cast<std::size_t>(kTerms) ? 0 : 1;
}
