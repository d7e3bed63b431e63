#pragma once

#include <string>

// Versions as "1.3" or "2.10.1": numbers separated by dots, compared number by number (a
// missing number counts as 0), never as text, where "1.10" would come before "1.3". Portable.

// Below 0 when `a` is older than `b`, 0 when they are the same version, above 0 when newer.
// A text that is not such a version (empty, letters, a number too long) is not comparable.
int compareVersions(const std::wstring& a, const std::wstring& b);

// Whether `text` is a version that compareVersions orders.
bool isVersion(const std::wstring& text);
