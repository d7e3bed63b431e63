#include "ErrorAdvice.h"

namespace {

// The system's codes, as winerror.h numbers them.
constexpr unsigned long kNoError = 0;
constexpr unsigned long kSharingViolation = 32;
constexpr unsigned long kLockViolation = 33;
constexpr unsigned long kHandleDiskFull = 39;
constexpr unsigned long kDiskFull = 112;
constexpr unsigned long kUserMappedFile = 1224;

} // namespace

std::string errorAdvice(unsigned long error, const std::string& user) {
    switch (error) {
    case kNoError:
        return "the system gave no reason. Try again; if it fails again, restart the computer "
               "first.";
    case kSharingViolation:
    case kLockViolation:
    case kUserMappedFile:
        return "it is in use by a running program. Close " + user + " and try again.";
    case kHandleDiskFull:
    case kDiskFull:
        return "the disk is full. Free some space on it and try again.";
    default:
        return std::string();
    }
}
