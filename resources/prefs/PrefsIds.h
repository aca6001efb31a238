// Resource and control numbers of the configuration program, shared by its resource script and code.
#pragma once

// The three dialogs with a Help button: IDD_PREFS, IDD_NEW_COMMAND, IDD_INSERT_ATTRIBUTE.
#include "PrefsDialogIds.h"

#define IDD_ABOUTBOX 100
#define IDI_PROGRAM 128
#define IDI_FOLDER_MARK 129
#define IDI_SUBMENU_MARK 131
#define IDI_PROBLEM 139

// The system menu's About entry.
#define IDM_ABOUTBOX 16

// The configuration dialog.
#define IDC_COMMAND_LIST 1000
#define IDC_MOVE_UP 1002
#define IDC_MOVE_DOWN 1003
#define IDC_DELETE 1004
#define IDC_TYPE 1005
#define IDC_NAME 1006
#define IDC_ADD_COMMAND 1007
#define IDC_ITEM_FORMAT 1011
#define IDC_START_TEXT 1012
#define IDC_END_TEXT 1013
#define IDC_ITEM_SEPARATOR 1014
#define IDC_SEPARATOR_LIST 1016
#define IDC_START_TEXT_LIST 1017
#define IDC_END_TEXT_LIST 1018
#define IDC_INSERT 1019
#define IDC_ITEM_FORMAT_LABEL 1021
#define IDC_ITEM_SEPARATOR_LABEL 1022
#define IDC_START_TEXT_LABEL 1023
#define IDC_END_TEXT_LABEL 1024
#define IDC_SELECTED_GROUP 1025
#define IDC_PROBLEM 1039
#define IDC_NEWLINE_AT_END 1040
#define IDC_RESET 1041
// The description panel, created when the dialog opens.
#define IDC_DESCRIPTION_GROUP 1042
#define IDC_DESCRIPTION 1043
#define IDC_LIST_LABEL 1044
#define IDC_TYPE_LABEL 1045
#define IDC_NAME_LABEL 1046
// The item format's problems, under the fields.
#define IDC_PROBLEM_TEXT 1047
#define IDC_HELP_BUTTON 57670
// The list's context menu (Shift+F10, the context-menu key, a right click): its entries bear the
// numbers of the buttons they stand for.
#define IDR_LIST_MENU 140

// The New Command dialog.
#define IDC_NEW_TYPE 1050
#define IDC_NEW_DESCRIPTION 1051

// The Insert File/Folder Attribute dialog: the five radio buttons in row order, the six lists, the
// text to insert.
#define IDC_ROW_NAME 1060
#define IDC_ROW_PATH 1061
#define IDC_ROW_TYPE 1062
#define IDC_ROW_SIZE 1063
#define IDC_ROW_DATE 1064
#define IDC_NAME_FORM 1070
#define IDC_PATH_SEPARATOR 1071
#define IDC_PATH_FORM 1072
#define IDC_SIZE_UNIT 1073
#define IDC_DATE_STAMP 1074
#define IDC_DATE_FORM 1075
#define IDC_TEXT_TO_INSERT 1076
#define IDC_ABOUT_VERSION 1080
#define IDC_ABOUT_COPYRIGHT 1081
#define IDC_ABOUT_ICON 1082
#define IDC_FIRST_MENU 1083
#define IDC_KEEP_LOG 1084
