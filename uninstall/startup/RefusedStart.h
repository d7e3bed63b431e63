#pragma once

#include "engine/UninstallReport.h"

#include <string>

// A start refused before anything was changed, told where whoever started the run looks for
// it. Interactive: a box with `boxText`. Unattended, where nothing is ever shown: a "Start"
// line in the report when one is open; else the system's Application event log, and standard
// error when the tool that started the run attached one.
// `item` and `why` are in the ANSI code page; `boxText` is whole, in any script.
void tellRefusedStart(UninstallReport& report, const std::string& item, const std::string& why,
                      const std::wstring& boxText);
// The same for an item named in UTF-16 (an option as typed, a report path in any script).
void tellRefusedStart(UninstallReport& report, const std::wstring& item, const std::string& why,
                      const std::wstring& boxText);
// The same with the reason in UTF-16 too (one that names an account in any script).
void tellRefusedStart(UninstallReport& report, const std::wstring& item, const std::wstring& why,
                      const std::wstring& boxText);

// An item the start found and left alone, told as a refusal is told unattended (the event log,
// and standard error when there is one) in every run: nothing else reads it before the report.
void tellKeptAtStart(const std::wstring& item, const std::string& why);
