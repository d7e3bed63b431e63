// Prints a setup log as the uninstaller's reader sees it: each section that a header names,
// its entries in order, and for keyed entries the key and the (unescaped) value.
#include "setuplog/SetupLog.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Shows control bytes so that CR, LF, TAB and NUL inside a value are visible.
std::string visible(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        if (c >= 0x20 && c != 0x7f) {
            shown += static_cast<char>(c);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "<%02X>", c);
            shown += code;
        }
    }
    return shown;
}

std::vector<std::string> sectionNames(const std::string& text) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t close = line.find(']');
        if (line.empty() || line[0] != '[' || close == std::string::npos)
            continue;
        std::string name = line.substr(1, close - 1);
        if (seen.insert(name).second)
            names.push_back(name);
    }
    return names;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: setuplog-dump <Setup.log>\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "setuplog-dump: cannot open %s\n", argv[1]);
        return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    const SetupLog log = SetupLog::fromBytes(bytes);
    std::printf("%s: %zu bytes, %s form\n", argv[1], bytes.size(),
                !bytes.empty() && bytes[0] != '[' ? "inverted" : "plain");

    for (const std::string& name : sectionNames(log.text())) {
        const int count = log.entryCount(name);
        std::printf("[%s] %d entr%s\n", visible(name).c_str(), count, count == 1 ? "y" : "ies");
        std::string entry;
        for (int i = 0; i < count && log.entry(entry, name, i); ++i) {
            const std::size_t equals = entry.find('=');
            if (equals == std::string::npos) {
                std::printf("  %d: %s\n", i, visible(entry).c_str());
                continue;
            }
            const std::string key = entry.substr(0, equals);
            std::string value;
            log.value(value, name, key, "", true);
            std::printf("  %d: %s = %s\n", i, visible(key).c_str(), visible(value).c_str());
        }
    }
    return 0;
}
