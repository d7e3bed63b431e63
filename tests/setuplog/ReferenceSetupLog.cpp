#include "ReferenceSetupLog.h"

ReferenceSetupLog::ReferenceSetupLog(std::string buffer, std::size_t arrived) {
    if (arrived >= 1 && buffer[0] != '[') {
        for (std::size_t i = 0; i < arrived; ++i)
            buffer[i] = static_cast<char>(buffer[i] ^ 0xFF);
    }
    std::size_t at = 0;
    for (;;) {
        const std::size_t crlf = buffer.find("\r\n", at);
        if (crlf == std::string::npos)
            break;
        const std::string line = buffer.substr(at, crlf - at);
        if (line.size() >= 3 && line[0] != ';')
            text += line + "\r\n";
        at = crlf + 2;
    }
    if (at < buffer.size())
        text += buffer.substr(at);
}

std::size_t ReferenceSetupLog::firstLine(const std::string& section) const {
    const std::size_t found = text.find("[" + section + "]");
    if (found == std::string::npos)
        return kNoLine;
    const std::size_t crlf = text.find("\r\n", found);
    if (crlf == std::string::npos || crlf + 2 >= text.size())
        return kNoLine;
    return crlf + 2;
}

std::size_t ReferenceSetupLog::nextLine(std::size_t lineStart) const {
    const std::size_t crlf = text.find("\r\n", lineStart);
    if (crlf == std::string::npos || crlf + 2 == text.size())
        return kNoLine;
    return crlf + 2;
}

int ReferenceSetupLog::entryCount(const std::string& section) const {
    std::size_t line = firstLine(section);
    if (line == kNoLine || text[line] == '[')
        return 0;
    int count = 1;
    for (;;) {
        line = nextLine(line);
        if (line == kNoLine || text[line] == '[')
            return count;
        ++count;
    }
}

bool ReferenceSetupLog::entry(std::string& out, const std::string& section, int position) const {
    out.clear();
    std::size_t line = firstLine(section);
    if (line == kNoLine || position < 0)
        return false;
    for (int number = 0;; ++number) {
        if (text[line] == '[')
            return false;
        if (number == position) {
            const std::size_t crlf = text.find("\r\n", line);
            out = text.substr(line, crlf == std::string::npos ? std::string::npos : crlf - line);
            return true;
        }
        line = nextLine(line);
        if (line == kNoLine)
            return false;
    }
}

int ReferenceSetupLog::value(std::string& out, const std::string& section, const std::string& key,
                             const std::string& defaultValue, bool unescape) const {
    for (int position = 0; position < entryCount(section); ++position) {
        std::string line;
        entry(line, section, position);
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        if (line.compare(0, equals, key) != 0 || equals != key.size())
            continue;
        out = line.substr(equals + 1);
        const std::size_t nul = out.find('\0');
        if (nul != std::string::npos)
            out.resize(nul);
        if (unescape) {
            for (const auto& [from, to] : {std::pair<std::string, std::string>{"\\r", "\n\r"},
                                           std::pair<std::string, std::string>{"\\t", "\t"}}) {
                std::size_t start = 0;
                while ((start = out.find(from, start)) != std::string::npos)
                    out.replace(start, from.size(), to);
            }
        }
        return static_cast<int>(out.size());
    }
    out = defaultValue;
    return static_cast<int>(out.size());
}
