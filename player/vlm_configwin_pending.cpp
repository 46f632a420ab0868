// Least forms of the configuration dialogs that are still being built. Each
// section goes when its own file takes over.
#include "vlm_configwin.h"
#include "Quorlin.h"
#include "resource.h"
#include "vlm_global.h"
#include "vlm_util.h"

// ---- vlm_configwin_program.cpp

INT_PTR CALLBACK ProgramPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FALSE;
}

// ---- vlm_configwin_tips.cpp

HWND AttachDialogTips(int dialogNumber, HWND dialog)
{
    return NULL;
}

// ---- vlm_configwin_folder.cpp: the folder selection dialog in its least
// form: the folder is typed into a text box (history list, browser and
// program play come later).

int BrowseForFolder(HWND owner, char* path)
{
    return 0;
}

int HistoryDialog(HWND owner)
{
    return 2;
}

static INT_PTR CALLBACK FolderSelectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        // The dialog manager focuses the text box with its text selected, so
        // typing replaces the folder.
        SetDlgItemTextA(dialog, 1150, Settings.DirName);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            char folder[VLM_PATH_CHARS];
            GetDlgItemTextA(dialog, 1150, folder, VLM_PATH_CHARS);
            TrimTrailingBackslashes(folder);
            if (folder[0] == '\0') {
                MessageBoxA(dialog, "項目が選択されていません。", NULL, MB_OK);
                return TRUE;
            }
            Settings.ProgramPlay = FALSE;
            lstrcpynA(Settings.DirName, folder, VLM_PATH_CHARS);
            SaveFolderState(1, 1, 1, 0, 1);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 2);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

int FolderSelectDialog(HWND owner)
{
    INT_PTR result = DialogBoxParamA(Settings.Instance, MAKEINTRESOURCEA(IDD_FOLDER_SELECT), owner,
                                     FolderSelectProc, 0);
    return result == 1 ? 1 : 2;
}
