#pragma once

#include <string>
#include <vector>

// Every file that belongs to the product or to this run: the setup log, the files its file
// sections name, the program file the user started and its temporary copy. Nothing of the
// uninstaller's own may be overwritten by what it writes, such as its report. A log that
// cannot be read adds only itself.
std::vector<std::string> productFiles(const std::string& original, const std::string& copy);
