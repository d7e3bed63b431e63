#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// Keeps a report readable and bounded whatever the setup log holds (200 MB of NUL bytes once
// made an 839 MB report). An item longer than kMaxItem bytes is cut, with the count of what was
// left out; of the lines of one kind (the same stage and outcome, whatever the item) the first
// kMaxAlike are written and the rest only counted, and one line per such kind at the end says
// how many more there were: "... and 12,345 more lines like this". Portable.
class ReportLimit {
public:
    static constexpr std::size_t kMaxItem = 1024;
    static constexpr int kMaxAlike = 100;

    // The line to write for this one, item cut, as "stage<TAB>item<TAB>outcome"; empty when it
    // is only counted. All three are as written (escaped), in UTF-8.
    std::string line(const std::string& stage, const std::string& item, const std::string& outcome);
    // One line for each kind that had lines only counted, for just before the summary.
    std::vector<std::string> countedLines() const;

private:
    struct Kind {
        int written = 0;
        long long counted = 0;
    };
    std::map<std::string, Kind> kinds_;
};

// 12345 as "12,345".
std::string groupedNumber(long long value);
