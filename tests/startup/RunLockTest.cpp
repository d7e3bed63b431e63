// When an object of the run lock's name is the administrators' lock: judged from its security
// descriptor, built here from SDDL as an ordinary user or an administrator would make it. And
// what a run that does not get the lock is told.
#include "win32/RunLock.h"
#include "base/ProcessValues.h"
#include "engine/UninstallReport.h"
#include "startup/RefusedStart.h"
#include "startup/RunLockStart.h"
#include "support/WinTestSupport.h"

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

// Only administrators may take the lock: a run without their rights that meets it held is told
// that it lacks them, not that another run is in progress or that someone took the lock's name.
TEST(RunLock, ARunWithoutAdministratorRightsMeetingItHeldIsToldToStartAsAnAdministrator) {
    const std::wstring name =
        L"Global\\Technical Glossary test lock " + std::to_wstring(GetCurrentProcessId());
    const win32::RunLock held = win32::RunLock::take(name.c_str(), 0);
    ASSERT_TRUE(held.held());
    win32::RunLock::State state = win32::RunLock::State::Held;
    RunLockRefusal refusal;
    ASSERT_TRUE(testsupport::asOrdinaryUser([&] {
        const win32::RunLock lock = win32::RunLock::take(name.c_str(), 0);
        state = lock.state();
        refusal = runLockRefusal(lock);
    }));
    EXPECT_EQ(state, win32::RunLock::State::NotAdministrator);
    EXPECT_EQ(refusal.exitCode, 2);
    EXPECT_EQ(refusal.why.rfind(L"this run has no administrator rights", 0), 0u) << refusal.why;
    EXPECT_NE(refusal.boxText.find(L"Start the uninstaller as an administrator"),
              std::wstring::npos)
        << refusal.boxText;
}

// The account that took the lock's name, written in any script, reaches the report whole (and
// so the event log and standard error, which take the same text).
TEST(RunLock, ARefusalNamesTheAccountInItsOwnScript) {
    const std::wstring account = L"PC\\\u0393\u03b9\u03ce\u03c1\u03b3\u03bf\u03c2";
    const RunLockRefusal refusal =
        runLockRefusal(win32::RunLock::State::Untrusted, win32::kRunLockName,
                       L"run lock \"Global\\Technical Glossary setup and removal\"",
                       L"Its owner (" + account + L", S-1-5-21-1-2-3-1001)", ERROR_SUCCESS);
    EXPECT_EQ(refusal.exitCode, 1618);
    testsupport::TempDirectory folder("lockreport");
    const std::string path = folder.file("report.txt");
    {
        UninstallReport report;
        ASSERT_TRUE(report.open(path, {}));
        const bool wasUnattended = unattended;
        unattended = true;
        tellRefusedStart(report, refusal.item, refusal.why, refusal.boxText);
        unattended = wasUnattended;
        report.summary(refusal.exitCode);
    }
    const std::string written = testsupport::readFile(path);
    EXPECT_NE(
        written.find("Its owner (PC\\\xce\x93\xce\xb9\xcf\x8e\xcf\x81\xce\xb3\xce\xbf\xcf\x82, "
                     "S-1-5-21-1-2-3-1001)"),
        std::string::npos)
        << written;
}
