// Writes small databases of both versions as the Jet reader fuzzer's starting corpus, so that
// no binary file needs to live in the repository.
#include "jet/JetFixtures.h"

#include <cstdio>
#include <fstream>

using namespace fixtures;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: jet_fuzz_seeds <directory>\n");
        return 2;
    }
    std::mt19937 random(11);
    const std::vector<jet::ColumnSpec> columns = {{u"id", jet::kLong},
                                                  {u"flag", jet::kBoolean},
                                                  {u"term", jet::kText, 40},
                                                  {u"notes", jet::kMemo}};
    int number = 0;
    for (jet::Version version : {jet::Version::Jet4, jet::Version::Jet3}) {
        for (int variant = 0; variant < 3; ++variant) {
            jet::WriterOptions options;
            options.version = version;
            options.deletedRowEvery = variant == 1 ? 2 : 0;
            options.movedRowEvery = variant == 1 ? 3 : 0;
            options.referenceMaps = variant == 2;
            Rows rows = randomRows(columns, variant == 0 ? 3 : 12, random);
            if (variant == 2)
                rows.push_back(
                    {integer(1), boolean(true), text(u"long"), text(std::u16string(5000, u'x'))});
            const auto bytes = build(options, columns, rows);
            std::ofstream(std::string(argv[1]) + "/seed" + std::to_string(number++) + ".mdb",
                          std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
        }
    }
    return 0;
}
