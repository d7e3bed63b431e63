#include "UninstallReport.h"

#include "base/Options.h"
#include "base/SystemErrorText.h"

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

} // namespace

bool UninstallReport::open(const std::string& path) {
    file_.reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_.valid();
}

void UninstallReport::item(const char* stage, const std::string& item, Outcome outcome,
                           const std::string& detail) {
    ++counts_[static_cast<int>(outcome)];
    std::string text = outcomeText(outcome);
    if (!detail.empty())
        text += ": " + detail;
    write(std::string(stage) + "\t" + item + "\t" + text);
}

void UninstallReport::note(const char* stage, const std::string& item, const std::string& text) {
    write(std::string(stage) + "\t" + item + "\t" + text);
}

void UninstallReport::summary(int exitCode) {
    write("Summary\tremoved " + std::to_string(count(Outcome::Removed)) + ", not found " +
          std::to_string(count(Outcome::NotFound)) + ", kept " +
          std::to_string(count(Outcome::Kept)) + ", scheduled for restart " +
          std::to_string(count(Outcome::Scheduled)) + ", failed " +
          std::to_string(count(Outcome::Failed)) + "\texit code " + std::to_string(exitCode));
}

int UninstallReport::exitCode() const {
    if (count(Outcome::Failed) > 0)
        return kExitSomeKept;
    return count(Outcome::Scheduled) > 0 ? kExitRestartNeeded : kExitRemoved;
}

void UninstallReport::write(const std::string& line) {
    if (!file_)
        return;
    // Straight to the system, line by line: nothing waits in a buffer of ours.
    const std::string bytes = ansiToUtf8(line) + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
