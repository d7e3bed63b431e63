#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Random setup logs full of the awkward cases: repeated and indented headers, headers inside
// entries, short and ";" lines, lone CR and LF, NUL bytes, escapes, missing last line end.
class LogGenerator {
public:
    explicit LogGenerator(std::uint32_t seed) : random_(seed) {}

    std::string log();
    // Section names and keys worth asking about for a generated log.
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keys() const;

private:
    std::string line();
    std::string header();
    std::string lineEnd();
    std::string word(std::size_t maxLength);
    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

    std::mt19937 random_;
};
