#include "SetupOptions.h"

const wchar_t kSetupUsage[] =
    L"setup.exe [/S] [/LOG=<file>] [/NORESTART] [/ALLOWDOWNGRADE] [/INVERT] [/D=<folder>]\n\n"
    L"/S installs without asking (also /SILENT, /VERYSILENT, /quiet, /qn); /LOG= writes a "
    L"report of every item; /NORESTART and /SUPPRESSMSGBOXES are accepted (setup never restarts "
    L"the computer); /ALLOWDOWNGRADE lets an older version replace a newer one; /INVERT stores "
    L"the setup log inverted; /D= names the folder, to the end of the line or the next switch.";

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

// The switches that management tools pass for "show nothing" and "accepted, no effect".
bool isSilentSwitch(const std::wstring& name) {
    return name == L"S" || name == L"SILENT" || name == L"VERYSILENT" || name == L"QUIET" ||
           name == L"QN";
}
bool isAcceptedSwitch(const std::wstring& name) {
    return name == L"NORESTART" || name == L"SUPPRESSMSGBOXES";
}

// The arguments of a piece of the command line, as the system splits them: blanks part them
// outside quotes; 2n backslashes before a quote are n and the quote counts, 2n+1 are n and a
// literal quote.
std::vector<std::wstring> splitArguments(const std::wstring& line) {
    std::vector<std::wstring> arguments;
    std::wstring current;
    bool quoted = false, started = false;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t backslashes = 0;
        while (i < line.size() && line[i] == L'\\') {
            ++backslashes;
            ++i;
        }
        if (i < line.size() && line[i] == L'"') {
            current.append(backslashes / 2, L'\\');
            if (backslashes % 2 == 1)
                current += L'"';
            else
                quoted = !quoted;
            started = true;
            ++i;
            continue;
        }
        current.append(backslashes, L'\\');
        started = started || backslashes > 0;
        if (i >= line.size())
            break;
        if (!quoted && (line[i] == L' ' || line[i] == L'\t')) {
            if (started)
                arguments.push_back(current);
            current.clear();
            started = false;
        } else {
            current += line[i];
            started = true;
        }
        ++i;
    }
    if (started)
        arguments.push_back(current);
    return arguments;
}

// Where /D= starts in the raw command line: the first that starts an argument, quoted or not;
// a folder named "a -D=b" holds another further on.
std::size_t folderOptionAt(const std::wstring& tail) {
    const std::wstring upperTail = upper(tail);
    for (std::size_t i = 0; i + 3 <= upperTail.size(); ++i) {
        if ((upperTail[i] != L'/' && upperTail[i] != L'-') ||
            upperTail.compare(i + 1, 2, L"D=") != 0)
            continue;
        std::size_t before = i;
        if (before > 0 && tail[before - 1] == L'"')
            --before;
        if (before == 0 || tail[before - 1] == L' ' || tail[before - 1] == L'\t')
            return i;
    }
    return std::wstring::npos;
}

// The folder of /D= as it was typed: to the end of the line, blanks and all, or to the first
// blank followed by '/' (or by a quoted '/'): no folder name holds a '/', so what follows are
// switches. `rest` gets those.
std::wstring folderFrom(const std::wstring& tail, std::size_t at, std::wstring& rest) {
    std::wstring folder = tail.substr(at + 3);
    for (std::size_t i = 0; i + 1 < folder.size(); ++i) {
        const std::size_t next = folder[i + 1] == L'"' ? i + 2 : i + 1;
        if ((folder[i] == L' ' || folder[i] == L'\t') && next < folder.size() &&
            folder[next] == L'/') {
            rest = folder.substr(i);
            folder.erase(i);
            break;
        }
    }
    while (!folder.empty() && (folder.back() == L' ' || folder.back() == L'\t'))
        folder.pop_back();
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
        folder = folder.substr(1, folder.size() - 2);
    // The whole option in quotes, "/D=C:\Programme\Glossar Ü", as shells write it.
    else if (at > 0 && tail[at - 1] == L'"' && !folder.empty() && folder.back() == L'"')
        folder.pop_back();
    return folder;
}

} // namespace

SetupOptions parseSetupOptions(const std::vector<std::wstring>& arguments,
                               const std::wstring& tail) {
    SetupOptions options;
    bool folderGiven = false;
    const auto unknown = [&](const std::wstring& argument) {
        if (options.unknown.empty())
            options.unknown = argument.empty() ? L"\"\"" : argument;
    };
    // `fromTail`: the switches after the folder, split from the raw line already.
    const auto read = [&](const std::vector<std::wstring>& list, bool fromTail,
                          auto& self) -> void {
        for (const std::wstring& argument : list) {
            if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) {
                unknown(argument);
                continue;
            }
            const std::wstring name = upper(argument.substr(1));
            if (isSilentSwitch(name)) {
                options.unattended = true;
            } else if (name == L"INVERT") {
                options.invertLog = true;
            } else if (isAcceptedSwitch(name)) {
                // Setup never restarts the computer nor shows a box under /S; tools pass these
                // to every installer.
            } else if (name == L"ALLOWDOWNGRADE") {
                options.allowDowngrade = true;
            } else if (name.compare(0, 4, L"LOG=") == 0 && name.size() > 4) {
                options.reportPath = argument.substr(5);
            } else if (name.compare(0, 2, L"D=") == 0 && !folderGiven) {
                folderGiven = true;
                const std::size_t at = fromTail ? std::wstring::npos : folderOptionAt(tail);
                std::wstring rest;
                options.destination =
                    at == std::wstring::npos ? argument.substr(3) : folderFrom(tail, at, rest);
                // Resolved against the current folder, a relative one could be anywhere.
                if (!absoluteFolder(options.destination))
                    unknown(argument);
                if (at != std::wstring::npos) {
                    self(splitArguments(rest), true, self);
                    return; // the folder and the switches after it were the rest of the line
                }
            } else {
                unknown(argument);
            }
        }
    };
    read(arguments, false, read);
    return options;
}
