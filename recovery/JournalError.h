#pragma once

#include <stdexcept>
#include <string>

// Why setup's journal cannot be written or taken care of, in words for the user; nothing is
// changed by then that was not undone.
class JournalError : public std::runtime_error {
public:
    explicit JournalError(const std::wstring& message)
        : std::runtime_error("setup's journal"), message_(message) {}
    const std::wstring& message() const { return message_; }

private:
    std::wstring message_;
};
