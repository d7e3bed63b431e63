// Any bytes as setup's arguments (UTF-16 code units, separated by zero units; the raw command
// line is they joined by blanks): no crash, no read outside the text.
#include "SetupOptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    std::vector<std::wstring> arguments(1);
    for (const wchar_t c : text) {
        if (c == L'\0')
            arguments.emplace_back();
        else
            arguments.back() += c;
    }
    std::wstring tail;
    for (const std::wstring& argument : arguments)
        tail += (tail.empty() ? L"" : L" ") + argument;
    const SetupOptions options = parseSetupOptions(arguments, tail);
    // The folder is taken from the command line as typed, never made up.
    if (options.destination.size() > tail.size())
        std::abort();
    return 0;
}
