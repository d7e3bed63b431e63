#pragma once

#include <string>
#include <vector>

// The program's command line read as Unicode and split as the C runtime splits it. The runtime's
// own ANSI copy turns what the code page cannot hold into '?' ("/LOG=C:\Логи\u.txt" became
// "C:\????\u.txt"), so each argument is kept twice: in the ANSI code page, for the paths the
// relay writes (which come from the system's ANSI functions), and in UTF-8, for the options.
class CommandLine {
public:
    CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    int count() const { return static_cast<int>(ansi_.size()); }
    char** ansi() { return ansiPointers_.data(); }
    char** utf8() { return utf8Pointers_.data(); }

private:
    std::vector<std::string> ansi_, utf8_;
    // Each ends with a null pointer, as the runtime's vector does.
    std::vector<char*> ansiPointers_, utf8Pointers_;
};
