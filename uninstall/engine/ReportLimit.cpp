#include "ReportLimit.h"

namespace {

// Cut at a character's start, never inside a UTF-8 sequence.
std::string cut(const std::string& item) {
    if (item.size() <= ReportLimit::kMaxItem)
        return item;
    std::size_t end = ReportLimit::kMaxItem;
    while (end > 0 && (static_cast<unsigned char>(item[end]) & 0xC0) == 0x80)
        --end;
    return item.substr(0, end) + "... (" +
           groupedNumber(static_cast<long long>(item.size() - end)) + " more bytes)";
}

} // namespace

std::string ReportLimit::line(const std::string& stage, const std::string& item,
                              const std::string& outcome) {
    Kind& kind = kinds_[stage + '\t' + outcome];
    if (kind.written >= kMaxAlike) {
        ++kind.counted;
        return std::string();
    }
    ++kind.written;
    return stage + '\t' + cut(item) + '\t' + outcome;
}

std::vector<std::string> ReportLimit::countedLines() const {
    std::vector<std::string> lines;
    for (const auto& [key, kind] : kinds_) {
        if (kind.counted == 0)
            continue;
        const std::size_t tab = key.find('\t');
        lines.push_back(key.substr(0, tab) + "\t... and " + groupedNumber(kind.counted) +
                        " more lines like this\t" + key.substr(tab + 1));
    }
    return lines;
}

std::string groupedNumber(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return value < 0 ? "-" + digits : digits;
}
