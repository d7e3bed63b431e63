#include "SetupOptions.h"

namespace {

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
    return text;
}

} // namespace

SetupOptions parseSetupOptions(const std::vector<std::wstring>& arguments,
                               const std::wstring& tail) {
    SetupOptions options;
    for (const std::wstring& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) {
            options.unknown = argument;
            return options;
        }
        const std::wstring name = upper(argument.substr(1));
        if (name == L"S" || name == L"SILENT") {
            options.unattended = true;
        } else if (name == L"INVERT") {
            options.invertLog = true;
        } else if (name.compare(0, 2, L"D=") == 0) {
            // The folder is the rest of the command line, as it was typed.
            const std::wstring upperTail = upper(tail);
            std::size_t at = upperTail.rfind(L"/D=");
            const std::size_t dash = upperTail.rfind(L"-D=");
            if (at == std::wstring::npos || (dash != std::wstring::npos && dash > at))
                at = dash;
            std::wstring folder =
                at == std::wstring::npos ? argument.substr(3) : tail.substr(at + 3);
            while (!folder.empty() && (folder.back() == L' ' || folder.back() == L'\t'))
                folder.pop_back();
            if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
                folder = folder.substr(1, folder.size() - 2);
            // The whole option in quotes, "/D=C:\Programme\Glossar Ü", as shells write it.
            else if (at != std::wstring::npos && at > 0 && tail[at - 1] == L'"' &&
                     !folder.empty() && folder.back() == L'"')
                folder.pop_back();
            options.destination = folder;
            return options;
        } else {
            options.unknown = argument;
            return options;
        }
    }
    return options;
}
