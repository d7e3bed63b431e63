#pragma once

#include <string>

// directory + "\" + fileName, with no doubled backslash; an empty directory gives the bare name.
// Only the backslash counts as a separator.
std::string joinPath(const std::string& directory, const std::string& fileName);
