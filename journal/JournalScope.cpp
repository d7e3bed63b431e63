#include "JournalScope.h"

#include <algorithm>
#include <cctype>

namespace {

std::string folded(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (text.size() > 3 && text.back() == '\\')
        text.pop_back();
    return text;
}

// "C:\..." with no empty, "." or ".." part and no other separator.
bool plainPath(const std::string& path) {
    if (path.size() < 3 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
        path[2] != '\\' || path.find('/') != std::string::npos)
        return false;
    for (std::size_t start = 3; start <= path.size();) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if ((part.empty() && end != path.size()) || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

// `inner` is `outer` or lies below it.
bool within(const std::string& inner, const std::string& outer) {
    const std::string a = folded(inner), b = folded(outer);
    return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 &&
                      (b.back() == '\\' || a[b.size()] == '\\'));
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

bool fileInScope(const JournalScope& scope, const std::string& path) {
    if (!plainPath(path))
        return false;
    std::string file = folded(path);
    for (const char* beside : {".new", ".previous"}) {
        if (endsWith(file, beside))
            file.resize(file.size() - std::string(beside).size());
    }
    for (const std::string& folder : scope.folders) {
        if (plainPath(folder) && within(path, folder))
            return true;
    }
    return std::any_of(scope.files.begin(), scope.files.end(),
                       [&](const std::string& named) { return folded(named) == file; });
}

bool folderInScope(const JournalScope& scope, const std::string& path) {
    if (!plainPath(path) || folded(path).size() <= 3)
        return false;
    return std::any_of(scope.folders.begin(), scope.folders.end(), [&](const std::string& folder) {
        return plainPath(folder) && (within(path, folder) || within(folder, path));
    });
}

bool keyInScope(const JournalScope& scope, const std::string& key) {
    if (key.empty() || key.find("\\\\") != std::string::npos || key.front() == '\\')
        return false;
    return std::any_of(scope.keys.begin(), scope.keys.end(),
                       [&](const std::string& own) { return !own.empty() && within(key, own); });
}

std::vector<std::string> limitToScope(SetupJournal& journal, const JournalScope& scope) {
    std::vector<std::string> outside;
    const auto keepFiles = [&](std::vector<std::string>& paths) {
        paths.erase(std::remove_if(paths.begin(), paths.end(),
                                   [&](const std::string& path) {
                                       if (fileInScope(scope, path))
                                           return false;
                                       outside.push_back(path);
                                       return true;
                                   }),
                    paths.end());
    };
    for (auto* paths : {&journal.files, &journal.setAside, &journal.atRestart, &journal.installed})
        keepFiles(*paths);
    journal.folders.erase(std::remove_if(journal.folders.begin(), journal.folders.end(),
                                         [&](const SetupJournal::Folder& folder) {
                                             if (folderInScope(scope, folder.path))
                                                 return false;
                                             outside.push_back(folder.path);
                                             return true;
                                         }),
                          journal.folders.end());
    for (SetupJournal::Count& count : journal.counts) {
        if (!count.returned && !fileInScope(scope, count.file)) {
            count.returned = true;
            outside.push_back(count.file);
        }
    }
    if (!journal.key.empty() && !keyInScope(scope, journal.key)) {
        outside.push_back("HKLM\\" + journal.key);
        journal.key.clear();
        journal.values.clear();
    }
    return outside;
}
