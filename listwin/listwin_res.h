// Resource identifiers of the list window and the preview (range 2000-2999).
#pragma once

#define IDR_LIST_MENU 2000
#define IDR_LIST_POPUP 2001
#define IDR_LIST_ACCEL 2002

// The window icon and the tool-bar images, in image-list order after the window icon.
#define IDI_LIST_WINDOW 2010
#define IDI_LIST_ADD 2011
#define IDI_LIST_ERASE 2012
#define IDI_LIST_PREVIEW 2013
#define IDI_LIST_HELP 2014
#define IDI_LIST_CENTER 2015
#define IDI_LIST_TILE 2016
#define IDI_LIST_SCREEN 2017

// Commands, one per action. The status-bar hint of a command is the string with the same number.
#define IDM_FILE_CHANGE 2101
#define IDM_FILE_PREVIEW 2102
#define IDM_FILE_REFRESH 2103
#define IDM_FILE_CLOSE 2104
#define IDM_EDIT_ADD 2105
#define IDM_EDIT_NOW 2106
#define IDM_EDIT_CENTER 2107
#define IDM_EDIT_TILE 2108
#define IDM_EDIT_SCREEN 2109
#define IDM_EDIT_YET 2110
#define IDM_EDIT_ALREADY 2111
#define IDM_EDIT_SELECT_ALL 2112
#define IDM_EDIT_ERASE 2113
#define IDM_HELP_CONTENTS 2114
#define IDM_HELP_COMMAND 2115

// Child windows of the list window.
#define IDC_LIST_TOOLBAR 2201
#define IDC_LIST_VIEW 2202
#define IDC_LIST_STATUS 2203
