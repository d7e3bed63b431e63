#pragma once

// Control and resource identifiers of the glossary window.
#define IDC_SEARCH 101         // Text1: the search box
#define IDC_TERMS 102          // List1: the term list
#define IDC_PAGE 103           // the page view, in place of the web browser
#define IDC_EXIT 104           // cmdExit
#define IDC_LOGO 105           // Picture1: opens the maker's page
#define IDC_VERSION 106        // the version label
#define IDC_IN_DEFINITIONS 107 // switches the search box to search in definitions
#define IDC_SEARCH_STATUS 108  // what a search found, or how far it has read

#define IDB_LOGO 201      // the logo bitmap
#define IDS_MAKER_URL 301 // the maker's web address, opened by the logo

// The window's own messages and timers (C++ only).
#define MSG_FOLLOW_LINK (WM_APP + 1)         // to the page's window: follow the link chosen
#define MSG_REPORT_LOAD_FAILURE (WM_APP + 2) // say why the named database cannot be read
#define MSG_SEARCH_NEWS (WM_APP + 3)         // the search in definitions has news to take
#define MSG_TAKE_HANDED_OVER (WM_APP + 4)    // act on what another start of the program handed over
#define MSG_DATABASE_READ (WM_APP + 5)       // the terms read on their thread are in
#define MSG_FIRST_TERMS_READ (WM_APP + 6)    // so are the first of them, shown meanwhile
#define MSG_SERVER_NEWS (WM_APP + 20)        // a DICT server answered: its part of the page
#define TIMER_REDRAW_LIST 1                  // draw the list after a burst of keys
#define TIMER_FILL_PAGE 2     // the page's window's: the rest of a long page, while idle
#define TIMER_NO_MATCH_PAGE 3 // the page of a search that found nothing, once typing pauses
#define TIMER_SEARCH_PAGE 4   // the page of the term typing found, once typing pauses
#define TIMER_AWAIT_INDEX 6   // the text typed before the sorted index was in: search it once it is

// The dialog of the dictionaries shown (a database's sources), and the window's button for it.
#define IDC_DICTIONARIES 109  // opens the dialog (also Ctrl+D)
#define IDD_DICTIONARIES 401  // the dialog
#define IDC_SOURCES_LABEL 402 // names the list for the keyboard and screen readers
#define IDC_SOURCES 403       // the sources, each with a check box and its entry count
#define IDC_SOURCES_UP 404    // Move up
#define IDC_SOURCES_DOWN 405  // Move down
#define IDC_SOURCES_NOTE 406  // why nothing can be chosen, or what is missing
#define IDC_SERVER_LABEL 407  // names the address box
#define IDC_SERVER_TEXT 408   // a DICT server's host[:port], typed to add it
#define IDC_SERVER_ADD 409    // Add server
#define IDC_SERVER_REMOVE 410 // Remove: the server or added database of the selected row
#define IDC_DATABASE_ADD 420  // Add database...: a file dialog, its dictionaries join the list

// Groups of dictionaries: the window's list of them, and the dictionaries dialog's section
// that makes them.
#define IDC_GROUP_LABEL 801         // names the window's list of groups
#define IDC_GROUP 802               // the group shown: "All dictionaries", then the groups
#define IDC_GROUPS_LABEL 803        // names the dialog's list of groups
#define IDC_GROUPS 804              // the group being changed in the dialog
#define IDC_GROUP_NAME_LABEL 805    // names the box of a group's name
#define IDC_GROUP_NAME 806          // a name typed for a new group or a group renamed
#define IDC_GROUP_NEW 807           // New group: the name typed
#define IDC_GROUP_RENAME 808        // Rename: the group chosen, to the name typed
#define IDC_GROUP_DELETE 809        // Delete group: the group chosen
#define IDC_GROUP_MEMBERS_LABEL 810 // names the list of the group's dictionaries
#define IDC_GROUP_MEMBERS 811       // every dictionary, checked when in the group
#define IDC_GROUP_NOTE 812          // why a name was refused, or what a group lacks

// The help: the keys and the search's syntax (F1).
#define IDD_HELP 501       // the dialog
#define IDC_HELP_LABEL 502 // names the text for the keyboard and screen readers
#define IDC_HELP_TEXT 503  // the text, read-only, scrolled by the keyboard

// The words looked up (Ctrl+H) and the favourites (Ctrl+Shift+B), each in a dialog.
#define IDD_HISTORY 601            // the words looked up, newest first
#define IDD_FAVOURITES 602         // the favourites, in the reader's order
#define IDC_WORDS_SEARCH_LABEL 603 // names the history's search box
#define IDC_WORDS_SEARCH 604       // shows only the words that hold its text
#define IDC_WORDS_LABEL 605        // names the list for the keyboard and screen readers
#define IDC_WORDS 606              // the words
#define IDC_WORDS_DELETE 607       // Delete (also the Delete key in the list)
#define IDC_WORDS_CLEAR 608        // Clear all
#define IDC_WORDS_UP 609           // Move up
#define IDC_WORDS_DOWN 610         // Move down
#define IDC_WORDS_EXPORT 611       // Export...: the favourites to a text file
#define IDC_WORDS_IMPORT 612       // Import...: words of a text file added
#define IDC_WORDS_NOTE 613         // why the list is empty
#define TIMER_SAVE_HISTORY 5       // the main window's: write the history after a burst of words

// Look-ups from other programs: the popup, the clipboard, the notification icon.
#define IDC_POPUP_PAGE 701            // the popup's page view
#define IDC_POPUP_OPEN 702            // the popup's button: the word in the main window
#define MSG_NOTIFY_ICON (WM_APP + 21) // the notification icon's mouse and keyboard news
#define TIMER_CLIPBOARD_RETRY 20      // the clipboard was still held by its writer: read it again
#define TIMER_POPUP_WATCH 21     // the popup looks for a click elsewhere or another window in front
#define TIMER_POPUP_COMPLETE 22  // the popup's page waits for the terms or the index to be ready
#define TIMER_POPUP_PREPARE 23   // once the program has started: the popup's page controls made
#define HOTKEY_POPUP_ESCAPE 1    // Escape closes the popup while the reader's program has the keys
#define HOTKEY_POPUP_ENTER 2     // Enter opens the popup's word in the main window, likewise
#define HOTKEY_LOOKUP 3          // the reader's own look-up key
#define TIMER_LOOKUP_KEY_COPY 24 // after the look-up key: has the selection's copy come?
#define MSG_LOOKUP_KEY_TAKEN (WM_APP + 22) // say that another program holds the look-up key
#define IDD_LOOKUP_KEY 901                 // the dialog that chooses the look-up key
#define IDC_LOOKUP_KEY_LABEL 902 // names the key's control for the keyboard and screen readers
#define IDC_LOOKUP_KEY 903       // the key combination, as the reader presses it
#define IDC_LOOKUP_KEY_NOTE 904  // why a combination cannot be had, and what to do
// Menu commands of the system menu and the icon's menu (multiples of 16 below 0xF000, as the
// system menu wants them).
#define IDM_LOOKUP_TWICE 0x1010   // look up on Ctrl+C pressed twice
#define IDM_LOOKUP_EVERY 0x1020   // look up every copy
#define IDM_LOOKUP_OFF 0x1030     // no look-ups
#define IDM_KEEP_IN_TRAY 0x1040   // closing the window keeps the icon serving look-ups
#define IDM_START_AT_LOGON 0x1050 // starts in the notification area at log-on
#define IDM_OPEN_WINDOW 0x1060    // the icon's menu: the main window
#define IDM_EXIT 0x1070           // the icon's menu: ends the program
#define IDM_LOOKUP_KEY 0x1080     // look up on a key of the reader's own, chosen in a dialog
