#include "UninstallReport.h"

#include "PathRules.h"
#include "base/Options.h"
#include "base/SystemErrorText.h"
#include "journal/LineForm.h"
#include "win32/FileIdentity.h"
#include "win32/ReportFile.h"

namespace {

const char* outcomeText(UninstallReport::Outcome outcome) {
    switch (outcome) {
    case UninstallReport::Outcome::Removed:
        return "removed";
    case UninstallReport::Outcome::NotFound:
        return "not found";
    case UninstallReport::Outcome::Kept:
        return "kept";
    case UninstallReport::Outcome::Scheduled:
        return "scheduled for restart";
    case UninstallReport::Outcome::Failed:
        break;
    }
    return "failed";
}

// The system's name for the open file is the path asked for, letter case and 8.3 names aside:
// nothing on the way led elsewhere.
bool namedByItsPath(HANDLE file, const std::wstring& path) {
    wchar_t resolved[MAX_PATH * 2] = {}, typed[MAX_PATH * 2] = {};
    const DWORD length = GetFinalPathNameByHandleW(file, resolved, MAX_PATH * 2,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    const DWORD typedLength = GetLongPathNameW(path.c_str(), typed, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2 || typedLength == 0 || typedLength >= MAX_PATH * 2)
        return false;
    // In every script, not only ASCII as samePath folds it.
    CharUpperBuffW(resolved, length);
    CharUpperBuffW(typed, typedLength);
    return samePath(wideToUtf8(resolved), wideToUtf8(typed));
}

} // namespace

bool UninstallReport::open(const std::string& path, const std::vector<std::string>& untouchable) {
    if (!isPlainAbsolutePath(path) || namesDevice(path))
        return false;
    file_ = win32::openReportFile(utf8ToWide(path), namedByItsPath,
                                  [&](const BY_HANDLE_FILE_INFORMATION& identity) {
                                      for (const std::string& other : untouchable) {
                                          if (win32::sameFile(identity, other))
                                              return true;
                                      }
                                      return false;
                                  });
    return file_.valid();
}

void UninstallReport::item(const char* stage, const std::string& item, Outcome outcome,
                           const std::string& detail) {
    ++counts_[static_cast<int>(outcome)];
    std::string text = outcomeText(outcome);
    if (!detail.empty())
        text += ": " + detail;
    writeLine(stage, ansiToUtf8(controlsEscaped(item)), ansiToUtf8(controlsEscaped(text)));
}

void UninstallReport::unfinished(const char* stage, const std::string& item,
                                 const std::string& why) {
    ++unfinished_;
    this->item(stage, item, Outcome::Kept, why);
}

void UninstallReport::note(const char* stage, const std::string& item, const std::string& text) {
    writeLine(stage, ansiToUtf8(controlsEscaped(item)), ansiToUtf8(controlsEscaped(text)));
}

void UninstallReport::note(const char* stage, const std::wstring& item, const std::string& text) {
    writeLine(stage, controlsEscaped(wideToUtf8(item)), ansiToUtf8(controlsEscaped(text)));
}

void UninstallReport::note(const char* stage, const std::wstring& item, const std::wstring& text) {
    writeLine(stage, controlsEscaped(wideToUtf8(item)), controlsEscaped(wideToUtf8(text)));
}

void UninstallReport::summary(int exitCode) {
    for (const std::string& line : limit_.countedLines())
        writeUtf8(line);
    writeUtf8("Summary\tremoved " + std::to_string(count(Outcome::Removed)) + ", not found " +
              std::to_string(count(Outcome::NotFound)) + ", kept " +
              std::to_string(count(Outcome::Kept)) + ", scheduled for restart " +
              std::to_string(count(Outcome::Scheduled)) + ", failed " +
              std::to_string(count(Outcome::Failed)) + "\texit code " +
              std::to_string(static_cast<DWORD>(exitCode)));
}

int UninstallReport::exitCode() const {
    if (count(Outcome::Failed) > 0 || unfinished_ > 0)
        return kExitSomeKept;
    return count(Outcome::Scheduled) > 0 ? kExitRestartNeeded : kExitRemoved;
}

void UninstallReport::writeLine(const char* stage, const std::string& item,
                                const std::string& outcome) {
    if (!file_)
        return;
    const std::string line = limit_.line(stage, item, outcome);
    if (!line.empty())
        writeUtf8(line);
}

void UninstallReport::writeUtf8(const std::string& line) {
    if (!file_)
        return;
    // Straight to the system, line by line: nothing waits in a buffer of ours.
    const std::string bytes = line + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
