#pragma once

#include <string>

// Use counts of shared files under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs.

// The file has no count: the key opened and holds no value of that name. Only then may the
// file go without asking.
constexpr int kNoCount = -1;
// The count cannot be used: the key is missing or cannot be opened with the rights needed, the
// value cannot be read, is not 4 bytes of REG_DWORD or REG_BINARY, or the count is above
// 0x7FFFFFFF. Nothing is written, the file stays and its server stays registered: an unusable
// count is no proof that nobody uses the file.
constexpr int kCountUnusable = -2;

// A value of this type and length can hold a use count.
bool isUsableCount(unsigned long type, unsigned long length);

// Releases one use: kNoCount or kCountUnusable (nothing written), 0 when no use is left
// (a count of 0 stays 0), n > 0 when n uses remain. The count keeps its type.
int releaseSharedFile(const std::string& path);
// The count as it stands, read only: kNoCount, kCountUnusable or the count.
int sharedUseCount(const std::string& path);
// Deletes the file's count; failures are ignored.
void forgetSharedFile(const std::string& path);
// True when the path opens for reading with read sharing (directories included).
bool fileExists(const std::string& path);
