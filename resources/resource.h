// Resource numbers of the player.
#pragma once

#define IDI_QUORLIN        100
#define IDI_QUORLIN_FOLDER 101
#define IDI_QUORLIN_LIST   102

// Folder selection dialog.
#define IDD_FOLDER_SELECT  1000
#define IDC_FOLDER_TEXT    1150
