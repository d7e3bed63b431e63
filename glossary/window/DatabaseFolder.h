#pragma once

#include <string>

// Where the dialogs that choose a database (Open, Add database) start: the folder a database
// was last chosen from, else the folder of `shown`, else the user's Documents; never the
// current directory, which for a program started from a shortcut or by another program means
// nothing to the reader.
std::wstring databaseDialogFolder(const std::wstring& shown);

// Keeps the folder of `chosen` for the next dialog: this run, and per user for the next runs
// when `mayWrite` (the product's settings may still be written).
void rememberDatabaseFolder(const std::wstring& chosen, bool mayWrite);
