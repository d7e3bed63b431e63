#include "UninstallJournal.h"

#include "CheckedRemoval.h"
#include "journal/LineForm.h"

namespace {

constexpr DWORD kLargestJournal = 16 * 1024 * 1024;

// Opened without following a link, and only a plain file of one name that the system names
// by its path: a journal is read and written by administrators alone.
win32::Handle openJournal(const std::string& path, DWORD access, DWORD disposition,
                          bool* existed = nullptr) {
    win32::Handle file(CreateFileA(
        path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (existed != nullptr)
        *existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (!file)
        return file;
    BY_HANDLE_FILE_INFORMATION information = {};
    if (GetFileType(file.get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        information.nNumberOfLinks != 1 || information.nFileSizeHigh != 0 ||
        information.nFileSizeLow > kLargestJournal || !resolvesToPath(file.get(), path))
        file.reset();
    return file;
}

bool readAll(HANDLE file, std::string& text) {
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE || size > kLargestJournal)
        return false;
    text.assign(size, '\0');
    DWORD read = 0;
    return size == 0 || (ReadFile(file, &text[0], size, &read, nullptr) && read == size);
}

} // namespace

std::string UninstallJournal::pathIn(const std::string& applicationDirectory) {
    std::string path = applicationDirectory;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + "Uninstall.journal";
}

bool UninstallJournal::check(const std::string& applicationDirectory, const std::string& product,
                             std::string& why) {
    const std::string path = pathIn(applicationDirectory);
    WIN32_FILE_ATTRIBUTE_DATA found = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &found) &&
        GetLastError() == ERROR_FILE_NOT_FOUND)
        return true;
    // Nothing was written to it, so nothing was given back: as good as none. Its header, the
    // first line written, makes any other journal one of a product.
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
        found.nFileSizeHigh == 0 && found.nFileSizeLow == 0 && found.dwFileAttributes != 0)
        return true;
    const win32::Handle file = openJournal(path, GENERIC_READ, OPEN_EXISTING);
    std::string text;
    std::vector<JournalLine> lines;
    if (!file || !readAll(file.get(), text)) {
        why = "The uninstall journal " + path + " cannot be read.";
        return false;
    }
    if (!readUninstallJournal(text, product, lines)) {
        why = "The uninstall journal " + path + " is not " + product + "'s.";
        return false;
    }
    return true;
}

bool UninstallJournal::open(const std::string& applicationDirectory, const std::string& product) {
    path_ = pathIn(applicationDirectory);
    win32::Handle file = openJournal(path_, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, &resumed_);
    if (!file)
        return false;
    std::string text;
    if (!readAll(file.get(), text) || !readUninstallJournal(text, product, lines_))
        return false;
    // A line cut off as it was written counts for nothing: it is cut away, not ended, so that
    // it never reads as a whole line should this run be stopped too.
    const std::size_t whole = wholeLines(text);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(whole);
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
        (whole < text.size() && !SetEndOfFile(file.get())))
        return false;
    file_ = std::move(file);
    if (whole == 0) {
        resumed_ = false;
        if (!write(uninstallJournalHeader(product)))
            file_.reset();
    }
    return file_.valid();
}

bool UninstallJournal::released(const char* section, int position, const std::string& path) const {
    return journalSaysReleased(lines_, section, position, path);
}

bool UninstallJournal::begin(const char* section, int position, const std::string& path,
                             long long before) {
    return write(journalLine({false, section, position, before, escapedPath(path)}));
}

bool UninstallJournal::done(const char* section, int position, const std::string& path,
                            long long after) {
    return write(journalLine({true, section, position, after, escapedPath(path)}));
}

bool UninstallJournal::remove(DWORD& error) {
    file_.reset();
    error = ERROR_SUCCESS;
    if (path_.empty())
        return true;
    const Removal removal = removeFileChecked(path_, true);
    error = removal.error;
    return removal.outcome == Removal::Outcome::Removed ||
           removal.outcome == Removal::Outcome::Missing;
}

bool UninstallJournal::write(const std::string& text) {
    DWORD written = 0;
    return file_ &&
           WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size() && FlushFileBuffers(file_.get());
}
