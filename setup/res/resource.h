#pragma once

// Resources of the setup program.
#define IDD_SETUP 100
#define IDC_FOLDER 101
#define IDC_BROWSE 102
#define IDC_PROGRESS 103
#define IDC_PROMPT 104
