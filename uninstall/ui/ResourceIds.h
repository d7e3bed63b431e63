#pragma once

// Every resource, control, command and custom message of uninstall.exe; shared by the code
// and the resource script, so plain defines.

// Dialogs, menu, icon, bitmaps
#define IDD_PROGRESS 146    // removal in progress, with stage marks and the bar
#define IDD_CONFIRM 159     // "remove the product?"
#define IDD_SHARED_FILE 167 // "remove this shared file?"
#define IDD_DETAILS 168     // items that could not be removed
#define IDM_MAIN 156        // menu of the hidden application window
#define IDI_UNINSTALL 164   // program icon
#define IDB_SIDE 134        // picture on the left of dialog 146
#define IDB_CHECK 163       // check mark of a finished stage

// Controls
#define IDC_DETAILS 1003
#define IDC_DETAILS_TEXT 1005
#define IDC_TEXT 1009
#define IDC_STAGE_SHARED 1010
#define IDC_STAGE_STANDARD 1011
#define IDC_STAGE_FILES 1012
#define IDC_STAGE_FOLDERS 1013
#define IDC_STAGE_DIRECTORIES 1014
#define IDC_QUESTION_ICON 1015
#define IDC_MARK_SHARED 1020
#define IDC_MARK_STANDARD 1021
#define IDC_MARK_FILES 1022
#define IDC_MARK_FOLDERS 1023
#define IDC_MARK_DIRECTORIES 1024
#define IDC_MARK_REGISTRY 1025
#define IDC_OK 1047
#define IDC_STAGE_REGISTRY 1054
#define IDC_ANSWER_YES 1059
#define IDC_ANSWER_NO 1060
#define IDC_ANSWER_YES_TO_ALL 1061
#define IDC_ANSWER_NO_TO_ALL 1062
#define IDC_PROGRESS 1062
#define IDC_STATUS 1063

// Messages of the application window (at or above WM_USER, they arrive as commands)
#define MSG_CONFIRM 1030 // posted once at start: ask whether to remove the product
#define MSG_REMOVE 1031  // end value of "&Yes": run the progress dialog
#define MSG_CLOSE 1032   // end value of "&No" and of OK: close the window and end the run

// Commands from the worker to dialog 146
#define CMD_SET_STEP 1033         // set the bar's step to the command's notification code
#define CMD_SHARED_DONE 1034      // shared files done
#define CMD_STANDARD_DONE 1035    // standard files done
#define CMD_FILES_DONE 1036       // folder items done
#define CMD_FOLDERS_DONE 1037     // program folders done
#define CMD_DIRECTORIES_DONE 1038 // program directories done
#define CMD_REGISTRY_DONE 1039    // registry entries done
#define CMD_FINISHED 1040         // posted last: the sequence ran to its end
#define CMD_ABORTED 1041          // posted when the sequence ended early by an error

// Menu commands
#define IDM_EXIT 32775
#define IDM_UNDO 32776
#define IDM_REDO 32777
#define IDM_CUT 32778
#define IDM_COPY 32779
#define IDM_PASTE 32780
#define IDM_DELETE 32781
