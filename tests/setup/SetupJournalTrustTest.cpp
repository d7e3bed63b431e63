// Setup's journal names what setup and the uninstaller delete and rewrite with administrator
// rights: a journal that others than the administrators could have written is refused by both,
// and one naming anything outside the product is not acted on there.
#include "SetupTestSupport.h"
#include "support/RegistryTestSupport.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <sddl.h>

using namespace setuptest;
using namespace testsupport;

namespace {

const std::string kJournalKey = "SOFTWARE\\Technical Glossary Setup";
const std::string kOtherKey = "SOFTWARE\\Another Product Of The Journal Tests";
const std::string kDirectory = "C:\\Journal Trust\\Technical Glossary";

DWORD run(const std::string& command) {
    DWORD exitCode = 0xFFFFFFFF;
    return runAndWait(command, kTimeoutMs, exitCode) ? exitCode : 0xFFFFFFFF;
}

std::string setupCommand() {
    return "\"" + binaryDirectory() + "\\setup.exe\" /S /D=" + kDirectory;
}

// A stopped run's journal as setup writes it, one record a line.
void writeJournal(const std::vector<std::string>& records) {
    std::string text = "Setup journal of Technical Glossary\r\n";
    for (const std::string& record : records)
        text += record + "\r\n";
    createKey(HKEY_LOCAL_MACHINE, kJournalKey);
    setValue(HKEY_LOCAL_MACHINE, kJournalKey, "Journal", REG_BINARY, text.data(),
             static_cast<DWORD>(text.size()));
}

// Gives the journal's key the owner and access list described in SDDL.
void setKeySecurity(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kJournalKey.c_str(), 0, WRITE_DAC | WRITE_OWNER, &key),
        ERROR_SUCCESS);
    EXPECT_EQ(
        RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor),
        ERROR_SUCCESS);
    RegCloseKey(key);
    LocalFree(descriptor);
}

// Restores a file the test needs to survive, whatever happens to it.
class KeptFile {
public:
    explicit KeptFile(std::string path) : path_(std::move(path)), bytes_(readFile(path_)) {}
    ~KeptFile() {
        if (!fileExists(path_))
            writeFile(path_, bytes_);
    }

private:
    std::string path_, bytes_;
};

} // namespace

TEST(SetupJournalTrust, AJournalKeyThatOrdinaryUsersMayWriteIsRefusedByBothPrograms) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    ASSERT_EQ(run(setupCommand()), 0u);
    const std::string planted = kDirectory + "\\Dict.mdb";
    writeJournal({"file\t" + planted});
    // Everyone may set its values: anyone could have written what it names.
    setKeySecurity("O:BAD:P(A;;KA;;;WD)(A;;KA;;;BA)(A;;KA;;;SY)");
    const TempDirectory reports("journal-trust");
    const std::string report = reports.file("report.txt");
    EXPECT_EQ(run(setupCommand() + " \"/LOG=" + report + "\""), 1603u);
    EXPECT_TRUE(fileExists(planted)) << "setup acted on the journal";
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kJournalKey)) << "nothing changes";
    EXPECT_NE(readFile(report).find("may change it, not only the administrators"),
              std::string::npos)
        << readFile(report);
    EXPECT_EQ(run(registered("QuietUninstallString")), 2u) << "the uninstaller acted on it";
    EXPECT_TRUE(fileExists(planted));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kJournalKey));
    DeleteFileA(report.c_str());

    // Only administrators may change it: then it is believed, and the product goes.
    setKeySecurity("O:BAD:P(A;;KA;;;BA)(A;;KA;;;SY)(A;;KR;;;BU)");
    EXPECT_EQ(run(registered("QuietUninstallString") + " \"/LOG=" + report + "\""), 0u)
        << readFile(report);
    DeleteFileA(report.c_str());
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kJournalKey));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(fileExists(kDirectory));
    deleteTree(HKEY_LOCAL_MACHINE, kJournalKey);
}

TEST(SetupJournalTrust, AJournalNamingWhatIsNotTheProductsIsNotActedOn) {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    const std::string windowsFile = "C:\\windows\\win.ini";
    ASSERT_TRUE(fileExists(windowsFile));
    const KeptFile kept(windowsFile);
    createKey(HKEY_LOCAL_MACHINE, kOtherKey);
    setString(HKEY_LOCAL_MACHINE, kOtherKey, "DisplayName", "Another product");
    const std::vector<std::string> stopped = {"file\t" + windowsFile,
                                              "registration\t" + kOtherKey + "\t0"};
    // Setup's next run, and the uninstaller, finish such a journal without touching either.
    writeJournal(stopped);
    EXPECT_EQ(run(setupCommand()), 0u);
    EXPECT_TRUE(fileExists(windowsFile)) << "setup deleted a file of the system";
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kOtherKey)) << "setup deleted another's key";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kJournalKey));
    writeJournal(stopped);
    EXPECT_EQ(run(registered("QuietUninstallString")), 0u);
    EXPECT_TRUE(fileExists(windowsFile)) << "the uninstaller deleted a file of the system";
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kOtherKey)) << "the uninstaller deleted it";
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kJournalKey));
    EXPECT_FALSE(fileExists(kDirectory));
    deleteTree(HKEY_LOCAL_MACHINE, kOtherKey);
    deleteTree(HKEY_LOCAL_MACHINE, kJournalKey);
}
