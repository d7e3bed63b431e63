#pragma once

#include <string>

// The copies a run sets aside (`*.previous`) and the files an undo cannot delete because a
// program runs from them.

// Where a replaced file waits until the run has succeeded.
std::wstring asideName(const std::wstring& path);

// Deletes a copy set aside through one handle that follows no link, its read-only attribute
// cleared first (the deletion at the next restart does not clear it); one that a running
// program still holds goes at the next restart.
void deleteAside(const std::wstring& path);

// True when both files can be read and hold the same bytes: a copy set aside of a file that
// was never replaced need not come back over it.
bool sameContent(const std::wstring& one, const std::wstring& other);

// A file that cannot be deleted because a program runs from it may still be renamed: it goes
// into `folder` (empty: beside itself) under a new name and is deleted at the next restart.
void moveOutOfTheWay(const std::wstring& path, const std::wstring& folder);
