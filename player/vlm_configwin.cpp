// Configuration property sheet and the folder selection dialog.
#include "vlm_configwin.h"
#include "Quorlin.h"
#include "resource.h"
#include "vlm_global.h"
#include "vlm_util.h"

// The property sheet is not built yet: configuration mode loads the settings
// (creating the file when missing) and ends.
int ShowConfigurationSheet()
{
    return 0;
}

// ---- folder selection dialog, in its least form: the folder is typed into
// a text box (history list, browser and program play come later).

static INT_PTR CALLBACK FolderSelectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        // The dialog manager focuses the text box with its text selected, so
        // typing replaces the folder.
        SetDlgItemTextA(dialog, IDC_FOLDER_TEXT, Settings.DirName);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            char folder[VLM_PATH_CHARS];
            GetDlgItemTextA(dialog, IDC_FOLDER_TEXT, folder, VLM_PATH_CHARS);
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
