#pragma once

#include <stdexcept>
#include <string>

// A database file that cannot be read: not a Jet file, truncated, or internally inconsistent.
class JetError : public std::runtime_error {
public:
    explicit JetError(const std::string& what) : std::runtime_error(what) {}
};

// A page the file does not have: the file is truncated or a pointer is wrong. Never a reason
// to guess, unlike a usage map of an unknown kind.
class MissingPageError : public JetError {
public:
    using JetError::JetError;
};
