#include "StartArguments.h"

#include <cwctype>

namespace {

// Whether `text` begins with `prefix`, ignoring the case of ASCII letters.
bool startsWith(const std::wstring& text, const wchar_t* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != L'\0'; ++i) {
        if (i >= text.size() || std::towlower(text[i]) != std::towlower(prefix[i]))
            return false;
    }
    return true;
}

bool endsWithMdb(const std::wstring& text) {
    return text.size() > 4 && startsWith(text.substr(text.size() - 4), L".mdb");
}

} // namespace

StartArguments readStartArguments(const std::vector<std::wstring>& arguments,
                                  const std::function<bool(const std::wstring&)>& isFile) {
    StartArguments start;
    bool databaseNamed = false;
    std::wstring word;
    for (const std::wstring& argument : arguments) {
        if (startsWith(argument, L"/db=")) {
            start.database = argument.substr(4);
            databaseNamed = true;
        } else if (startsWith(argument, L"/word=")) {
            start.word = argument.substr(6);
        } else if (argument.size() == 4 && startsWith(argument, L"/new")) {
            start.newWindow = true;
        } else if (argument.size() == 5 && startsWith(argument, L"/tray")) {
            start.tray = true;
        } else if (argument.empty()) {
            // an empty argument names nothing, as it always has
        } else if (!databaseNamed && (endsWithMdb(argument) || isFile(argument))) {
            start.database = argument;
            databaseNamed = true;
        } else {
            word += (word.empty() ? L"" : L" ") + argument;
        }
    }
    if (start.word.empty())
        start.word = word;
    return start;
}
