#pragma once

#include <stdexcept>
#include <string>

// A database file that cannot be read: not a Jet file, truncated, or internally inconsistent.
class JetError : public std::runtime_error {
public:
    explicit JetError(const std::string& what) : std::runtime_error(what) {}
};
