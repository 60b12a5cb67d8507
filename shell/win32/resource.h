// Resource and control ids of the Windows desktop program. The dialog
// templates, the icon and the system menu text keep these numbers.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDD_TEST_GRAB 129
#define IDD_ADD_AUDIO_FILES 130
#define IDD_ADD_VIDEO_FILES 131
#define IDD_PROGRESS 132
#define IDD_SPEED_SELECT 133
#define IDD_TRAY 140

// Main window; 1000 is also the speed dialog's list, 1002 the file dialogs'
// "Add Files..." and 1011 their list.
#define IDC_DRIVE_COMBO 1000
#define IDC_FOLDER_EDIT 1001
#define IDC_CHOOSE_FOLDER 1002
#define IDC_BURN_CD 1003
#define IDC_BURN_DVD 1004
#define IDC_AUDIO_RUN 1005
#define IDC_VIDEO_RUN 1006
#define IDC_GRAB_RUN 1007
#define IDC_DISC_INFO 1008
#define IDC_DEVICE_INFO 1009
#define IDC_ORDER 1010
#define IDC_SOURCE_LIST 1011
#define IDC_OUTPUT_EDIT 1012
#define IDC_CHOOSE_OUTPUT 1013
#define IDC_SCAN_STATUS 1030
#define IDC_CANCEL_SCAN 1031
#define IDC_PROGRESS_BAR 1014
#define IDC_PROGRESS_STATUS 1015
#define IDC_TRAY 1016
#define IDC_GRAB_FORMAT 1017
#define IDC_GRAB_BITRATE 1018

// The main window's Jobs menu button; the progress window's result line, its
// button that shows the kept image's folder, and the job's notices.
#define IDC_JOBS 1020
#define IDC_PROGRESS_RESULT 1021
#define IDC_PROGRESS_IMAGE 1022
#define IDC_SOURCE_TOTALS 1023
#define IDC_PROGRESS_NOTICES 1024
// The progress window's Stop, in Open Folder's place while the job runs.
#define IDC_PROGRESS_STOP 1025
// The main window's About button, beside Jobs.
#define IDC_ABOUT 1026
// The file lists' Remove, Move Up and Move Down.
#define IDC_LIST_REMOVE 1027
#define IDC_LIST_MOVE_UP 1028
#define IDC_LIST_MOVE_DOWN 1029

// The speed dialog's "Leave disc open for more sessions" and "Verify written data".
#define IDC_LEAVE_OPEN 1019
#define IDC_VERIFY 1023
#define IDC_SPEED_BURNING 1050

// The audio file dialog's disc-at-once choice and the CD-TEXT it writes.
#define IDC_DISC_AT_ONCE 1040
#define IDC_ALBUM_TITLE 1041
#define IDC_ALBUM_PERFORMER 1042

// The tray dialog.
#define IDC_TRAY_RECORDER 1101
#define IDC_TRAY_CONTENTS 1102
#define IDC_TRAY_INSERT_BLANK 1103
#define IDC_TRAY_BLANK_SIZE 1104
#define IDC_TRAY_INSERT_IMAGE 1105
#define IDC_TRAY_INSERT_LAST 1106
#define IDC_TRAY_EJECT 1107
#define IDC_TRAY_EMPTY 1108
#define IDC_TRAY_BURNED_DISCS 1109
#define IDC_TRAY_NOTE 1110

// The about item of the main window's system menu.
#define IDM_ABOUTBOX 0x0010
// "Burn Image..." of the main window's system menu.
#define IDM_BURN_IMAGE 0x0020
