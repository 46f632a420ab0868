// Program list editor: the program page of the configuration sheet (up to
// 100 files, each with an optional start and end second) and the entry
// dialog that adds or changes entries by a typed path or the file-open
// dialog. The page's list view is the working copy of the list; the
// settings file is written on OK, and only when the list was changed.
#include "vlm_configwin.h"
#include "Quorlin.h"
#include "resource.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_util.h"
#include <commctrl.h>
#include <commdlg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#define VLM_CELL_BYTES 16
#define VLM_SECONDS_MAX 32767
#define VLM_SECONDS_DIGITS 5

// ---- the list in the settings file

void ReadProgramRows(ProgramRows* rows)
{
    char key[64];
    rows->count = 0;
    rows->changed = FALSE;
    for (int number = 1; number <= VLM_PROGRAM_ENTRIES; number++) {
        ProgramRow* row = &rows->row[rows->count];
        NumberedKey(key, VLM_KEY_PROGRAM_FILENAME, number);
        ReadSettingsText(key, "", row->path);
        if (row->path[0] == '\0') break;
        NumberedKey(key, VLM_KEY_PROGRAM_STA_POSITION, number);
        row->start = ReadSettingsInt(key, 0);
        if (row->start < 0) row->start = 0;
        NumberedKey(key, VLM_KEY_PROGRAM_END_POSITION, number);
        row->end = ReadSettingsInt(key, -1);
        if (row->end < -1) row->end = -1;
        rows->count++;
    }
}

void WriteProgramRows(const ProgramRows* rows)
{
    static const ProgramRow EmptyRow = { "", 0, -1 };
    if (!rows->changed) return;
    char key[64];
    for (int number = 1; number <= VLM_PROGRAM_ENTRIES; number++) {
        const ProgramRow* row = number <= rows->count ? &rows->row[number - 1] : &EmptyRow;
        NumberedKey(key, VLM_KEY_PROGRAM_FILENAME, number);
        WriteSettingsText(key, row->path);
        NumberedKey(key, VLM_KEY_PROGRAM_STA_POSITION, number);
        WriteSettingsInt(key, row->start);
        NumberedKey(key, VLM_KEY_PROGRAM_END_POSITION, number);
        WriteSettingsInt(key, row->end);
    }
    // A changed list starts again from its first entry.
    SaveProgramResume(1, 0);
}

void ProgramCellTexts(const ProgramRow* row, char* start, char* end)
{
    start[0] = '\0';
    end[0] = '\0';
    if (row->start > 0) snprintf(start, VLM_CELL_BYTES, "%d", row->start);
    if (row->end >= 0) snprintf(end, VLM_CELL_BYTES, "%d", row->end);
}

// ---- names and folders

void ParentFolder(char* path)
{
    char* slash = (char*)FindLastChar(path, '\\');
    if (slash == NULL) return;
    slash[1] = '\0';
    TrimTrailingBackslashes(path);
}

// By characters: a double-byte character whose trail byte is 0x5C is not
// a backslash.
static int EndsWithBackslash(const char* text)
{
    const char* slash = FindLastChar(text, '\\');
    return slash != NULL && slash[1] == '\0';
}

int SplitSelection(const char* names, int capacity, char* out, int index)
{
    if (out != NULL) out[0] = '\0';
    int texts = 0, ended = 0;
    for (int i = 0; i < capacity - 1; i++) {
        if (names[i] != '\0') continue;
        texts++;
        if (names[i + 1] == '\0') {
            ended = 1;
            break;
        }
    }
    if (!ended || names[0] == '\0') return 0;
    int files = texts <= 2 ? 1 : texts - 1;
    if (out == NULL) return files;
    if (index < 0 || index >= files) return 0;

    size_t used = strlen(names);
    if (used >= VLM_PATH_CHARS) return 0;
    char path[VLM_PATH_CHARS];
    memcpy(path, names, used + 1);
    if (texts > 1) {
        const char* name = names + used + 1;
        for (int k = 0; k < index; k++) name += strlen(name) + 1;
        if (!EndsWithBackslash(path) && used < VLM_PATH_CHARS - 1) path[used++] = '\\';
        // A name that does not fit would leave the folder itself as the
        // file: the file is left out instead.
        size_t length = strlen(name);
        if (used + length >= VLM_PATH_CHARS) return 0;
        memcpy(path + used, name, length + 1);
    }
    strcpy(out, path);
    return 1;
}

// Appends text and its terminator at *used; 0 when it does not fit.
static int AppendAnsi(const WCHAR* text, char* names, int namesBytes, int* used)
{
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, names + *used, namesBytes - *used, NULL, NULL);
    if (bytes == 0) return 0;
    *used += bytes;
    return 1;
}

static void AppendLine(WCHAR* lines, int chars, const WCHAR* text)
{
    int used = lstrlenW(lines);
    int length = lstrlenW(text);
    int gap = used > 0 ? 2 : 0;
    if (used + gap + length >= chars) return;
    if (gap) lstrcpyW(lines + used, L"\r\n");
    lstrcpyW(lines + used + gap, text);
}

int KeepSpelledFiles(const WCHAR* selection, int capacity, char* names, int namesBytes, WCHAR* leftOut,
                     int leftOutChars)
{
    names[0] = '\0';
    leftOut[0] = L'\0';
    int texts = 0, ended = 0;
    for (int i = 0; i < capacity - 1; i++) {
        if (selection[i] != L'\0') continue;
        texts++;
        if (selection[i + 1] == L'\0') {
            ended = 1;
            break;
        }
    }
    if (!ended || selection[0] == L'\0') return 0;
    BOOL several = texts > 1;
    // A file is taken by its wide name: the ANSI name the system would make
    // of another may be a different file that exists.
    BOOL folderSpelled = !several || TextFitsCodePage(selection);
    int used = 0, kept = 0;
    if (several && folderSpelled && !AppendAnsi(selection, names, namesBytes, &used)) return -1;
    const WCHAR* name = several ? selection + lstrlenW(selection) + 1 : selection;
    for (; *name != L'\0'; name += lstrlenW(name) + 1) {
        if (folderSpelled && TextFitsCodePage(name)) {
            if (!AppendAnsi(name, names, namesBytes, &used)) return -1;
            kept++;
            continue;
        }
        const WCHAR* slash = several ? NULL : wcsrchr(name, L'\\');
        AppendLine(leftOut, leftOutChars, slash != NULL ? slash + 1 : name);
    }
    if (kept == 0) used = 0;
    if (used >= namesBytes) return -1;
    names[used] = '\0';
    return kept;
}

void PickBrowseStartFolder(char* folder, const char* lastPath, const char* folderBox)
{
    TrimTrailingBackslashes(folder);
    if (folder[0] != '\0') return;
    if (lastPath != NULL) {
        lstrcpynA(folder, lastPath, VLM_PATH_CHARS);
        ParentFolder(folder);
        return;
    }
    lstrcpynA(folder, folderBox, VLM_PATH_CHARS);
    TrimTrailingBackslashes(folder);
    if (folder[0] == '\0') strcpy(folder, "C:\\");
}

// ---- state shared by the page and the entry dialog

static struct {
    HWND list;
    BOOL changed;  // any successful add, edit, move or delete since the page opened
} ProgramPage;

// Scratch for the page's open and OK: too large for the stack.
static ProgramRows PageRows;

// Where the file-open dialog starts; it keeps its value for the sheet.
static char BrowseStartFolder[VLM_PATH_CHARS];

// Filled by the page before the entry dialog opens and read after it ends
// with 1; the names travel in EntryNameBuffer.
static struct {
    BOOL addMode;
    BOOL hasStart, hasEnd;
    int start, end;  // 0..32767
} EntryExchange;

// A browsed selection stays with the dialog until it ends, so that OK after
// a refused time still takes it; typing in the path box gives it up.
static struct {
    HWND tips;
    BOOL hasSelection;
    char selection[VLM_ENTRY_NAME_BYTES];  // as EntryNameBuffer holds names
} EntryDialog;

// The file-open dialog's result, in UTF-16 so that every name is seen as it is.
static WCHAR BrowseNames[VLM_ENTRY_NAME_BYTES];

// ---- list view rows

static const ListColumn ListColumns[] = {
    { "Full Path File Name", LVCFMT_LEFT, 350 },
    { "Start(sec)", LVCFMT_RIGHT, 64 },
    { "End(sec)", LVCFMT_RIGHT, 64 },
};

static int RowCount(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

static int SelectedRow(HWND list)
{
    return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

static void SelectRow(HWND list, int r)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, r, (LPARAM)&item);
    SendMessageA(list, LVM_ENSUREVISIBLE, r, FALSE);
}

static void SetCell(HWND list, int r, int column, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = (char*)text;
    SendMessageA(list, LVM_SETITEMTEXTA, r, (LPARAM)&item);
}

static void GetCell(HWND list, int r, int column, char* text, int bytes)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = bytes;
    text[0] = '\0';
    SendMessageA(list, LVM_GETITEMTEXTA, r, (LPARAM)&item);
}

// Shows row in list row r; insert adds a row there first.
static void PutRow(HWND list, int r, const ProgramRow* row, BOOL insert)
{
    if (insert) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.pszText = (char*)row->path;
        r = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        if (r < 0) return;
    } else {
        SetCell(list, r, 0, row->path);
    }
    char start[VLM_CELL_BYTES], end[VLM_CELL_BYTES];
    ProgramCellTexts(row, start, end);
    SetCell(list, r, 1, start);
    SetCell(list, r, 2, end);
}

// The cells are only ever written by PutRow, so an empty cell is an unset
// time and any other holds the number.
static void GetRow(HWND list, int r, ProgramRow* row)
{
    char start[VLM_CELL_BYTES], end[VLM_CELL_BYTES];
    GetCell(list, r, 0, row->path, VLM_PATH_CHARS);
    GetCell(list, r, 1, start, VLM_CELL_BYTES);
    GetCell(list, r, 2, end, VLM_CELL_BYTES);
    row->start = start[0] != '\0' ? atoi(start) : 0;
    row->end = end[0] != '\0' ? atoi(end) : -1;
}

// ---- the entry dialog (1003)

// The two times: check box, number box, up-down and their exchange fields.
static const struct EntryTime {
    int check, box, spin;
    BOOL* flag;
    int* seconds;
    BOOL zeroMeansUnset;  // a start of 0 is the beginning of the file
    const char* rangeMessage;
} EntryTimes[] = {
    { IDC_ENTRY_HAS_START, IDC_ENTRY_START, IDC_ENTRY_START_SPIN, &EntryExchange.hasStart,
      &EntryExchange.start, TRUE, "開始時間が範囲外です。" },
    { IDC_ENTRY_HAS_END, IDC_ENTRY_END, IDC_ENTRY_END_SPIN, &EntryExchange.hasEnd, &EntryExchange.end, FALSE,
      "終了時間が範囲外です。" },
};

static void EnableTime(HWND dialog, const EntryTime* time, BOOL on)
{
    EnableWindow(GetDlgItem(dialog, time->box), on);
    EnableWindow(GetDlgItem(dialog, time->spin), on);
}

static void EndEntryDialog(HWND dialog, int result)
{
    if (EntryDialog.tips != NULL) DestroyWindow(EntryDialog.tips);
    EntryDialog.tips = NULL;
    EndDialog(dialog, result);
}

static void OnEntryOpen(HWND dialog)
{
    char first[VLM_PATH_CHARS];
    lstrcpynA(first, EntryNameBuffer, VLM_PATH_CHARS);
    SendDlgItemMessageA(dialog, IDC_ENTRY_PATH, EM_LIMITTEXT, VLM_PATH_CHARS - 1, 0);
    SetDlgItemTextA(dialog, IDC_ENTRY_PATH, first);
    for (const EntryTime& time : EntryTimes) {
        SendDlgItemMessageA(dialog, time.box, EM_LIMITTEXT, VLM_SECONDS_DIGITS, 0);
        HWND spin = GetDlgItem(dialog, time.spin);
        SendMessageA(spin, UDM_SETBUDDY, (WPARAM)GetDlgItem(dialog, time.box), 0);
        SendMessageA(spin, UDM_SETRANGE32, 0, VLM_SECONDS_MAX);
        SendMessageA(spin, UDM_SETPOS32, 0, *time.seconds);
        CheckDlgButton(dialog, time.check, *time.flag ? BST_CHECKED : BST_UNCHECKED);
        EnableTime(dialog, &time, *time.flag);
    }
    EntryDialog.tips = AttachDialogTips(TipsProgramEntry, dialog);
    EntryDialog.hasSelection = FALSE;
}

static void OnTimeChecked(HWND dialog, const EntryTime* time)
{
    BOOL on = IsDlgButtonChecked(dialog, time->check) == BST_CHECKED;
    EnableTime(dialog, time, on);
    SetDlgItemInt(dialog, time->box, on ? *time->seconds : 0, TRUE);
}

static const char EntryNameTooLong[] = "フルパス・ファイル名が長すぎます。259 バイト以内で指定してください。";

// A relative name is stored as its full path: the player starts from another
// current folder, where it would name nothing.
static const char* TypedPathRefusal(const char* typed, char* full)
{
    full[0] = '\0';
    if (strlen(typed) >= VLM_PATH_CHARS) return EntryNameTooLong;
    SetLastError(0);
    DWORD length = GetFullPathNameA(typed, VLM_PATH_CHARS, full, NULL);
    // Wine's ANSI call fails with this code where Windows gives the size.
    if (length >= VLM_PATH_CHARS || (length == 0 && GetLastError() == ERROR_FILENAME_EXCED_RANGE)) {
        full[0] = '\0';
        return EntryNameTooLong;
    }
    if (length == 0 || !IsExistingFile(full)) return "ファイルが存在しません。";
    return NULL;
}

const char* EntryRefusal(const char* typed, char* full, BOOL hasStart, int start, BOOL hasEnd, int end)
{
    if (typed != NULL) {
        const char* refusal = TypedPathRefusal(typed, full);
        if (refusal != NULL) return refusal;
    }
    const BOOL flags[2] = { hasStart, hasEnd };
    const int seconds[2] = { start, end };
    for (int t = 0; t < 2; t++)
        if (flags[t] && (seconds[t] < 0 || seconds[t] > VLM_SECONDS_MAX)) return EntryTimes[t].rangeMessage;
    // Such an entry would play about one second (and loop it with FILE_LOOP).
    if (hasEnd && end > 0 && hasStart && start >= end) return "開始時間が終了時間以上です。";
    return NULL;
}

// Reads both times and checks them with the typed path (NULL: the names came
// from the file-open dialog); 1 when the entry is taken (the exchange then
// holds the times, EntryNameBuffer the full typed path), 0 after the message.
static int FinishEntry(HWND dialog, const char* typed)
{
    BOOL flags[2];
    int seconds[2];
    for (int t = 0; t < 2; t++) {
        const EntryTime* time = &EntryTimes[t];
        flags[t] = IsDlgButtonChecked(dialog, time->check) == BST_CHECKED;
        seconds[t] = flags[t] ? ReadBoxNumber(dialog, time->box, VLM_SECONDS_DIGITS) : 0;
    }
    char full[VLM_PATH_CHARS];
    const char* refusal = EntryRefusal(typed, full, flags[0], seconds[0], flags[1], seconds[1]);
    if (refusal != NULL) {
        MessageBoxA(dialog, refusal, NULL, MB_OK);
        return 0;
    }
    if (typed != NULL) {
        size_t length = strlen(full);
        memcpy(EntryNameBuffer, full, length + 1);
        EntryNameBuffer[length + 1] = '\0';
    }
    for (int t = 0; t < 2; t++) {
        if (seconds[t] == 0 && EntryTimes[t].zeroMeansUnset) flags[t] = FALSE;
        *EntryTimes[t].flag = flags[t];
        *EntryTimes[t].seconds = seconds[t];
    }
    return 1;
}

// text, an empty line and lines in one box, shown in UTF-16: names outside
// the code page read as they are.
static void ShowWide(HWND owner, const char* text, const WCHAR* lines)
{
    WCHAR message[2400];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, message, 1200);
    if (length == 0) return;
    lstrcpynW(message + length - 1, L"\r\n\r\n", 5);
    lstrcpynW(message + length + 3, lines, (int)(sizeof(message) / sizeof(WCHAR)) - length - 3);
    MessageBoxW(owner, message, NULL, MB_OK);
}

// The names the code page spells of the file-open dialog's result into
// names; the others are named to the user. The number kept, -1 after the
// overflow message.
static int KeepBrowsedFiles(HWND dialog, char* names, const char* overflow)
{
    WCHAR leftOut[1024];
    int kept = KeepSpelledFiles(BrowseNames, VLM_ENTRY_NAME_BYTES, names, VLM_ENTRY_NAME_BYTES, leftOut,
                                (int)(sizeof(leftOut) / sizeof(WCHAR)));
    if (kept < 0) {
        MessageBoxA(dialog, overflow, NULL, MB_OK);
        return -1;
    }
    if (leftOut[0] != L'\0')
        ShowWide(dialog, "次のファイルは、名前に使用できない文字が含まれているため追加しませんでした。", leftOut);
    else if (kept == 0)
        MessageBoxA(dialog, "ファイルが存在しません。", NULL, MB_OK);
    return kept;
}

// The kept selection with the times of the boxes; 1 when the dialog ended.
static int FinishSelection(HWND dialog)
{
    if (!FinishEntry(dialog, NULL)) return 0;
    memcpy(EntryNameBuffer, EntryDialog.selection, VLM_ENTRY_NAME_BYTES);
    EndEntryDialog(dialog, 1);
    return 1;
}

static void OnEntryOk(HWND dialog)
{
    if (EntryDialog.hasSelection) {
        FinishSelection(dialog);
        return;
    }
    // Read whole, so that a text longer than a path is refused rather than
    // cut into another name.
    char path[4 * VLM_PATH_CHARS];
    GetDlgItemTextA(dialog, IDC_ENTRY_PATH, path, sizeof(path));
    if (FinishEntry(dialog, path)) EndEntryDialog(dialog, 1);
}

static void OnEntryBrowse(HWND dialog)
{
    WCHAR* names = BrowseNames;
    const int last = VLM_ENTRY_NAME_BYTES - 1;
    names[last - 1] = L'\0';
    names[last] = L'\0';
    GetDlgItemTextW(dialog, IDC_ENTRY_PATH, names, VLM_PATH_CHARS);
    WCHAR folder[VLM_PATH_CHARS], title[64];
    MultiByteToWideChar(CP_ACP, 0, BrowseStartFolder, -1, folder, VLM_PATH_CHARS);
    MultiByteToWideChar(CP_ACP, 0, "動画ファイル・サウンドファイルの選択", -1, title, 64);

    OPENFILENAMEW open = {};
    open.lStructSize = sizeof(open);
    open.hwndOwner = dialog;
    open.lpstrFilter = L"All files (*.*)\0*.*\0";
    open.lpstrFile = names;
    open.nMaxFile = VLM_ENTRY_NAME_BYTES;
    open.lpstrTitle = title;
    open.lpstrInitialDir = folder;
    open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (EntryExchange.addMode) open.Flags |= OFN_ALLOWMULTISELECT;
    BOOL chosen = GetOpenFileNameW(&open);
    BOOL fullAtEnd = names[last] != L'\0';
    BOOL fullBeforeEnd = names[last - 1] != L'\0';

    if (!chosen) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL || fullAtEnd || (EntryExchange.addMode && fullBeforeEnd))
            MessageBoxA(dialog, "内部バッファがオーバーフローしました!!!", NULL, MB_OK);
        return;
    }
    if (EntryExchange.addMode) {
        const char* overflow = "内部バッファがオーバーフローしました!";
        if (fullAtEnd || fullBeforeEnd) {
            MessageBoxA(dialog, overflow, NULL, MB_OK);
            return;
        }
        // A new choice replaces the one kept from an earlier browse.
        EntryDialog.hasSelection = FALSE;
        char* kept = EntryDialog.selection;
        if (KeepBrowsedFiles(dialog, kept, overflow) <= 0) return;
        EntryDialog.hasSelection = TRUE;
        // The first text is the folder of several files, or the one file
        // itself: the next browse starts in its folder either way.
        lstrcpynA(BrowseStartFolder, kept, VLM_PATH_CHARS);
        if (kept[strlen(kept) + 1] == '\0') ParentFolder(BrowseStartFolder);
        FinishSelection(dialog);
        return;
    }
    if (fullAtEnd) {
        MessageBoxA(dialog, "内部バッファがオーバーフローしました!!", NULL, MB_OK);
        return;
    }
    char path[VLM_ENTRY_NAME_BYTES];
    if (KeepBrowsedFiles(dialog, path, "内部バッファがオーバーフローしました!!") <= 0) return;
    SetDlgItemTextA(dialog, IDC_ENTRY_PATH, path);
    lstrcpynA(BrowseStartFolder, path, VLM_PATH_CHARS);
    ParentFolder(BrowseStartFolder);
}

static BOOL OnEntryCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
        OnEntryOk(dialog);
        return TRUE;
    case IDCANCEL:
        EndEntryDialog(dialog, 2);
        return TRUE;
    case IDC_ENTRY_BROWSE:
        OnEntryBrowse(dialog);
        return TRUE;
    }
    for (const EntryTime& time : EntryTimes) {
        if (time.check == id) {
            OnTimeChecked(dialog, &time);
            return TRUE;
        }
    }
    return FALSE;
}

static INT_PTR CALLBACK EntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnEntryOpen(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_ENTRY_PATH && HIWORD(wParam) == EN_CHANGE) {
            // What is typed now is the entry.
            EntryDialog.hasSelection = FALSE;
            return TRUE;
        }
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        return OnEntryCommand(dialog, LOWORD(wParam));
    case WM_CLOSE:
        EndEntryDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

// Runs the entry dialog over the page with the exchange filled: 1 (OK, the
// exchange holds the result) or 2.
static int ProgramEntryDialog(HWND page)
{
    HWND list = ProgramPage.list;
    int rows = RowCount(list);
    ProgramRow last;
    if (rows > 0) GetRow(list, rows - 1, &last);
    char folderBox[VLM_PATH_CHARS] = "";
    if (SettingsPage1Window != NULL) GetDlgItemTextA(SettingsPage1Window, IDC_DIRNAME, folderBox, VLM_PATH_CHARS);
    PickBrowseStartFolder(BrowseStartFolder, rows > 0 ? last.path : NULL, folderBox);

    INT_PTR result = DialogBoxParamA(Settings.Instance, MAKEINTRESOURCEA(IDD_PROGRAM_ENTRY), page,
                                     EntryDialogProc, 0);
    return result == 1 ? 1 : 2;
}

// ---- the page (1002)

static void OnNewEntry(HWND page, int)
{
    HWND list = ProgramPage.list;
    if (RowCount(list) >= VLM_PROGRAM_ENTRIES) {
        char text[64];
        snprintf(text, sizeof(text), "登録できるファイル数は %d までです。", VLM_PROGRAM_ENTRIES);
        MessageBoxA(page, text, NULL, MB_OK);
        return;
    }
    memset(EntryNameBuffer, 0, VLM_ENTRY_NAME_BYTES);
    memset(&EntryExchange, 0, sizeof(EntryExchange));
    EntryExchange.addMode = TRUE;
    if (ProgramEntryDialog(page) != 1) return;

    ProgramRow row;
    row.start = EntryExchange.hasStart ? EntryExchange.start : 0;
    row.end = EntryExchange.hasEnd ? EntryExchange.end : -1;
    // Files beyond the last free row are dropped.
    int files = SplitSelection(EntryNameBuffer, VLM_ENTRY_NAME_BYTES, NULL, 0);
    for (int i = 0; i < files && RowCount(list) < VLM_PROGRAM_ENTRIES; i++) {
        if (!SplitSelection(EntryNameBuffer, VLM_ENTRY_NAME_BYTES, row.path, i)) continue;
        int r = RowCount(list);
        PutRow(list, r, &row, TRUE);
        SelectRow(list, r);
    }
    if (RowCount(list) > 0) Settings.ProgramListNonEmpty = TRUE;
    ProgramPage.changed = TRUE;
}

static void OnEditEntry(HWND page, int r)
{
    HWND list = ProgramPage.list;
    ProgramRow row;
    GetRow(list, r, &row);
    memset(EntryNameBuffer, 0, VLM_ENTRY_NAME_BYTES);
    strcpy(EntryNameBuffer, row.path);
    EntryExchange.addMode = FALSE;
    EntryExchange.hasStart = row.start > 0;
    EntryExchange.start = row.start;
    EntryExchange.hasEnd = row.end >= 0;
    EntryExchange.end = row.end >= 0 ? row.end : 0;
    if (ProgramEntryDialog(page) != 1) return;

    lstrcpynA(row.path, EntryNameBuffer, VLM_PATH_CHARS);
    row.start = EntryExchange.hasStart ? EntryExchange.start : 0;
    row.end = EntryExchange.hasEnd ? EntryExchange.end : -1;
    PutRow(list, r, &row, FALSE);
    SelectRow(list, r);
    ProgramPage.changed = TRUE;
}

// Exchanges rows r and r + step; at either end of the list nothing changes.
static void MoveRow(int r, int step)
{
    HWND list = ProgramPage.list;
    int to = r + step;
    if (to < 0 || to >= RowCount(list)) return;
    ProgramRow moved, other;
    GetRow(list, r, &moved);
    GetRow(list, to, &other);
    PutRow(list, r, &other, FALSE);
    PutRow(list, to, &moved, FALSE);
    SelectRow(list, to);
    ProgramPage.changed = TRUE;
}

static void OnMoveUp(HWND, int r)
{
    MoveRow(r, -1);
}

static void OnMoveDown(HWND, int r)
{
    MoveRow(r, +1);
}

static void OnDeleteEntry(HWND, int r)
{
    HWND list = ProgramPage.list;
    SendMessageA(list, LVM_DELETEITEM, r, 0);
    if (RowCount(list) == 0) {
        // Nothing left to play: program play goes off on both pages and
        // the folder box gets its folder back.
        Settings.ProgramListNonEmpty = FALSE;
        ProgramPlaySync(SyncSet, FALSE, TRUE, TRUE, Settings.DirName, TRUE);
    } else {
        SelectRow(list, r > 0 ? r - 1 : 0);
    }
    ProgramPage.changed = TRUE;
}

static const struct PageCommand {
    int id;
    BOOL needsRow;  // acts on the selected row
    void (*run)(HWND page, int row);
} PageCommands[] = {
    { IDC_PROGRAM_NEW, FALSE, OnNewEntry },
    { IDC_PROGRAM_EDIT, TRUE, OnEditEntry },
    { IDC_PROGRAM_UP, TRUE, OnMoveUp },
    { IDC_PROGRAM_DOWN, TRUE, OnMoveDown },
    { IDC_PROGRAM_DELETE, TRUE, OnDeleteEntry },
};

static void RunPageCommand(HWND page, const PageCommand* command)
{
    int r = SelectedRow(ProgramPage.list);
    if (command->needsRow && r < 0) {
        MessageBoxA(page, "項目が選択されていません。", NULL, MB_OK);
        return;
    }
    command->run(page, r);
}

static BOOL OnPageCommand(HWND page, int id)
{
    if (id == IDC_PROGRAM_PLAY2) {
        ProgramPlaySync(SyncProgramPageClicked, FALSE, TRUE, FALSE, Settings.DirName, TRUE);
    } else {
        const PageCommand* found = NULL;
        for (const PageCommand& command : PageCommands)
            if (command.id == id) found = &command;
        if (found == NULL) return FALSE;
        RunPageCommand(page, found);
    }
    SetFocus(ProgramPage.list);
    return TRUE;
}

static void OnPageOpen(HWND page)
{
    ProgramPageWindow = page;
    ProgramPage.list = GetDlgItem(page, IDC_PROGRAM_LIST);
    ProgramPage.changed = FALSE;
    SetUpReportList(ProgramPage.list, ListColumns, (int)(sizeof(ListColumns) / sizeof(ListColumns[0])));
    ReadProgramRows(&PageRows);
    for (int r = 0; r < PageRows.count; r++) PutRow(ProgramPage.list, r, &PageRows.row[r], TRUE);
    ProgramPlaySync(SyncProgramPageOpens, FALSE, FALSE, TRUE, NULL, FALSE);
    AttachHelpPane(PaneProgram, page);
}

static void OnPageApply(HWND page)
{
    HWND list = ProgramPage.list;
    PageRows.changed = ProgramPage.changed;
    PageRows.count = RowCount(list);
    if (PageRows.count > VLM_PROGRAM_ENTRIES) PageRows.count = VLM_PROGRAM_ENTRIES;
    for (int r = 0; r < PageRows.count; r++) GetRow(list, r, &PageRows.row[r]);
    int failures = SettingsWriteFailures;
    WriteProgramRows(&PageRows);
    AnswerPageApply(page, failures);
}

static BOOL OnPageNotify(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandleHelpPane(PaneProgram, page, message, wParam, lParam)) return TRUE;
    const NMHDR* header = (const NMHDR*)lParam;
    if (header->code == PSN_APPLY) {
        OnPageApply(page);
        return TRUE;
    }
    // A double click on an entry edits it, as 編集 does.
    if (header->hwndFrom == ProgramPage.list && header->code == NM_DBLCLK) {
        int r = ((const NMITEMACTIVATE*)lParam)->iItem;
        if (r < 0) return FALSE;
        OnEditEntry(page, r);
        SetFocus(ProgramPage.list);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK ProgramPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnPageOpen(page);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        return OnPageCommand(page, LOWORD(wParam));
    case WM_PAINT:
        return HandleHelpPane(PaneProgram, page, message, wParam, lParam);
    case WM_NOTIFY:
        return OnPageNotify(page, message, wParam, lParam);
    case WM_DESTROY:
        ProgramPageWindow = NULL;
        ProgramPage.list = NULL;
        return FALSE;
    }
    return FALSE;
}
