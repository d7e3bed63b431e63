#include "SetupOptions.h"

const wchar_t kSetupUsage[] =
    L"setup.exe [/S] [/LOG=<file>] [/NORESTART] [/ALLOWDOWNGRADE] [/INVERT] [/D=<folder>]\n\n"
    L"/S installs without asking; /LOG= writes a report of every item; /NORESTART is accepted "
    L"(setup never restarts the computer); /ALLOWDOWNGRADE lets an older version replace a "
    L"newer one; /INVERT stores the setup log inverted; /D= names the folder and comes last on "
    L"the line.";

namespace {

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
    return text;
}

bool absoluteFolder(const std::wstring& folder) {
    const bool drive =
        folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\' &&
        ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z'));
    return drive || (folder.size() > 2 && folder[0] == L'\\' && folder[1] == L'\\');
}

// The folder of /D=: the rest of the command line, as it was typed.
std::wstring folderFrom(const std::wstring& argument, const std::wstring& tail) {
    // The first /D= that starts an argument: a folder named "a -D=b" holds another further on.
    const std::wstring upperTail = upper(tail);
    std::size_t at = std::wstring::npos;
    for (std::size_t i = 0; i + 3 <= upperTail.size() && at == std::wstring::npos; ++i) {
        if ((upperTail[i] != L'/' && upperTail[i] != L'-') ||
            upperTail.compare(i + 1, 2, L"D=") != 0)
            continue;
        std::size_t before = i;
        if (before > 0 && tail[before - 1] == L'"')
            --before;
        if (before == 0 || tail[before - 1] == L' ' || tail[before - 1] == L'\t')
            at = i;
    }
    std::wstring folder = at == std::wstring::npos ? argument.substr(3) : tail.substr(at + 3);
    while (!folder.empty() && (folder.back() == L' ' || folder.back() == L'\t'))
        folder.pop_back();
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
        folder = folder.substr(1, folder.size() - 2);
    // The whole option in quotes, "/D=C:\Programme\Glossar Ü", as shells write it.
    else if (at != std::wstring::npos && at > 0 && tail[at - 1] == L'"' && !folder.empty() &&
             folder.back() == L'"')
        folder.pop_back();
    return folder;
}

} // namespace

SetupOptions parseSetupOptions(const std::vector<std::wstring>& arguments,
                               const std::wstring& tail) {
    SetupOptions options;
    const auto unknown = [&](const std::wstring& argument) {
        if (options.unknown.empty())
            options.unknown = argument.empty() ? L"\"\"" : argument;
    };
    for (const std::wstring& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) {
            unknown(argument);
            continue;
        }
        const std::wstring name = upper(argument.substr(1));
        if (name == L"S" || name == L"SILENT") {
            options.unattended = true;
        } else if (name == L"INVERT") {
            options.invertLog = true;
        } else if (name == L"NORESTART") {
            // Setup never restarts the computer; tools pass this to every installer.
        } else if (name == L"ALLOWDOWNGRADE") {
            options.allowDowngrade = true;
        } else if (name.compare(0, 4, L"LOG=") == 0 && name.size() > 4) {
            options.reportPath = argument.substr(5);
        } else if (name.compare(0, 2, L"D=") == 0) {
            options.destination = folderFrom(argument, tail);
            // Resolved against the current folder, a relative one could be anywhere.
            if (!absoluteFolder(options.destination))
                unknown(argument);
            break; // the rest of the line is the folder
        } else {
            unknown(argument);
        }
    }
    return options;
}
