#include "SetupLog.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Longer lines count; shorter ones are dropped while loading.
constexpr std::size_t kShortestLine = 3;
// Section names that can be indexed; longer ones are still found by searching.
constexpr std::size_t kLongestIndexedName = 257;

bool isKept(std::string_view line) {
    return line.size() >= kShortestLine && line.front() != ';';
}

bool hasBracket(std::string_view name) {
    return name.find_first_of("[]") != std::string_view::npos;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
}

int clampToInt(std::size_t n) {
    return static_cast<int>(std::min<std::size_t>(n, std::numeric_limits<int>::max()));
}

} // namespace

std::string unescapeValue(std::string text) {
    replaceAll(text, "\\r", "\n\r");
    replaceAll(text, "\\t", "\t");
    return text;
}

SetupLog SetupLog::fromBytes(std::string_view fileBytes) {
    return fromBuffer(std::string(fileBytes), fileBytes.size());
}

SetupLog SetupLog::fromBuffer(std::string buffer, std::size_t arrived) {
    SetupLog log;
    log.load(buffer, std::min(arrived, buffer.size()));
    return log;
}

void SetupLog::load(std::string& buffer, std::size_t arrived) {
    if (arrived > 0 && buffer[0] != '[') {
        for (std::size_t i = 0; i < arrived; ++i)
            buffer[i] = static_cast<char>(~static_cast<unsigned char>(buffer[i]));
    }
    std::string_view rest(buffer);
    text_.clear();
    text_.reserve(buffer.size());
    for (std::size_t end = rest.find(kLineEnd); end != std::string_view::npos;
         end = rest.find(kLineEnd)) {
        std::string_view piece = rest.substr(0, end);
        if (isKept(piece)) {
            text_ += piece;
            text_ += kLineEnd;
        }
        rest.remove_prefix(end + kLineEnd.size());
    }
    text_ += rest; // the unterminated last piece stays as it is
    buildIndex();
}

void SetupLog::buildIndex() {
    const std::string_view text(text_);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(kLineEnd, start);
        lineStart_.push_back(start);
        lineEnd_.push_back(end == std::string_view::npos ? text.size() : end);
        start = end == std::string_view::npos ? text.size() : end + kLineEnd.size();
    }

    const std::size_t lines = lineStart_.size();
    runEnd_.assign(lines, lines);
    for (std::size_t i = lines; i-- > 0;)
        runEnd_[i] = startsSection(i) ? i : (i + 1 < lines ? runEnd_[i + 1] : lines);

    // Names that head a line, then their first occurrence anywhere in one pass over "[".
    for (std::size_t i = 0; i < lines; ++i) {
        if (!startsSection(i))
            continue;
        const std::string_view l = line(i);
        const std::size_t close = l.find_first_of("[]", 1);
        if (close != std::string_view::npos && l[close] == ']' && close - 1 <= kLongestIndexedName)
            headerAt_.emplace(std::string(l.substr(1, close - 1)), kNone);
    }
    if (headerAt_.empty())
        return;
    for (std::size_t open = text.find('['); open != std::string_view::npos;
         open = text.find('[', open + 1)) {
        const std::size_t close = text.find_first_of("[]", open + 1);
        if (close == std::string_view::npos)
            break;
        if (text[close] != ']' || close - open - 1 > kLongestIndexedName)
            continue;
        auto found = headerAt_.find(std::string(text.substr(open + 1, close - open - 1)));
        if (found != headerAt_.end() && found->second == kNone)
            found->second = open;
    }
}

std::string_view SetupLog::line(std::size_t index) const {
    return std::string_view(text_).substr(lineStart_[index], lineEnd_[index] - lineStart_[index]);
}

bool SetupLog::startsSection(std::size_t index) const {
    return lineEnd_[index] > lineStart_[index] && text_[lineStart_[index]] == '[';
}

std::size_t SetupLog::lineAt(std::size_t position) const {
    const auto after = std::upper_bound(lineStart_.begin(), lineStart_.end(), position);
    return static_cast<std::size_t>(after - lineStart_.begin()) - 1;
}

std::size_t SetupLog::firstLineOf(std::string_view section) const {
    std::size_t header = std::string::npos;
    const auto known = hasBracket(section) ? headerAt_.end() : headerAt_.find(std::string(section));
    if (known != headerAt_.end()) {
        header = known->second;
    } else {
        std::string bracketed;
        bracketed.reserve(section.size() + 2);
        bracketed.append(1, '[').append(section).append(1, ']');
        header = text_.find(bracketed);
    }
    if (header == std::string::npos)
        return kNone;
    // Lines hold no CR LF, so the first CR LF after the name is the end of its line.
    const std::size_t next = lineAt(header) + 1;
    return next < lineStart_.size() ? next : kNone;
}

int SetupLog::entryCount(std::string_view section) const {
    const std::size_t first = firstLineOf(section);
    return first == kNone ? 0 : clampToInt(runEnd_[first] - first);
}

bool SetupLog::entry(std::string& out, std::string_view section, int position) const {
    out.clear();
    const std::size_t first = firstLineOf(section);
    if (first == kNone || position < 0 ||
        static_cast<std::size_t>(position) >= runEnd_[first] - first)
        return false;
    out = line(first + static_cast<std::size_t>(position));
    return true;
}

int SetupLog::value(std::string& out, std::string_view section, std::string_view key,
                    std::string_view defaultValue, bool unescape) const {
    const std::size_t first = firstLineOf(section);
    if (first != kNone) {
        for (std::size_t i = first; i < runEnd_[first]; ++i) {
            const std::string_view l = line(i);
            const std::size_t equals = l.find('=');
            if (equals == std::string_view::npos || l.substr(0, equals) != key)
                continue;
            std::string_view found = l.substr(equals + 1);
            found = found.substr(0, found.find('\0'));
            out = unescape ? unescapeValue(std::string(found)) : std::string(found);
            return clampToInt(out.size());
        }
    }
    out = defaultValue;
    return clampToInt(out.size());
}

void SetupLog::clear() {
    std::string().swap(text_);
    std::vector<std::size_t>().swap(lineStart_);
    std::vector<std::size_t>().swap(lineEnd_);
    std::vector<std::size_t>().swap(runEnd_);
    headerAt_.clear();
}

std::string whyNotASetupLog(const SetupLog& log) {
    if (log.text().empty() || log.text().front() != '[' ||
        log.text().find(kLineEnd) == std::string::npos)
        return "it is not a setup log in either of its stored forms (an editor may have saved it "
               "again with a byte order mark or other line ends)";
    std::string name;
    if (log.value(name, "COMMON", "Application_Name", "", false) == 0)
        return "it names no product (no Application_Name in [COMMON])";
    if (log.entryCount("APPDIR") == 0)
        return "it names no application directory (no [APPDIR] entry)";
    return std::string();
}
