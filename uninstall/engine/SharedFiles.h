#pragma once

#include <string>

// Use counts of shared files under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs.

// Releases one use: -1 when the file has no readable count (nothing written), 0 when no use
// is left, n > 0 when n uses remain.
int releaseSharedFile(const std::string& path);
// Deletes the file's count; failures are ignored.
void forgetSharedFile(const std::string& path);
// True when the path opens for reading with read sharing (directories included).
bool fileExists(const std::string& path);
