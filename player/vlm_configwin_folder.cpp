// Folder browser, folder selection dialog (1000) and history dialog (1005).
// Both dialogs show the folder history in list order, pinned folders marked
// and labelled with the function key that switches to them while the
// screensaver runs. The selection dialog acts on the live history and writes
// the choice at once; the history dialog edits a working copy that replaces
// the live links only on OK.
#include "vlm_configwin.h"
#include "resource.h"
#include "vlm_global.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"
#include <commctrl.h>
#include <shlobj.h>

static const char NoSelectionText[] = "項目が選択されていません。";
static const char WholeHistoryText[] = "履歴の全部は削除はできません。";
static const char NoProgramListText[] = "プログラム再生・ファイルリストがありません。";
static const char BrowseTitle[] = "動画ファイル・サウンドファイルのフォルダを指定してください";

// What sets the two dialogs apart: their open step (giving the result of
// WM_INITDIALOG), OK, the other buttons and the keys the hook passes on.
struct FolderDialogKind {
    BOOL (*open)(HWND dialog);
    void (*ok)(HWND dialog);
    void (*command)(HWND dialog, int id);
    void (*key)(HWND dialog, int key);
};

// State of the one open folder dialog, from WM_INITDIALOG to EndFolderDialog.
static struct {
    HWND dialog;
    const FolderDialogKind* kind;
    HHOOK hook;
    HIMAGELIST images;
    HWND tips;
} FolderDialog;

// ---- key labels and the rows of the history list

void FolderKeyLabel(int n, char* label)
{
    static const char* const forms[] = {"F%d", "F%d+Sh", "F%d+Ct", "F%d+ShCt"};
    label[0] = '\0';
    if (n < 1 || n > VLM_HISTORY_SLOTS) return;
    wsprintfA(label, forms[(n - 1) / 12], (n - 1) % 12 + 1);
}

// Slot shown in row (from 0), -1 past the end.
static int SlotOfRow(int links, int row)
{
    return row < 0 ? -1 : FindSlot(links, NthEntry, 1, -1, row + 1);
}

static int IsPinned(int links, int slot)
{
    return slot >= 0 && HistoryLinksOf(links)->node[slot].pinned != 0;
}

int HistoryRowCount(int links)
{
    int rows = 0;
    for (int s = SlotOfRow(links, 0); s >= 0; s = FindSlot(links, NthEntry, 1, s, 2)) rows++;
    return rows;
}

void HistoryRowLabel(int links, int row, char* label)
{
    label[0] = '\0';
    int s = SlotOfRow(links, 0);
    for (int r = 0, pinned = 0; s >= 0; r++, s = FindSlot(links, NthEntry, 1, s, 2)) {
        if (IsPinned(links, s)) pinned++;
        if (r == row) {
            if (IsPinned(links, s)) FolderKeyLabel(pinned, label);
            return;
        }
    }
}

int HistoryRowOfFolder(int links, const char* folder)
{
    if (folder[0] == '\0') return -1;
    int s = SlotOfRow(links, 0);
    for (int r = 0; s >= 0; r++, s = FindSlot(links, NthEntry, 1, s, 2))
        if (SameFolderName(Settings.FolderHistory.slot[s].folder, folder)) return r;
    return -1;
}

int EditHistory(int links, int edit, int row)
{
    if (edit == HistoryEditDelete && HistoryRowCount(links) < 2) return HistoryRefusedWholeHistory;
    int c = SlotOfRow(links, row);
    if (c < 0) return HistoryRefusedNoSelection;
    HistoryLinks* l = HistoryLinksOf(links);
    switch (edit) {
    case HistoryEditPin:
        l->node[c].pinned = (signed char)!l->node[c].pinned;
        return row;
    case HistoryEditUp: {
        int e = l->node[c].prev;
        if (e < 0) return row;
        UnlinkSlot(links, HistoryUsed, c);
        LinkSlot(links, HistoryUsed, c, e, 0);
        return row - 1;
    }
    case HistoryEditDown: {
        int e = l->node[c].next;
        if (e < 0) return row;
        UnlinkSlot(links, HistoryUsed, c);
        LinkSlot(links, HistoryUsed, c, e, 1);
        return row + 1;
    }
    case HistoryEditDelete:
        ReleaseSlot(links, c);
        return row > 0 ? row - 1 : 0;
    }
    return row;
}

// ---- the list view

static HWND HistoryList(HWND dialog)
{
    return GetDlgItem(dialog, IDC_HISTORY_LIST);
}

static int SelectedRow(HWND dialog)
{
    return ListView_GetNextItem(HistoryList(dialog), -1, LVNI_SELECTED);
}

static void SelectRow(HWND list, int row)
{
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row < 0) return;
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

// Makes the list show the used list of links, row selectRow selected and
// focused (-1: none): folder, pinned mark and key label of every row.
static void ShowHistoryRows(HWND list, int links, int selectRow)
{
    int rows = HistoryRowCount(links);
    while (ListView_GetItemCount(list) > rows) ListView_DeleteItem(list, ListView_GetItemCount(list) - 1);
    int s = SlotOfRow(links, 0);
    for (int row = 0; s >= 0 && row < rows; row++, s = FindSlot(links, NthEntry, 1, s, 2)) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = Settings.FolderHistory.slot[s].folder;
        item.iImage = IsPinned(links, s) ? 1 : 0;
        if (row < ListView_GetItemCount(list))
            SendMessageA(list, LVM_SETITEMA, 0, (LPARAM)&item);
        else
            SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        char label[VLM_FOLDER_KEY_LABEL_CHARS];
        HistoryRowLabel(links, row, label);
        LVITEMA key = {};
        key.iSubItem = 1;
        key.pszText = label;
        SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&key);
    }
    SelectRow(list, selectRow);
}

// Full-row selection, the two marks and the two columns.
static void SetUpHistoryList(HWND list)
{
    static const ListColumn columns[] = {
        {"Selected Folder Name", LVCFMT_LEFT, 420},
        {"Key", LVCFMT_LEFT, 57},
    };
    SetUpReportList(list, columns, 2);
    // The system's small icon at the dialog's scaling; the marks carry
    // images for 100, 125, 150 and 200 %.
    int size = SystemMetricForDpi(SM_CXSMICON, WindowDpi(list));
    FolderDialog.images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 0);
    if (FolderDialog.images) {
        static const int marks[] = {IDI_HISTORY_UNPINNED, IDI_HISTORY_PINNED};  // image 0, 1
        for (int id : marks) {
            HICON icon = (HICON)LoadImageA(Settings.Instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0);
            ImageList_AddIcon(FolderDialog.images, icon);
            if (icon) DestroyIcon(icon);
        }
        ListView_SetImageList(list, FolderDialog.images, LVSIL_SMALL);
    }
}

// ---- keyboard hook and the common open and end steps

// The dialog manager hands keys to the focused control: function keys and
// Home are copied to the dialog itself, and Escape never cancels. Keys meant
// for a message box or the folder browser over the dialog are left alone,
// so a function key there cannot end the dialog underneath. Alt+F4 is no
// folder key: the system closes the dialog with it, as Cancel does.
static LRESULT CALLBACK FolderKeyHook(int code, WPARAM key, LPARAM data)
{
    if (code == HC_ACTION && FolderDialog.dialog && GetActiveWindow() == FolderDialog.dialog) {
        if (key == VK_ESCAPE) return 1;
        if (key == VK_HOME || IsFolderKeyStroke((int)key, data))
            PostMessageA(FolderDialog.dialog, (data & 0x80000000) ? WM_KEYUP : WM_KEYDOWN, key, data);
    }
    return CallNextHookEx(FolderDialog.hook, code, key, data);
}

static void OpenFolderDialog(HWND dialog, int links, int selectRow, int tipsNumber)
{
    FolderDialog.dialog = dialog;
    FolderDialog.hook = SetWindowsHookExA(WH_KEYBOARD, FolderKeyHook, NULL, GetCurrentThreadId());
    HWND list = HistoryList(dialog);
    SetUpHistoryList(list);
    ShowHistoryRows(list, links, selectRow);
    FolderDialog.tips = AttachDialogTips(tipsNumber, dialog);
}

void EndFolderDialog()
{
    if (FolderDialog.hook) UnhookWindowsHookEx(FolderDialog.hook);
    FolderDialog.hook = NULL;
    if (FolderDialog.images) {
        if (FolderDialog.dialog) ListView_SetImageList(HistoryList(FolderDialog.dialog), NULL, LVSIL_SMALL);
        ImageList_Destroy(FolderDialog.images);
    }
    FolderDialog.images = NULL;
    FolderDialog.dialog = NULL;
    if (FolderDialog.tips) DestroyWindow(FolderDialog.tips);
    FolderDialog.tips = NULL;
}

static void CloseFolderDialog(HWND dialog, int result)
{
    EndFolderDialog();
    EndDialog(dialog, result);
}

static void Refuse(HWND dialog, const char* text)
{
    MessageBoxA(dialog, text, NULL, MB_OK);
}

// Folder key number of a key, with Shift and Ctrl as they are now.
static int KeyNumberNow(int key)
{
    return FolderKeyNumber(key, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
}

// A double click in the list counts as OK.
static BOOL IsListDoubleClick(LPARAM lParam)
{
    const NMHDR* header = (const NMHDR*)lParam;
    return header->idFrom == IDC_HISTORY_LIST && header->code == NM_DBLCLK;
}

// Messages after the end of the dialog (posted keys, a late click) find no
// kind and are dropped.
static INT_PTR CALLBACK FolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        FolderDialog.kind = (const FolderDialogKind*)lParam;
        return FolderDialog.kind->open(dialog);
    }
    const FolderDialogKind* kind = FolderDialog.dialog == dialog ? FolderDialog.kind : NULL;
    switch (message) {
    case WM_COMMAND:
        if (!kind || HIWORD(wParam) != BN_CLICKED) return TRUE;
        if (LOWORD(wParam) == IDOK)
            kind->ok(dialog);
        else if (LOWORD(wParam) == IDCANCEL)
            CloseFolderDialog(dialog, 2);
        else
            kind->command(dialog, LOWORD(wParam));
        return TRUE;
    case WM_KEYDOWN:
        if (kind) kind->key(dialog, (int)wParam);
        return TRUE;
    case WM_NOTIFY:
        if (!kind || !IsListDoubleClick(lParam)) return FALSE;
        kind->ok(dialog);
        return TRUE;
    case WM_CLOSE:
        CloseFolderDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

static int RunFolderDialog(int id, HWND owner, const FolderDialogKind* kind, const char* failure)
{
    INT_PTR result = DialogBoxParamA(Settings.Instance, MAKEINTRESOURCEA(id), owner, FolderDialogProc, (LPARAM)kind);
    if (result == -1) {
        EndFolderDialog();
        SetErrorLast(VLM_ERR_FATAL, failure);
    }
    return result == 1 ? 1 : 2;
}

// ---- shell folder browser

static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM path)
{
    if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, path);
    return 0;
}

int BrowseForFolder(HWND owner, char* path)
{
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.lpszTitle = BrowseTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = (LPARAM)path;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
    if (!item) return 0;
    char chosen[MAX_PATH] = "";
    BOOL named = SHGetPathFromIDListA(item, chosen);
    CoTaskMemFree(item);
    // A shell item without a file-system path counts as no choice.
    if (!named || chosen[0] == '\0') return 0;
    lstrcpynA(path, chosen, VLM_PATH_CHARS);
    return 1;
}

// ---- folder selection dialog

// Every accepted choice is written at once and becomes the current folder.
static void AcceptFolderChoice(HWND dialog, BOOL programPlay, const char* folder)
{
    Settings.ProgramPlay = programPlay;
    lstrcpynA(Settings.DirName, folder, VLM_PATH_CHARS);
    SaveFolderState(1, 1, 1, 0, 1);
    CloseFolderDialog(dialog, 1);
}

// In program play the list is disabled and the dialog manager focuses the
// first control that can take it.
static BOOL OnFolderSelectOpen(HWND dialog)
{
    BOOL program = Settings.ProgramPlay;
    OpenFolderDialog(dialog, HistoryLive, program ? -1 : HistoryRowOfFolder(HistoryLive, Settings.DirName),
                     TipsFolderSelect);
    CheckDlgButton(dialog, IDC_PROGRAM_CHOOSE, program ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(HistoryList(dialog), !program);
    if (!program) SetFocus(HistoryList(dialog));
    return program;
}

static void OnFolderSelectOk(HWND dialog)
{
    if (IsDlgButtonChecked(dialog, IDC_PROGRAM_CHOOSE) == BST_CHECKED) {
        AcceptFolderChoice(dialog, TRUE, "");
        return;
    }
    int s = SlotOfRow(HistoryLive, SelectedRow(dialog));
    if (s < 0) {
        Refuse(dialog, NoSelectionText);
        return;
    }
    AcceptFolderChoice(dialog, FALSE, Settings.FolderHistory.slot[s].folder);
}

static void OnFolderBrowse(HWND dialog)
{
    char path[VLM_PATH_CHARS];
    lstrcpynA(path, Settings.DirName, VLM_PATH_CHARS);
    if (BrowseForFolder(dialog, path)) {
        AcceptFolderChoice(dialog, FALSE, path);
        return;
    }
    SetFocus(HistoryList(dialog));
}

static void OnProgramChoice(HWND dialog)
{
    HWND list = HistoryList(dialog);
    if (IsDlgButtonChecked(dialog, IDC_PROGRAM_CHOOSE) == BST_CHECKED) {
        if (!Settings.ProgramListNonEmpty) {
            CheckDlgButton(dialog, IDC_PROGRAM_CHOOSE, BST_UNCHECKED);
            Refuse(dialog, NoProgramListText);
            return;
        }
        int row = SelectedRow(dialog);
        if (row >= 0) ListView_SetItemState(list, row, 0, LVIS_SELECTED);
        EnableWindow(list, FALSE);
        return;
    }
    SelectRow(list, HistoryRowOfFolder(HistoryLive, Settings.DirName));
    EnableWindow(list, TRUE);
    SetFocus(list);
}

static void OnFolderSelectKey(HWND dialog, int key)
{
    if (key == VK_HOME) {
        if (Settings.ProgramListNonEmpty) AcceptFolderChoice(dialog, TRUE, "");
        return;
    }
    int n = KeyNumberNow(key);
    int s = n > 0 ? FindSlot(HistoryLive, NthPinned, 1, -1, n) : -1;
    if (s >= 0) AcceptFolderChoice(dialog, FALSE, Settings.FolderHistory.slot[s].folder);
}

static void OnFolderSelectCommand(HWND dialog, int id)
{
    if (id == IDC_FOLDER_BROWSE) OnFolderBrowse(dialog);
    if (id == IDC_PROGRAM_CHOOSE) OnProgramChoice(dialog);
}

int FolderSelectDialog(HWND owner)
{
    static const FolderDialogKind kind = {OnFolderSelectOpen, OnFolderSelectOk, OnFolderSelectCommand,
                                          OnFolderSelectKey};
    return RunFolderDialog(IDD_FOLDER_SELECT, owner, &kind, "フォルダ選択ダイアログの作成に失敗しました。");
}

// ---- history dialog

// The working copy becomes the live history with the chosen folder current.
static void CommitHistory(HWND dialog, int slot)
{
    lstrcpynA(Settings.DirName, Settings.FolderHistory.slot[slot].folder, VLM_PATH_CHARS);
    Settings.FolderHistory.live = Settings.FolderHistory.work;
    GatherPinned();
    CloseFolderDialog(dialog, 1);
}

// The current folder joins the live history first, then the copy is taken.
static BOOL OnHistoryOpen(HWND dialog)
{
    SaveFolderState(0, 0, 0, 0, 1);
    Settings.FolderHistory.work = Settings.FolderHistory.live;
    OpenFolderDialog(dialog, HistoryWork, HistoryRowOfFolder(HistoryWork, Settings.DirName), TipsHistory);
    SetFocus(HistoryList(dialog));
    return FALSE;
}

static void OnHistoryOk(HWND dialog)
{
    int s = SlotOfRow(HistoryWork, SelectedRow(dialog));
    if (s < 0) {
        Refuse(dialog, NoSelectionText);
        return;
    }
    CommitHistory(dialog, s);
}

static void OnHistoryEdit(HWND dialog, int edit)
{
    int row = EditHistory(HistoryWork, edit, SelectedRow(dialog));
    if (row == HistoryRefusedWholeHistory)
        Refuse(dialog, WholeHistoryText);
    else if (row == HistoryRefusedNoSelection)
        Refuse(dialog, NoSelectionText);
    else
        ShowHistoryRows(HistoryList(dialog), HistoryWork, row);
    SetFocus(HistoryList(dialog));
}

static void OnHistoryCommand(HWND dialog, int id)
{
    static const struct {
        int id;
        int edit;
    } edits[] = {
        {IDC_HISTORY_PIN, HistoryEditPin},
        {IDC_HISTORY_UP, HistoryEditUp},
        {IDC_HISTORY_DOWN, HistoryEditDown},
        {IDC_HISTORY_DELETE, HistoryEditDelete},
    };
    for (const auto& row : edits)
        if (row.id == id) OnHistoryEdit(dialog, row.edit);
}

static void OnHistoryKey(HWND dialog, int key)
{
    int n = KeyNumberNow(key);
    int s = n > 0 ? FindSlot(HistoryWork, NthPinned, 1, -1, n) : -1;
    if (s >= 0) CommitHistory(dialog, s);
}

int HistoryDialog(HWND owner)
{
    static const FolderDialogKind kind = {OnHistoryOpen, OnHistoryOk, OnHistoryCommand, OnHistoryKey};
    return RunFolderDialog(IDD_HISTORY, owner, &kind, "履歴参照ダイアログの作成に失敗しました。");
}
