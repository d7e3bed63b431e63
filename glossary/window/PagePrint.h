#pragma once

#include <windows.h>

#include <string>

// A page to print: its RTF in the colours of paper, the characters chosen (as the page counts
// them; first == last when nothing is selected) and the term that names it.
struct PrintedPage {
    std::string rtf;
    LONG first = 0, last = 0;
    std::wstring term;
};

// Asks for a printer with the system's Print dialog (all of the page, or its selection; to a
// file, whose name a Save dialog asks for) and prints, a sheet at a time. When no printer is
// set up, or printing fails, a box says so and what to do.
void printPage(HWND owner, const PrintedPage& page);
