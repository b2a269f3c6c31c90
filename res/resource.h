// Resource identifiers, shared by the resource script and the code.
#pragma once

#define IDD_MAIN_DIALOG 102
#define IDD_ABOUTBOX 131
#define IDD_CONFIG_DIALOG 132
#define IDR_TRAY_MENU 133
#define IDD_HELP_DIALOG 136
#define IDB_ABOUT_IMAGE 139
#define IDC_ABOUT_PICTURE 139

#define IDC_PATH_EDIT 1017
#define IDC_HOTKEY 1038
#define IDC_SAVE 1041
#define IDC_ABOUT_CLOSE 1042
#define IDC_HELP_CLOSE 1043
#define IDC_CONFIG_CANCEL 1044
#define IDC_FORMAT_COMBO 1045
#define IDC_AUTOSTART_CHECK 1046
#define IDC_AUTOSAVE_CHECK 1047
#define IDC_NOTIFY_CHECK 1048
#define IDC_NAME_FORMAT_EDIT 1049
#define IDC_NAME_PREVIEW 1050
// The folder field's browse button.
#define IDC_BROWSE 1100

#define ID_TRAY_SETTINGS 32775
#define ID_TRAY_ABOUT 32776
#define ID_TRAY_EXIT 32777
#define ID_TRAY_HELP 32781
#define ID_TRAY_OPEN_FOLDER 32782

// Raw resource types: control initialisation records and dialog layouts.
#define RT_DLGINIT_TYPE 240
