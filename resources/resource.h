// Resource numbers of the player, grouped by dialog.
#pragma once

// ---- icons
#define IDI_QUORLIN            100   // program icon
#define IDI_HISTORY_PINNED     101   // history list: pinned folder
#define IDI_HISTORY_UNPINNED   102   // history list: folder not pinned

// ---- dialogs
#define IDD_FOLDER_SELECT      1000
#define IDD_KEYHELP_PAGE       1001
#define IDD_PROGRAM_PAGE       1002
#define IDD_PROGRAM_ENTRY      1003
#define IDD_SETTINGS_PAGE1     1004
#define IDD_HISTORY            1005
#define IDD_SETTINGS_PAGE2     1006
#define IDD_SETTINGS_PAGE3     1007

// ---- buttons
#define IDC_FOLDER_CHANGE      1100  // page 1 "フォルダ変更"
#define IDC_HISTORY_OPEN       1101  // page 1 "履歴参照"
#define IDC_PROGRAM_NEW        1102
#define IDC_PROGRAM_EDIT       1103
#define IDC_PROGRAM_UP         1104
#define IDC_PROGRAM_DOWN       1105
#define IDC_PROGRAM_DELETE     1106
#define IDC_HISTORY_PIN        1107
#define IDC_HISTORY_UP         1108
#define IDC_HISTORY_DOWN       1109
#define IDC_HISTORY_DELETE     1110
#define IDC_FOLDER_BROWSE      1111  // folder selection "フォルダ参照"
#define IDC_ENTRY_BROWSE       1112  // program entry "変更"

// ---- edit boxes
#define IDC_DIRNAME            1200
#define IDC_EXTENSIONS         1201
#define IDC_SIZE_PERCENT       1202
#define IDC_ASPECT_RATIO_X     1203
#define IDC_ASPECT_RATIO_Y     1204
#define IDC_INTRO_START        1205
#define IDC_INTRO_END          1206
#define IDC_SKIP_NUMBER        1207
#define IDC_SKIP_TIME          1208
#define IDC_SKIP_PLAY_TIME     1209
#define IDC_SEEKTIME1          1210
#define IDC_SEEKTIME2          1211
#define IDC_SEEKTIME3          1212
#define IDC_SEEKTIME4          1213
#define IDC_END_PLAY_TIME      1214
#define IDC_AUDIO_SELECT       1215
#define IDC_DISP_FONTSIZE      1216
#define IDC_PLAYLIST_FONTSIZE  1217
#define IDC_MOUSE_WIDTH        1218
#define IDC_ENTRY_PATH         1219
#define IDC_ENTRY_START        1220
#define IDC_ENTRY_END          1221

// ---- up-down controls (each attached to the edit box 100 below it)
#define IDC_SIZE_PERCENT_SPIN  1300
#define IDC_ASPECT_X_SPIN      1301
#define IDC_ASPECT_Y_SPIN      1302
#define IDC_INTRO_START_SPIN   1303
#define IDC_INTRO_END_SPIN     1304
#define IDC_SKIP_NUMBER_SPIN   1305
#define IDC_SKIP_TIME_SPIN     1306
#define IDC_SKIP_PLAY_SPIN     1307
#define IDC_SEEKTIME1_SPIN     1308
#define IDC_SEEKTIME2_SPIN     1309
#define IDC_SEEKTIME3_SPIN     1310
#define IDC_SEEKTIME4_SPIN     1311
#define IDC_END_PLAY_SPIN      1312
#define IDC_AUDIO_SELECT_SPIN  1313
#define IDC_DISP_FONTSIZE_SPIN 1314
#define IDC_PLAYLIST_FONT_SPIN 1315
#define IDC_MOUSE_WIDTH_SPIN   1316
#define IDC_ENTRY_START_SPIN   1317
#define IDC_ENTRY_END_SPIN     1318

// ---- check boxes
#define IDC_FILELOOP           1400
#define IDC_RANDOM             1401
#define IDC_DESCENDING         1402
#define IDC_CONTINUOUS_PLAY    1403
#define IDC_SPECIFY_SIZE       1404
#define IDC_CHANGE_RESOLUTION  1405
#define IDC_EXPAND             1406
#define IDC_BITSPERPEL_UNCHANGE 1407
#define IDC_FIXED_VGA          1408
#define IDC_INTRO_PLAY         1409
#define IDC_AUDIO_DISP_PRIORITY 1410
#define IDC_MUTE               1411
#define IDC_DISP_FILENAME      1412
#define IDC_DISP_RESOSIZE      1413
#define IDC_DISP_VIDEOSIZE     1414
#define IDC_PLAYLIST_LEFTSIDE  1415
#define IDC_FOLDER_SELECT_START 1416
#define IDC_IGNOREMOUSE        1417
#define IDC_MONITOR_POWER      1418
#define IDC_PROGRAM_PLAY1      1419  // page 1
#define IDC_PROGRAM_PLAY2      1420  // program page
#define IDC_PROGRAM_CHOOSE     1421  // folder selection "プログラム"
#define IDC_ENTRY_HAS_START    1422
#define IDC_ENTRY_HAS_END      1423

// ---- radio buttons
#define IDC_ASPECT_FILE        1500
#define IDC_ASPECT_4_3         1501
#define IDC_ASPECT_16_9        1502
#define IDC_ASPECT_GIVEN       1503
#define IDC_SKIP_OFF           1504
#define IDC_SKIP_BY_NUMBER     1505
#define IDC_SKIP_BY_TIME       1506
#define IDC_PLAYLIST_HIDDEN    1507
#define IDC_PLAYLIST_QUARTER   1508
#define IDC_PLAYLIST_HALF      1509
#define IDC_PLAYLIST_3QUARTERS 1510
#define IDC_PLAYLIST_FULL      1511

// ---- list views
#define IDC_PROGRAM_LIST       1600
#define IDC_HISTORY_LIST       1601

// ---- drop-down lists
#define IDC_PLAY_MONITOR       1800  // page 3: the monitor the video plays on

// ---- empty group boxes: key table origin and the help panes
#define IDC_KEYHELP_FRAME      1700
#define IDC_PANE_PROGRAM       1701
#define IDC_PANE_PAGE1         1702
#define IDC_PANE_PAGE2         1703
#define IDC_PANE_PAGE3         1704

// ---- string tables
#define IDS_HELP_FIRST         40000  // page help texts 40000..40043
#define IDS_TIP_FIRST          40100  // dialog tooltips 40100..40117
#define IDS_KEYHELP_TITLE      40200
#define IDS_KEYHELP_NAME_FIRST 40201  // key names 40201..40220
#define IDS_KEYHELP_DESC_FIRST 40301  // descriptions 40301..40320
