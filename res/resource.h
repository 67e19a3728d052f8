// Resource ids shared by res/launcher.rc and the C++ sources.
// Plain #defines only: this file goes through the resource compiler too.
#ifndef XCJY_RES_RESOURCE_H
#define XCJY_RES_RESOURCE_H

// Dialog templates
#define IDD_MAIN                102
#define IDD_LINKBAR             127
#define IDD_UPDATE_PROGRESS     129
#define IDD_SETTINGS            139
#define IDD_LOGIN               140
#define IDD_GAMEPAGE            144
#define IDD_NOTICE              147
#define IDD_DOWNLOAD            158
#define IDD_MSGBOX              163

// The local page shown instead of the browser's error pages (type HTML). The
// rc file names it by this number as text, as "res://<exe>/<id>" addresses it.
#define IDR_ERROR_PAGE          201

// Application icon
#define IDI_APP                 128

// Skin images, resource type "PNG"
#define IDB_MAIN_BK             131
#define IDB_CAPT_CLOSE          132
#define IDB_CAPT_MAX            133
#define IDB_CAPT_MIN            134
#define IDB_CAPT_RESTORE        135
#define IDB_BTN_HIDE            137
#define IDB_BTN_SYSTEM          138
#define IDB_LOGIN_BK            141
#define IDB_TAB                 142
#define IDB_TAB_CLOSE           143
#define IDB_ADD_ACCOUNT         146
#define IDB_NOTICE_BK_PICTEXT   148
#define IDB_NOTICE_CLOSE        149
#define IDB_NOTICE_CLOSE_TEXT   150
#define IDB_NOTICE_BK_PIC       151
#define IDB_NOTICE_BK_TEXT      152
#define IDB_SOUND_ON            156
#define IDB_SOUND_OFF           157
#define IDB_HALL_OFF            159
#define IDB_HALL_ON             160
#define IDB_PROGRESS_TRACK      161
#define IDB_PROGRESS_FILL       162
#define IDB_SMALL_BK            164
#define IDB_SMALL_BTN           165
#define IDB_LINK_CLOSE          167
#define IDB_LINK_MIN            168
#define IDB_LINK_SITE           169
#define IDB_LINK_RECHARGE       170
#define IDB_LINK_SERVICE        171
#define IDB_LINK_FORUM          172

// Controls of the main window (IDD_MAIN)
#define IDC_BTN_SYSTEM          1000
#define IDC_BTN_HIDE            1002
#define IDC_TAB_PAGES           1011
#define IDC_ST_ADD_ACCOUNT      1012
#define IDC_ST_HALL             1013
#define IDC_BTN_MUTE            1022
#define IDC_BTN_HALL            1025

// Update progress dialog (IDD_UPDATE_PROGRESS)
#define IDC_PROGRESS_UPDATE     1001

// Settings dialog (IDD_SETTINGS); its OK and Cancel are IDOK and IDCANCEL
#define IDC_EDIT_BOSSKEY        1003
#define IDC_ST_BOSSKEY_PROMPT   1004
#define IDC_ST_BOSSKEY_EXAMPLE  1005
#define IDC_GRP_BOSSKEY         1006

// Pop-up notice (IDD_NOTICE); the five body lines are consecutive
#define IDC_ST_PICTURE          1014
#define IDC_ST_TITLE            1015
#define IDC_ST_LINE1            1016
#define IDC_ST_LINE2            1017
#define IDC_ST_LINE3            1018
#define IDC_ST_LINE4            1019
#define IDC_ST_LINE5            1020
#define IDC_ST_MORE             1021

// Game client download dialog (IDD_DOWNLOAD); its OK and Cancel are IDOK and IDCANCEL
#define IDC_PROGRESS_DOWNLOAD   1024
#define IDC_ST_DOWNLOAD_STATUS  1026

// Link bar (IDD_LINKBAR)
#define IDC_BTN_LINK_CLOSE      1027
#define IDC_BTN_LINK_MIN        1028
#define IDC_BTN_LINK_SITE       1029
#define IDC_BTN_LINK_RECHARGE   1030
#define IDC_BTN_LINK_SERVICE    1031
#define IDC_BTN_LINK_FORUM      1032

#endif
