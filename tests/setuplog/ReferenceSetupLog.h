#pragma once

#include <cstddef>
#include <string>

// A deliberately plain setup log reader that rescans the text for every query, step by step
// as the format is defined. It exists to check the indexed reader's answers against.
class ReferenceSetupLog {
public:
    ReferenceSetupLog(std::string buffer, std::size_t arrived);

    int entryCount(const std::string& section) const;
    bool entry(std::string& out, const std::string& section, int position) const;
    int value(std::string& out, const std::string& section, const std::string& key,
              const std::string& defaultValue, bool unescape) const;

    std::string text;

private:
    static constexpr std::size_t kNoLine = std::string::npos;
    std::size_t firstLine(const std::string& section) const;
    std::size_t nextLine(std::size_t lineStart) const;
};
