// When an object of the run lock's name is the administrators' lock: judged from its security
// descriptor, built here from SDDL as an ordinary user or an administrator would make it.
#include "win32/RunLock.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>

namespace {

// Who else may take, hold or change an object with this descriptor; "" when no one.
std::string others(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (sddl != nullptr && !ConvertStringSecurityDescriptorToSecurityDescriptorA(
                               sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return "unreadable SDDL";
    const win32::LocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
    const win32::Exposure exposure = win32::runLockExposure(descriptor);
    return std::string(exposure.who.begin(), exposure.who.end());
}

} // namespace

TEST(RunLock, AnObjectIsTheLockOnlyWhenAnAdministratorOwnsItAndNoOneElseMayUseIt) {
    // As the programs make it.
    EXPECT_EQ(others("O:BAD:P(A;;0x1F0001;;;SY)(A;;0x1F0001;;;BA)"), "");
    // Reading its permissions takes nothing.
    EXPECT_EQ(others("O:BAD:P(A;;0x1F0001;;;BA)(A;;RC;;;WD)"), "");
    // A user's own: as owner the user may give itself every right.
    EXPECT_EQ(others("O:S-1-5-21-1-2-3-1001D:P(A;;0x1F0001;;;BA)"),
              "Its owner (S-1-5-21-1-2-3-1001)");
    // Waiting on it takes it; modifying its state releases it.
    EXPECT_EQ(others("O:BAD:P(A;;0x1F0001;;;BA)(A;;0x100000;;;BU)"), "Users");
    EXPECT_EQ(others("O:BAD:P(A;;0x1F0001;;;BA)(A;;0x1;;;AU)"), "Authenticated Users");
    EXPECT_EQ(others("O:BAD:(A;;GR;;;WD)"), "Everyone");
    // No list at all, as an object made without one (what Wine gives a user's mutex).
    EXPECT_EQ(others("O:BA"), "Everyone");
    EXPECT_EQ(others(nullptr), "Anyone") << "a descriptor that cannot be read";
}
