#include "WordListFile.h"

#include "WordHistory.h"
#include "jet/TextCodec.h"

namespace history {

namespace {

std::string lineNumbered(const char* what, std::size_t line) {
    return std::string(what) + " (line " + std::to_string(line) + ")";
}

} // namespace

WordListReading readWordList(std::string_view bytes) {
    WordListReading reading;
    if (bytes.size() > kMaxWordListBytes) {
        reading.refusal = "it is larger than 16 MB, too large for a list of words";
        return reading;
    }
    if (bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                              (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        reading.refusal = "it is UTF-16 text; save it as UTF-8";
        return reading;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::size_t number = 1;
    for (std::size_t at = 0; at < bytes.size(); ++number) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
        std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
                reading.refusal =
                    lineNumbered("it is not text: it holds control characters", number);
                reading.lines.clear();
                return reading;
            }
        }
        bool valid = true;
        std::u16string word = jet::fromUtf8(std::string(line), &valid);
        if (!valid) {
            reading.refusal = lineNumbered("it is not UTF-8 text", number);
            reading.lines.clear();
            return reading;
        }
        if (word.size() > kMaxWordLength) {
            reading.refusal =
                lineNumbered("a line is longer than 1024 characters, too long for a word", number);
            reading.lines.clear();
            return reading;
        }
        reading.lines.push_back(std::move(word));
    }
    return reading;
}

std::string writeWordList(const std::vector<std::u16string>& words) {
    std::string bytes;
    for (const std::u16string& word : words) {
        const std::u16string kept = keptForm(word);
        if (!kept.empty())
            bytes += jet::toUtf8(kept) + "\r\n";
    }
    return bytes;
}

} // namespace history
