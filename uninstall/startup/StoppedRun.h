#pragma once

class UninstallReport;

// True when a stopped run left a journal that cannot be read or is not this product's: the
// reason is shown in a box, or noted in the report of an unattended run, and nothing is to
// be removed, since no one can tell which use counts were given back already.
bool refuseForeignJournal(UninstallReport& report);

// A run of setup that was stopped (its journal in the registry) is finished first, exactly as
// setup's next run would finish it: undone, or completed when it had committed, acting only on
// what the setup log names; each step goes to `report`. True when the run ends here with
// `exitCode`: the stopped run cannot be finished (its journal is unreadable, or in a key that
// others than the administrators may change; the reason is told as a refused start's, and
// nothing is removed: 2), or its undo took the whole product, setup log and all.
bool refuseOrFinishStoppedSetup(UninstallReport& report, int& exitCode);
