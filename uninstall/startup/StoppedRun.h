#pragma once

class UninstallReport;

// True when a stopped run left a journal that cannot be read or is not this product's: the
// reason is shown in a box, or noted in the report of an unattended run, and nothing is to
// be removed, since no one can tell which use counts were given back already.
bool refuseForeignJournal(UninstallReport& report);
