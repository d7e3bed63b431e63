// The favourites as a plain text file: written whole under another name and then put in place,
// so that a run stopped half-way leaves the file before or after, never a part of it.
#include "WordListDialog.h"

#include "WindowText.h"
#include "history/WordListFile.h"
#include "win32/ErrorText.h"
#include "win32/FileWrite.h"
#include "win32/Handles.h"

#include <commdlg.h>

#include <algorithm>

namespace {

const wchar_t kFilter[] = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";

std::wstring reasonOf(DWORD error) {
    const std::wstring reason = win32::systemMessage(error);
    return reason.empty() ? L"Windows error " + std::to_wstring(error) + L"." : reason;
}

DWORD writeReplacing(const std::wstring& path, const std::string& bytes) {
    const std::wstring partial = path + L".partial";
    {
        const win32::Handle file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return GetLastError();
        DWORD error = win32::writeWhole(file.get(), bytes);
        if (error == ERROR_SUCCESS && !FlushFileBuffers(file.get()))
            error = GetLastError();
        if (error != ERROR_SUCCESS) {
            DeleteFileW(partial.c_str());
            return error;
        }
    }
    if (!MoveFileExW(partial.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(partial.c_str());
        return error;
    }
    return ERROR_SUCCESS;
}

// The file's bytes, up to one more than a word list may have; false with the system's error.
bool readAtMost(const std::wstring& path, std::string& bytes, DWORD& error) {
    const win32::Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) {
        error = file ? ERROR_INVALID_FUNCTION : GetLastError();
        return false;
    }
    bytes.resize(history::kMaxWordListBytes + 1);
    std::size_t filled = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + filled,
                      static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1 << 20)),
                      &read, nullptr)) {
            error = GetLastError();
            return false;
        }
        filled += read;
        if (read == 0 || filled == bytes.size())
            break;
    }
    bytes.resize(filled);
    return true;
}

std::wstring chooseFile(HWND owner, bool save) {
    wchar_t path[MAX_PATH] = L"Favourites.txt";
    if (!save)
        path[0] = L'\0';
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"txt";
    dialog.lpstrTitle = save ? L"Export favourites" : L"Import favourites";
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    return chosen ? std::wstring(path) : std::wstring();
}

void say(HWND owner, const std::wstring& text, UINT icon) {
    MessageBoxW(owner, text.c_str(), kGlossaryName, MB_OK | icon);
}

} // namespace

bool exportFavourites(HWND owner, const history::Favourites& favourites) {
    const std::wstring path = chooseFile(owner, true);
    if (path.empty())
        return false;
    const DWORD error = writeReplacing(path, history::writeWordList(favourites.words()));
    if (error != ERROR_SUCCESS) {
        say(owner,
            L"The favourites cannot be written to this file:\n" + path + L"\n\n" + reasonOf(error) +
                L"\n\nChoose another folder or name, and export again.",
            MB_ICONWARNING);
        return false;
    }
    say(owner,
        std::to_wstring(favourites.words().size()) + L" favourites exported to:\n" + path +
            L"\n\nOne word a line, UTF-8: Import adds them again, here or on another computer.",
        MB_ICONINFORMATION);
    return true;
}

bool importFavourites(HWND owner, history::Favourites& favourites) {
    const std::wstring path = chooseFile(owner, false);
    if (path.empty())
        return false;
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    if (!readAtMost(path, bytes, error)) {
        say(owner,
            L"The favourites cannot be imported from this file:\n" + path + L"\n\n" +
                reasonOf(error) + L"\n\nChoose a text file you can open, and import again.",
            MB_ICONWARNING);
        return false;
    }
    const history::WordListReading reading = history::readWordList(bytes);
    if (!reading.refusal.empty()) {
        say(owner,
            L"The favourites cannot be imported from this file:\n" + path + L"\n\nThe file is " +
                L"no list of words: " +
                std::wstring(reading.refusal.begin(), reading.refusal.end()) +
                L".\n\nChoose a plain text file, saved as UTF-8, with one word a line. Nothing "
                L"was added.",
            MB_ICONWARNING);
        return false;
    }
    const std::size_t added = favourites.add(reading.lines);
    const std::size_t skipped = reading.lines.size() - added;
    say(owner,
        std::to_wstring(added) + (added == 1 ? L" word" : L" words") +
            L" added to the favourites from:\n" + path +
            (skipped == 0 ? std::wstring()
                          : L"\n\n" + std::to_wstring(skipped) +
                                (skipped == 1 ? L" line was" : L" lines were") +
                                L" left out: blank, or already a favourite."),
        MB_ICONINFORMATION);
    return added > 0;
}
