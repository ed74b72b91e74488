#pragma once
// Resource ids of BareSheet.exe, shared with the tests that drive it.

#define IDD_GENERAL 100
#define IDD_LIST 101

// "General" page.
#define IDC_INTRO 1001
#define IDC_ASK 1002    // opens a yes/no message box
#define IDC_ANSWER 1003 // the box's answer: "Sí" or "No"

// "Lista" page.
#define IDC_NAME 1101
#define IDC_ENABLED 1102
#define IDC_CHOICE 1103
#define IDC_ITEMS 1104
#define IDC_EVENT 1105 // names the last notification the page received
