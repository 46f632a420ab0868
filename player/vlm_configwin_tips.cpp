// Tooltips of the history, folder selection and program entry dialogs: one
// table of string id, dialog number and controls drives them all.
#include "vlm_configwin.h"
#include "resource.h"
#include "vlm_global.h"
#include <commctrl.h>

// Groups of tip string id, dialog number, control ids and 0; a 0 string id
// ends the table.
static const int DialogTipTable[] = {
    40100, TipsHistory, IDOK, 0,
    40101, TipsHistory, IDCANCEL, 0,
    40102, TipsHistory, IDC_HISTORY_PIN, 0,
    40103, TipsHistory, IDC_HISTORY_UP, 0,
    40104, TipsHistory, IDC_HISTORY_DOWN, 0,
    40105, TipsHistory, IDC_HISTORY_DELETE, 0,
    40106, TipsFolderSelect, IDOK, 0,
    40107, TipsFolderSelect, IDCANCEL, 0,
    40108, TipsFolderSelect, IDC_FOLDER_BROWSE, 0,
    40109, TipsFolderSelect, IDC_PROGRAM_CHOOSE, 0,
    40110, TipsProgramEntry, IDC_ENTRY_PATH, 0,
    40111, TipsProgramEntry, IDC_ENTRY_BROWSE, 0,
    40112, TipsProgramEntry, IDC_ENTRY_HAS_START, 0,
    40113, TipsProgramEntry, IDC_ENTRY_HAS_END, 0,
    40114, TipsProgramEntry, IDC_ENTRY_START, 0,
    40115, TipsProgramEntry, IDC_ENTRY_END, 0,
    40116, TipsProgramEntry, IDOK, 0,
    40117, TipsProgramEntry, IDCANCEL, 0,
    0,
};

// The tip sits centred below the control; its text is loaded from the
// program's string table when it is shown.
static void AddDialogTip(HWND tips, HWND dialog, int controlId, int stringId)
{
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every common controls version
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS | TTF_CENTERTIP;
    tool.hwnd = dialog;
    tool.uId = (UINT_PTR)control;
    tool.hinst = Settings.Instance;
    tool.lpszText = MAKEINTRESOURCEA(stringId);
    SendMessageA(tips, TTM_ADDTOOLA, 0, (LPARAM)&tool);
}

HWND AttachDialogTips(int dialogNumber, HWND dialog)
{
    HWND tips = CreateWindowExA(0, TOOLTIPS_CLASSA, NULL, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, NULL, Settings.Instance,
                                NULL);
    if (!tips) return NULL;
    const int* group = DialogTipTable;
    while (group[0] != 0) {
        const int* control = group + 2;
        for (; *control != 0; control++)
            if (group[1] == dialogNumber) AddDialogTip(tips, dialog, *control, group[0]);
        group = control + 1;
    }
    // The automatic delay first: it also sets the long visible time, which
    // the two shorter delays after it leave alone.
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(32767, 0));
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(300, 0));
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_RESHOW, MAKELPARAM(300, 0));
    return tips;
}
