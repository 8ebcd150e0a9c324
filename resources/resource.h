// Resource identifiers shared by the resource script and the game's code.
#pragma once

// Strings
#define IDS_APP_TITLE 1
#define IDS_APP_CLASS 3
#define IDS_CAP_ABOUT 40011
#define IDS_CAP_OPTIONS 40014
#define IDS_CAP_NEW 40016
#define IDS_CAP_EMPTY 40017
// The spots of the key map, as the player's key file names them
#define IDS_SPOT_CHIP5 40020
#define IDS_SPOT_CHIP10 40021
#define IDS_SPOT_CHIP25 40022
#define IDS_SPOT_CHIP100 40023
#define IDS_SPOT_CHIP500 40024
#define IDS_SPOT_DEAL 40025
#define IDS_SPOT_HIT 40026
#define IDS_SPOT_STAND 40027
#define IDS_SPOT_DOUBLE 40028
#define IDS_SPOT_CLEAR 40029

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

// Pictures, 96-dpi set
#define IDB_CLUBS_96 118
#define IDB_DIAMONDS_96 120
#define IDB_HEARTS_96 121
#define IDB_SPADES_96 122
#define IDB_BUTTONS_PORTRAIT_96 124
#define IDB_TABLE_PORTRAIT_96 126
#define IDB_CARD_BACK_96 127
#define IDB_CHIPS_PORTRAIT_96 128
#define IDB_BUTTONS_LANDSCAPE_96 140
#define IDB_CHIPS_LANDSCAPE_96 141
#define IDB_TABLE_LANDSCAPE_96 142

// Pictures, 192-dpi set
#define IDB_CLUBS_192 132
#define IDB_DIAMONDS_192 133
#define IDB_HEARTS_192 134
#define IDB_SPADES_192 135
#define IDB_BUTTONS_PORTRAIT_192 136
#define IDB_CARD_BACK_192 137
#define IDB_CHIPS_PORTRAIT_192 138
#define IDB_TABLE_PORTRAIT_192 139
#define IDB_BUTTONS_LANDSCAPE_192 143
#define IDB_CHIPS_LANDSCAPE_192 144
#define IDB_TABLE_LANDSCAPE_192 145
