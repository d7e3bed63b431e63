#include "CommandLine.h"

#include "base/SystemErrorText.h"
#include "win32/Handles.h"

#include <shellapi.h>
#include <windows.h>

CommandLine::CommandLine() {
    int count = 0;
    const win32::LocalMemory<wchar_t**> parts(CommandLineToArgvW(GetCommandLineW(), &count));
    for (int i = 0; parts && i < count; ++i) {
        ansi_.push_back(wideToAnsi(parts.get()[i]));
        utf8_.push_back(wideToUtf8(parts.get()[i]));
    }
    for (std::size_t i = 0; i < ansi_.size(); ++i) {
        ansiPointers_.push_back(&ansi_[i][0]);
        utf8Pointers_.push_back(&utf8_[i][0]);
    }
    ansiPointers_.push_back(nullptr);
    utf8Pointers_.push_back(nullptr);
}
