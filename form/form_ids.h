#pragma once
// The form's fixed identifiers: child-window ids of its widgets, command ids of its pop-up
// menu items, and the ids of its menu and string resources. Read by the resource compiler as
// well, so plain #define lines only.

// Widgets, by field name. A widget's caption is the string of its own id, its hint the string
// of its id plus IDS_HINT_OFFSET.
#define IDC_COMMANDPANEL 1000
#define IDC_CONNECTBUTTON 1001
#define IDC_BSSKINBEVEL2 1002
#define IDC_BSSKINSPEEDBUTTON3 1003
#define IDC_BSSKINBEVEL3 1004
#define IDC_BSSKINSPEEDBUTTON6 1005
#define IDC_BSSKINBEVEL6 1006
#define IDC_BSSKINSPEEDBUTTON4 1007
#define IDC_BSSKINBEVEL4 1008
#define IDC_BSSKINSPEEDBUTTON2 1009
#define IDC_BSSKINBEVEL5 1010
#define IDC_BSSKINSPEEDBUTTON5 1011
#define IDC_USEPASSIVE 1012
#define IDC_TRACECHECKBOX 1013
#define IDC_CHECKSHARELIST 1014
#define IDC_BSSKINPANEL2 1015
#define IDC_BSSKINBEVEL8 1016
#define IDC_BSSKINPANEL1 1017
#define IDC_BSSKINSPEEDBUTTON1 1018
#define IDC_CURRENTDIREDIT 1019
#define IDC_BSSKINSPEEDBUTTON7 1020
#define IDC_BSSKINBEVEL1 1021
#define IDC_CREATEDIRBUTTON 1022
#define IDC_BSSKINBEVEL7 1023
#define IDC_DELDIRBUTTON 1024
#define IDC_STATUSBAR1 1025
#define IDC_DEBUGLISTBOX 1026
#define IDC_SPLITTER1 1027
#define IDC_PANEL6 1028
#define IDC_BSSKINSCROLLBAR9 1029
#define IDC_LISTVIEWREMOTE 1030
#define IDC_SPLITTER2 1031
#define IDC_PANEL7 1032
#define IDC_BSSKINSPLITTER1 1033
#define IDC_SHARELISTBOX 1034
#define IDC_SPLITTER3 1035
#define IDC_PANEL4 1036
#define IDC_BSSKINSPEEDBUTTON8 1037
#define IDC_BSSKINSPEEDBUTTON9 1038
#define IDC_PROGRESSBAR1 1039

#define IDS_HINT_OFFSET 100

// The remote list's column captions.
#define IDS_COLUMN1 1200
#define IDS_COLUMN2 1201
#define IDS_COLUMN3 1202
#define IDS_COLUMN4 1203

// The pop-up menus: one menu resource whose first pop-up is PopupMenu1 (the remote list's)
// and whose second is PopupMenu3 (the share list's).
#define IDR_POPUPMENUS 200
#define IDM_N13 2000
#define IDM_N14 2001
#define IDM_N15 2002
#define IDM_N16 2003
#define IDM_N17 2004
#define IDM_N19 2006
#define IDM_N20 2007
#define IDM_N21 2008
#define IDM_N1 2009
#define IDM_N3 2011
