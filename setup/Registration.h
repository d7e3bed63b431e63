#pragma once

#include <string>
#include <vector>

#include <windows.h>

class Journal;
class SetupReport;

// Registers the product in the list of installed programs (HKLM, kUninstallKey) in the
// application folder `directory`, with the folders setup made above it and its size, the
// journal told first so that a failed run puts the key back as it was. Throws InstallError
// when the key cannot be made.
void registerProduct(const std::wstring& directory, const std::vector<std::wstring>& parents,
                     DWORD sizeKb, Journal& journal, SetupReport& report);
