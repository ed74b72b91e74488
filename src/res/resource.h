#pragma once
// Resource ids of Quillpad.exe: dialog templates, their controls, strings and icons.
// The numbers are part of the program's interface (the ui tests and the help refer to
// them), so they never change once given.

// Icons: the program's, then the service log's status icons.
#define IDI_QUILLPAD 99
#define IDI_OUTBOX_STATUS1 100
#define IDI_OUTBOX_STATUS2 101
#define IDI_OUTBOX_STATUS3 102
#define IDI_OUTBOX_UNKNOWN 103

// Dialog templates.
#define IDD_STATUS 100
#define IDD_CONNECTION 101
#define IDD_HISTORY 106
#define IDD_CREATE_PASS 107
#define IDD_CHANGE_PASS 108
#define IDD_REMOVE_PASS 109

// Status page controls.
#define IDC_BATTERY 100
#define IDC_PEN_HISTORY 101

// Connection page controls.
#define IDC_CHANGE_PASS 102
#define IDC_CREATE_PASS 103
#define IDC_DOCK_SEND 148
#define IDC_DOCK_ASK 149
#define IDC_DOCK_MANUAL 150
#define IDC_INTERNET_ONLY 151
#define IDC_STATUS_ICON 152
#define IDC_INTERNET_GROUP 163
#define IDC_INTERNET_TEXT 164

// Password dialog controls.
#define IDC_CURRENT_PASS 130
#define IDC_NEW_PASS 131
#define IDC_CONFIRM_PASS 132
#define IDC_PASS_HINT 146
#define IDC_HINT_LINE 147

// Service log window controls.
#define IDC_HISTORY_LIST 101
#define IDC_REMOVE_ITEM 144
#define IDC_HISTORY_GROUP 165

// Strings.
#define IDS_UNEXPECTED_ERROR 102
#define IDS_NO_PEN 103
#define IDS_BATTERY 104
#define IDS_CREATE_PASS 107
#define IDS_REMOVE_PASS 108
#define IDS_HINT_LINE 113
#define IDS_COLUMN_SERVICE 127
#define IDS_COLUMN_DATE 128
#define IDS_COLUMN_URL 129
#define IDS_COLUMN_MESSAGE 130
#define IDS_REMOVE_CAPTION 136
#define IDS_REMOVE_QUESTION 137
#define IDS_SERVICE_INTERNET 144
#define IDS_SERVICE_LOCAL 145
#define IDS_CHANGE_PASS_CAPTION 146
#define IDS_CHANGE_PASS_WRONG 147
#define IDS_REMOVE_PASS_CAPTION 149
#define IDS_REMOVE_PASS_WRONG 150
#define IDS_INVALID_CAPTION 153
#define IDS_INVALID_INPUT 154
#define IDS_ERROR_UNEXPECTED 200
#define IDS_ERROR_SERVER_CONNECTION 201
#define IDS_ERROR_SERVICE_NOT_FOUND 202
#define IDS_ERROR_PEN_BLOCKED 203
#define IDS_ERROR_ENCRYPTION 204
#define IDS_ERROR_SERVER_BUSY 205
#define IDS_ERROR_PEN_UNKNOWN 206
#define IDS_ERROR_BAD_ANSWER 207
#define IDS_ERROR_SERVICE_BLOCKED 208
#define IDS_ERROR_SERVICE_INACTIVE 209
#define IDS_ERROR_PEN_NOT_ACTIVATED 210
#define IDS_ERROR_PEN_NOT_AUTHORIZED 211
#define IDS_ERROR_PAPER_BLOCKED 212
#define IDS_ERROR_OTHER_SERVER 213
#define IDS_ERROR_PEN_RESET 214
#define IDS_ERROR_SERVICE_CONNECTION 215
#define IDS_ERROR_DISK_FULL 216
#define IDS_ERROR_INTERNET 217
#define IDS_ERROR_NEWER_FILES 218
#define IDS_ERROR_SAVE_PEN_DATA 219
#define IDS_ERROR_OUT_OF_MEMORY 220
#define IDS_SHEET_CAPTION 57344

// Strings of our own: telling the user what Apply or OK could not save, and the names
// of the values the pages report.
#define IDS_WRITE_FAILED 300
#define IDS_VALUE_DOCK_ACTION 310
#define IDS_VALUE_INTERNET_ONLY 311
#define IDS_VALUE_STATUS_ICON 312
