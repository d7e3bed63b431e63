#pragma once

#include <string>
#include <string_view>

// Fields of a setup log record separated by commas: no quoting, escaping or trimming, so a
// field is exactly the text between two commas. After the last field the record is exhausted.
class CommaRecord {
public:
    explicit CommaRecord(std::string_view record) : rest_(record) {}

    // The next field; false (and an empty field) once the record is exhausted.
    bool next(std::string& field);

private:
    std::string_view rest_;
    bool exhausted_ = false;
};

// The standard atoi reading: leading blanks and one sign, digits up to the first other
// character, 0 without digits. Overflow wraps as a 32-bit value instead of being undefined.
int atoiField(const std::string& text);
