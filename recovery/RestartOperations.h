#pragma once

#include <string>
#include <vector>

class JournalReport;

// Operations waiting for the next restart that would delete or replace what a run installed
// (`installed`: files and folders; an uninstall that left files in use for the restart) are
// taken out, or they would remove the new installation as the system starts; each is told in
// `report` when there is one. Those whose source is in `own` (a run's own replacements of
// files in use) stay. False when they cannot be.
bool takeOutRestartOperations(const std::vector<std::wstring>& installed,
                              const std::vector<std::wstring>& own, JournalReport* report);

// A run that fails takes out its own operations (those whose source is in `own`): nothing of
// it is left for the restart.
void takeOutOwnRestartOperations(const std::vector<std::wstring>& own);
