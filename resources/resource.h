// Resource identifiers shared by the resource script and the game's code.
#pragma once

// Strings
#define IDS_APP_TITLE 1
#define IDS_APP_CLASS 3
#define IDS_CAP_ABOUT 40011
#define IDS_CAP_OPTIONS 40014
#define IDS_CAP_NEW 40016
#define IDS_CAP_EMPTY 40017

// Icon, accelerators, menu bars, dialogs
#define IDI_BLACKJACK 101
#define IDA_BLACKJACK 3
#define IDM_MENUBAR 102
#define IDD_ABOUTBOX 103
#define IDD_OPTIONS 117
#define IDM_DIALOG_MENUBAR 171

// Commands
#define IDM_QUIT 1
#define IDM_SELECT_ALL 40003
#define IDM_EXIT 40007
#define IDM_NEW 40008
#define IDM_ABOUT 40009
#define IDM_OPTIONS 40012
#define IDM_DIALOG_DONE 40018

// Options dialog controls
#define IDC_PLAY_SOUNDS 1004
#define IDC_ONE_DECK 1009
#define IDC_TWO_DECKS 1010
#define IDC_FOUR_DECKS 1011
#define IDC_EIGHT_DECKS 1012
#define IDC_CLEARTYPE 1013
