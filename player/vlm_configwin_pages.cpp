// The three settings pages of the configuration sheet. Each page is a table
// of its controls, one row per control with the settings key it edits; open,
// OK and the write order are loops over the rows. Ranges and replacement
// values are those of the key's row in SettingsKeys. Only the enabling rules,
// the checks on leaving a page and page 1's buttons have code of their own.
#include "vlm_configwin.h"
#include "Quorlin.h"
#include "resource.h"
#include "vlm_global.h"
#include "vlm_util.h"
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

enum PageControlKind {
    PageText = 0,    // edit box of a text key
    PageCheck = 1,   // check box of a bool key
    PageRadio = 2,   // option group: buttons id .. id + radios - 1 give 0 .. radios - 1
    PageNumber = 3,  // number box with its up-down
    PageHidden = 4,  // no control: written from memory with the page's keys
    PageMonitor = 5, // drop-down list of the monitors, each with its size
};

struct PageControlRow {
    int id;           // control, first button of an option group, 0 when hidden
    const char* key;  // the SettingsKeys row it edits
    int kind;
    int spinId;       // number: the up-down attached to the box
    int radios;       // option group: number of buttons
};

#define TEXT_ROW(id, key) { id, key, PageText, 0, 0 }
#define CHECK_ROW(id, key) { id, key, PageCheck, 0, 0 }
#define RADIO_ROW(id, key, n) { id, key, PageRadio, 0, n }
#define NUMBER_ROW(id, key, spin) { id, key, PageNumber, spin, 0 }
#define HIDDEN_ROW(key) { 0, key, PageHidden, 0, 0 }
#define MONITOR_ROW(id, key) { id, key, PageMonitor, 0, 0 }

// Rows in the order OK writes the keys. DIRNAME and PROGRAM_PLAY of page 1
// go with the folder history, before these.
static const PageControlRow Page1Controls[] = {
    TEXT_ROW(IDC_EXTENSIONS, "EXTENSIONS"),
    CHECK_ROW(IDC_FILELOOP, "FILELOOP"),
    CHECK_ROW(IDC_RANDOM, "RANDOM"),
    CHECK_ROW(IDC_DESCENDING, "DESCENDING"),
    CHECK_ROW(IDC_CONTINUOUS_PLAY, "CONTINUOUS_PLAY"),
    RADIO_ROW(IDC_ASPECT_FILE, "ASPECT_RATE", 4),
    NUMBER_ROW(IDC_ASPECT_RATIO_X, "ASPECT_RATIO_X", IDC_ASPECT_X_SPIN),
    NUMBER_ROW(IDC_ASPECT_RATIO_Y, "ASPECT_RATIO_Y", IDC_ASPECT_Y_SPIN),
    CHECK_ROW(IDC_SPECIFY_SIZE, "SPECIFY_SIZE"),
    NUMBER_ROW(IDC_SIZE_PERCENT, "SIZE_PERCENT", IDC_SIZE_PERCENT_SPIN),
    CHECK_ROW(IDC_CHANGE_RESOLUTION, "CHANGE_RESOLUTION"),
    CHECK_ROW(IDC_EXPAND, "EXPAND"),
    CHECK_ROW(IDC_BITSPERPEL_UNCHANGE, "BITSPERPEL_UNCHANGE"),
    CHECK_ROW(IDC_FIXED_VGA, "FIXED_VGA"),
    // Settings no page shows; OK stores them as they were read.
    HIDDEN_ROW("ONLY_RESCH_BY_CDS"),
    HIDDEN_ROW("ONLY_RESCH_BY_DDRAW"),
    HIDDEN_ROW("EXCEPTION_BEEP"),
    HIDDEN_ROW("EXCEPTION_LOG"),
    HIDDEN_ROW("VISUAL_DEBUG"),
};

static const PageControlRow Page2Controls[] = {
    CHECK_ROW(IDC_INTRO_PLAY, "INTRO_PLAY"),
    NUMBER_ROW(IDC_INTRO_START, "INTRO_START_POSITION", IDC_INTRO_START_SPIN),
    NUMBER_ROW(IDC_INTRO_END, "INTRO_END_POSITION", IDC_INTRO_END_SPIN),
    RADIO_ROW(IDC_SKIP_OFF, "SKIP_PLAY_MODE", 3),
    NUMBER_ROW(IDC_SKIP_NUMBER, "SKIP_NUMBER", IDC_SKIP_NUMBER_SPIN),
    NUMBER_ROW(IDC_SKIP_TIME, "SKIP_TIME", IDC_SKIP_TIME_SPIN),
    NUMBER_ROW(IDC_SKIP_PLAY_TIME, "SKIP_PLAY_TIME", IDC_SKIP_PLAY_SPIN),
    NUMBER_ROW(IDC_SEEKTIME1, "SEEKTIME1", IDC_SEEKTIME1_SPIN),
    NUMBER_ROW(IDC_SEEKTIME2, "SEEKTIME2", IDC_SEEKTIME2_SPIN),
    NUMBER_ROW(IDC_SEEKTIME3, "SEEKTIME3", IDC_SEEKTIME3_SPIN),
    NUMBER_ROW(IDC_SEEKTIME4, "SEEKTIME4", IDC_SEEKTIME4_SPIN),
    NUMBER_ROW(IDC_END_PLAY_TIME, "END_PLAY_TIME", IDC_END_PLAY_SPIN),
    NUMBER_ROW(IDC_AUDIO_SELECT, "AUDIO_SELECT", IDC_AUDIO_SELECT_SPIN),
    CHECK_ROW(IDC_AUDIO_DISP_PRIORITY, "AUDIO_DISP_PRIORITY"),
    CHECK_ROW(IDC_MUTE, "MUTE"),
};

static const PageControlRow Page3Controls[] = {
    CHECK_ROW(IDC_DISP_FILENAME, "DISP_FILENAME"),
    CHECK_ROW(IDC_DISP_RESOSIZE, "DISP_RESOSIZE"),
    CHECK_ROW(IDC_DISP_VIDEOSIZE, "DISP_VIDEOSIZE"),
    NUMBER_ROW(IDC_DISP_FONTSIZE, "DISP_FONTSIZE", IDC_DISP_FONTSIZE_SPIN),
    RADIO_ROW(IDC_PLAYLIST_HIDDEN, "PLAYLIST_POSITION", 5),
    CHECK_ROW(IDC_PLAYLIST_LEFTSIDE, "PLAYLIST_LEFTSIDE"),
    NUMBER_ROW(IDC_PLAYLIST_FONTSIZE, "PLAYLIST_FONTSIZE", IDC_PLAYLIST_FONT_SPIN),
    CHECK_ROW(IDC_FOLDER_SELECT_START, "FOLDER_SELECT_START"),
    NUMBER_ROW(IDC_MOUSE_WIDTH, "MOUSE_WIDTH", IDC_MOUSE_WIDTH_SPIN),
    CHECK_ROW(IDC_IGNOREMOUSE, "IGNOREMOUSE"),
    CHECK_ROW(IDC_MONITOR_POWER, "MONITOR_POWER"),
    MONITOR_ROW(IDC_PLAY_MONITOR, "PLAY_MONITOR"),
};

struct PageTable {
    const PageControlRow* rows;
    int count;
};

#define PAGE_TABLE(rows) { rows, (int)(sizeof(rows) / sizeof(rows[0])) }
static const PageTable Page1Table = PAGE_TABLE(Page1Controls);
static const PageTable Page2Table = PAGE_TABLE(Page2Controls);
static const PageTable Page3Table = PAGE_TABLE(Page3Controls);

// A number box is read from its first characters only.
#define VLM_BOX_NUMBER_CHARS 9

// DIRNAME when page 1 opened: a new folder on OK starts without a resume point.
static char FolderAtOpen[VLM_PATH_CHARS];

// ---- numbers

int ParseBoxNumber(const char* text, int chars)
{
    // Nine digits cannot overflow an int.
    char head[VLM_BOX_NUMBER_CHARS + 1];
    if (chars > VLM_BOX_NUMBER_CHARS) chars = VLM_BOX_NUMBER_CHARS;
    if (chars < 0) chars = 0;
    lstrcpynA(head, text, chars + 1);
    return atoi(head);
}

int ReadBoxNumber(HWND dialog, int id, int chars)
{
    char text[VLM_BOX_NUMBER_CHARS + 1];
    if (chars > VLM_BOX_NUMBER_CHARS) chars = VLM_BOX_NUMBER_CHARS;
    if (chars < 0) chars = 0;
    text[0] = '\0';
    GetDlgItemTextA(dialog, id, text, chars + 1);
    return ParseBoxNumber(text, chars);
}

static const SettingsKeyRow* KeyRowOf(const char* name)
{
    for (int i = 0; i < SettingsKeyCount; i++)
        if (strcmp(SettingsKeys[i].name, name) == 0) return &SettingsKeys[i];
    return NULL;
}

int PageNumberValue(int controlId, int value)
{
    static const PageTable* const tables[] = { &Page1Table, &Page2Table, &Page3Table };
    for (const PageTable* table : tables) {
        for (int i = 0; i < table->count; i++) {
            const PageControlRow* row = &table->rows[i];
            if (row->kind != PageNumber || row->id != controlId) continue;
            const SettingsKeyRow* key = KeyRowOf(row->key);
            return key ? CheckSettingsRange(key, value) : value;
        }
    }
    return value;
}

// ---- the rows

static void* FieldOf(const SettingsKeyRow* key)
{
    return (char*)&Settings + key->field;
}

// An option group's value as the index of its button; values outside the
// group check the first button.
static int RadioIndex(const PageControlRow* row, int value)
{
    return (value >= 1 && value < row->radios) ? value : 0;
}

// One choice per monitor in the numbering of PLAY_MONITOR, each item
// carrying its value; a monitor that is not connected now stays chosen
// as its own item, so OK keeps it.
static void FillMonitorChoices(HWND page, int id, int setting)
{
    MonitorList monitors;
    ListMonitors(&monitors);
    int count = monitors.count;
    int selected = 0;
    char label[64];
    for (int choice = 0; choice < (count > 0 ? count : 1); choice++) {
        int value = PlayMonitorSetting(choice);
        int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        if (count > 0) {
            const RECT* r = &monitors.rect[PlayMonitorIndex(count, monitors.mainIndex, value)];
            width = r->right - r->left;
            height = r->bottom - r->top;
        }
        if (choice == 0)
            wsprintfA(label, "メインモニター (%dx%d)", width, height);
        else
            wsprintfA(label, "モニター %d (%dx%d)", value, width, height);
        int item = (int)SendDlgItemMessageA(page, id, CB_ADDSTRING, 0, (LPARAM)label);
        SendDlgItemMessageA(page, id, CB_SETITEMDATA, item, value);
        if (value == setting) selected = item;
    }
    if (setting > count && setting > 1) {
        wsprintfA(label, "モニター %d (未接続)", setting);
        selected = (int)SendDlgItemMessageA(page, id, CB_ADDSTRING, 0, (LPARAM)label);
        SendDlgItemMessageA(page, id, CB_SETITEMDATA, selected, setting);
    }
    SendDlgItemMessageA(page, id, CB_SETCURSEL, selected, 0);
}

static void FillPageControls(HWND page, const PageTable* table)
{
    for (int i = 0; i < table->count; i++) {
        const PageControlRow* row = &table->rows[i];
        const SettingsKeyRow* key = KeyRowOf(row->key);
        if (key == NULL) continue;
        switch (row->kind) {
        case PageText:
            SendDlgItemMessageA(page, row->id, EM_LIMITTEXT, VLM_PATH_CHARS - 1, 0);
            SetDlgItemTextA(page, row->id, (const char*)FieldOf(key));
            break;
        case PageCheck:
            CheckDlgButton(page, row->id, *(BOOL*)FieldOf(key) ? BST_CHECKED : BST_UNCHECKED);
            break;
        case PageRadio:
            CheckRadioButton(page, row->id, row->id + row->radios - 1,
                             row->id + RadioIndex(row, *(int*)FieldOf(key)));
            break;
        case PageNumber:
            SendDlgItemMessageA(page, row->spinId, UDM_SETBUDDY, (WPARAM)GetDlgItem(page, row->id), 0);
            SendDlgItemMessageA(page, row->spinId, UDM_SETRANGE32, key->min, key->max);
            SendDlgItemMessageA(page, row->spinId, UDM_SETPOS32, 0, *(int*)FieldOf(key));
            break;
        case PageMonitor:
            FillMonitorChoices(page, row->id, *(int*)FieldOf(key));
            break;
        }
    }
}

static void ReadPageControls(HWND page, const PageTable* table)
{
    for (int i = 0; i < table->count; i++) {
        const PageControlRow* row = &table->rows[i];
        const SettingsKeyRow* key = KeyRowOf(row->key);
        if (key == NULL) continue;
        switch (row->kind) {
        case PageText: {
            char* text = (char*)FieldOf(key);
            GetDlgItemTextA(page, row->id, text, VLM_PATH_CHARS);
            TrimTrailingSpaces(text);
            break;
        }
        case PageCheck:
            // Disabled boxes count like enabled ones.
            *(BOOL*)FieldOf(key) = IsDlgButtonChecked(page, row->id) == BST_CHECKED;
            break;
        case PageRadio: {
            int value = 0;
            for (int n = 1; n < row->radios && value == 0; n++)
                if (IsDlgButtonChecked(page, row->id + n) == BST_CHECKED) value = n;
            *(int*)FieldOf(key) = value;
            break;
        }
        case PageNumber:
            *(int*)FieldOf(key) = CheckSettingsRange(key, ReadBoxNumber(page, row->id, VLM_BOX_NUMBER_CHARS));
            break;
        case PageMonitor: {
            LRESULT item = SendDlgItemMessageA(page, row->id, CB_GETCURSEL, 0, 0);
            if (item != CB_ERR)
                *(int*)FieldOf(key) =
                    CheckSettingsRange(key, (int)SendDlgItemMessageA(page, row->id, CB_GETITEMDATA, item, 0));
            break;
        }
        }
    }
}

static void WritePageKeys(const PageTable* table)
{
    for (int i = 0; i < table->count; i++) {
        const SettingsKeyRow* key = KeyRowOf(table->rows[i].key);
        if (key == NULL) continue;
        switch (key->kind) {
        case KeyText:
            WriteSettingsText(key->name, (const char*)FieldOf(key));
            break;
        case KeyBool:
            WriteSettingsBool(key->name, *(BOOL*)FieldOf(key));
            break;
        case KeyInt:
            WriteSettingsInt(key->name, *(int*)FieldOf(key));
            break;
        }
    }
}

// ---- page 1 enabling rules

// target is enabled exactly when needChecked (if any) is checked and the
// needClear boxes (if any) are not.
struct EnableRule {
    int target;
    int needChecked;
    int needClear1, needClear2;
};

static const EnableRule Page1Enabling[] = {
    { IDC_RANDOM, 0, IDC_FILELOOP, 0 },
    { IDC_DESCENDING, 0, IDC_FILELOOP, IDC_RANDOM },
    { IDC_ASPECT_RATIO_X, IDC_ASPECT_GIVEN, 0, 0 },
    { IDC_ASPECT_RATIO_Y, IDC_ASPECT_GIVEN, 0, 0 },
    { IDC_SIZE_PERCENT, IDC_SPECIFY_SIZE, 0, 0 },
    { IDC_EXPAND, IDC_CHANGE_RESOLUTION, 0, 0 },
    { IDC_BITSPERPEL_UNCHANGE, IDC_CHANGE_RESOLUTION, 0, 0 },
    { IDC_FIXED_VGA, IDC_CHANGE_RESOLUTION, 0, 0 },
};

static BOOL Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

// The up-down of a number box follows its box, so a disabled value cannot
// be changed by its arrows either.
static int SpinOf(const PageTable* table, int id)
{
    for (int i = 0; i < table->count; i++)
        if (table->rows[i].id == id && table->rows[i].kind == PageNumber) return table->rows[i].spinId;
    return 0;
}

static void ApplyPage1Enabling(HWND page)
{
    for (const EnableRule& rule : Page1Enabling) {
        BOOL enable = (rule.needChecked == 0 || Checked(page, rule.needChecked)) &&
                      (rule.needClear1 == 0 || !Checked(page, rule.needClear1)) &&
                      (rule.needClear2 == 0 || !Checked(page, rule.needClear2));
        EnableWindow(GetDlgItem(page, rule.target), enable);
        int spin = SpinOf(&Page1Table, rule.target);
        if (spin) EnableWindow(GetDlgItem(page, spin), enable);
    }
}

// ---- answers to the sheet

static INT_PTR PageAnswer(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

static INT_PTR Refuse(HWND page, const char* message)
{
    MessageBoxA(page, message, NULL, MB_OK);
    return PageAnswer(page, TRUE);
}

INT_PTR AnswerPageApply(HWND page, int failuresBefore)
{
    if (SettingsWriteFailures == failuresBefore) return PageAnswer(page, PSNRET_NOERROR);
    char text[VLM_PATH_CHARS + 64];
    if (SettingsWriteError)
        wsprintfA(text, "%s(0x%08x)\r\n%s", VLM_TEXT_UNSAVED_SETTINGS, (unsigned)SettingsWriteError,
                  Settings.SettingsPath);
    else
        wsprintfA(text, "%s\r\n%s", VLM_TEXT_UNSAVED_SETTINGS, Settings.SettingsPath);
    MessageBoxA(page, text, NULL, MB_OK);
    return PageAnswer(page, PSNRET_INVALID_NOCHANGEPAGE);
}

static void ReadFolderBox(HWND page, char* folder)
{
    folder[0] = '\0';
    GetDlgItemTextA(page, IDC_DIRNAME, folder, VLM_PATH_CHARS);
    TrimTrailingBackslashes(folder);
}

static int IsExistingFolder(const char* folder)
{
    DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---- page 1: folder, extensions, order, size, resolution

static void OnPage1Open(HWND page)
{
    SettingsPage1Window = page;
    HWND sheet = SheetWindow ? SheetWindow : GetParent(page);
    SendMessageA(sheet, WM_SETICON, ICON_BIG, (LPARAM)LoadIconA(Settings.Instance, MAKEINTRESOURCEA(IDI_QUORLIN)));

    lstrcpynA(FolderAtOpen, Settings.DirName, VLM_PATH_CHARS);
    SendDlgItemMessageA(page, IDC_DIRNAME, EM_LIMITTEXT, VLM_PATH_CHARS - 1, 0);
    SetDlgItemTextA(page, IDC_DIRNAME, Settings.DirName);
    FillPageControls(page, &Page1Table);
    ProgramPlaySync(SyncPage1Opens, FALSE, FALSE, FALSE, NULL, FALSE);
    ApplyPage1Enabling(page);
    AttachHelpPane(PanePage1, page);
}

// A folder chosen by browsing or from the history switches program play off.
static void ShowChosenFolder(char* folder)
{
    ProgramPlaySync(SyncSet, FALSE, TRUE, TRUE, folder, TRUE);
}

static void OnFolderChange(HWND page)
{
    char folder[VLM_PATH_CHARS];
    ReadFolderBox(page, folder);
    if (BrowseForFolder(page, folder)) ShowChosenFolder(folder);
}

static void OnHistoryOpen(HWND page)
{
    GetDlgItemTextA(page, IDC_DIRNAME, Settings.DirName, VLM_PATH_CHARS);
    if (TrimTrailingBackslashes(Settings.DirName)) SetDlgItemTextA(page, IDC_DIRNAME, Settings.DirName);
    if (HistoryDialog(page) == 1) ShowChosenFolder(Settings.DirName);
}

static void OnSpecifySize(HWND page)
{
    if (!Checked(page, IDC_SPECIFY_SIZE)) return;
    Settings.SizePercent = 100;
    SendDlgItemMessageA(page, IDC_SIZE_PERCENT_SPIN, UDM_SETPOS32, 0, 100);
    SetDlgItemInt(page, IDC_SIZE_PERCENT, 100, FALSE);
}

static void OnPage1Command(HWND page, int id)
{
    switch (id) {
    case IDC_FOLDER_CHANGE:
        OnFolderChange(page);
        break;
    case IDC_HISTORY_OPEN:
        OnHistoryOpen(page);
        break;
    case IDC_PROGRAM_PLAY1:
        ProgramPlaySync(SyncPage1Clicked, FALSE, FALSE, FALSE, Settings.DirName, FALSE);
        break;
    case IDC_SPECIFY_SIZE:
        OnSpecifySize(page);
        ApplyPage1Enabling(page);
        break;
    case IDC_FILELOOP:
    case IDC_RANDOM:
    case IDC_CHANGE_RESOLUTION:
    case IDC_ASPECT_FILE:
    case IDC_ASPECT_4_3:
    case IDC_ASPECT_16_9:
    case IDC_ASPECT_GIVEN:
        ApplyPage1Enabling(page);
        break;
    }
}

static INT_PTR OnPage1Leave(HWND page)
{
    char text[VLM_PATH_CHARS];
    ReadFolderBox(page, text);
    // An empty box is allowed: the folder is then asked for at start.
    if (text[0] != '\0' && !IsExistingFolder(text)) return Refuse(page, "動画ファイルのフォルダ名が間違っています。");
    text[0] = '\0';
    GetDlgItemTextA(page, IDC_EXTENSIONS, text, VLM_PATH_CHARS);
    if (HasForbiddenExtensionChar(text)) return Refuse(page, "拡張子が間違ってます。");
    return PageAnswer(page, FALSE);
}

static INT_PTR OnPage1Apply(HWND page)
{
    ReadFolderBox(page, Settings.DirName);
    Settings.ProgramPlay = Checked(page, IDC_PROGRAM_PLAY1);
    ReadPageControls(page, &Page1Table);
    int failures = SettingsWriteFailures;
    SaveFolderState(1, 1, 1, 1, strcmp(Settings.DirName, FolderAtOpen) != 0);
    WritePageKeys(&Page1Table);
    // The sheet stays open when the settings could not be saved.
    if (SettingsWriteFailures != failures) return AnswerPageApply(page, failures);
    DestroyPageTips();
    return PageAnswer(page, PSNRET_NOERROR);
}

INT_PTR CALLBACK SettingsPage1Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandleHelpPane(PanePage1, page, message, wParam, lParam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        OnPage1Open(page);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnPage1Command(page, LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        switch (((NMHDR*)lParam)->code) {
        case PSN_KILLACTIVE:
            return OnPage1Leave(page);
        case PSN_APPLY:
            return OnPage1Apply(page);
        case PSN_RESET:
            DestroyPageTips();
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// ---- page 2: intro, skip, seek steps, end time, audio

// Intro play needs its start before its end, both as typed and as they
// would be stored (a time out of range is stored as its default).
static int IntroRangeInverted(int start, int end)
{
    return start >= end ||
           PageNumberValue(IDC_INTRO_START, start) >= PageNumberValue(IDC_INTRO_END, end);
}

static INT_PTR OnPage2Leave(HWND page)
{
    if (Checked(page, IDC_INTRO_PLAY) &&
        IntroRangeInverted(ReadBoxNumber(page, IDC_INTRO_START, VLM_BOX_NUMBER_CHARS),
                           ReadBoxNumber(page, IDC_INTRO_END, VLM_BOX_NUMBER_CHARS)))
        return Refuse(page, "イントロ再生の開始時間が終了時間以上です。");
    return PageAnswer(page, FALSE);
}

// Pages 2 and 3: open, OK and (page 2) the check on leaving.
static INT_PTR SettingsPageProc(int pageNumber, const PageTable* table, HWND page, UINT message, WPARAM wParam,
                                LPARAM lParam)
{
    if (HandleHelpPane(pageNumber, page, message, wParam, lParam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        FillPageControls(page, table);
        AttachHelpPane(pageNumber, page);
        return TRUE;
    case WM_NOTIFY:
        switch (((NMHDR*)lParam)->code) {
        case PSN_KILLACTIVE:
            if (pageNumber == PanePage2) return OnPage2Leave(page);
            break;
        case PSN_APPLY: {
            ReadPageControls(page, table);
            int failures = SettingsWriteFailures;
            WritePageKeys(table);
            return AnswerPageApply(page, failures);
        }
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK SettingsPage2Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsPageProc(PanePage2, &Page2Table, page, message, wParam, lParam);
}

// ---- page 3: status display, playlist, folder selection, mouse, power,
// the monitor that plays

INT_PTR CALLBACK SettingsPage3Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsPageProc(PanePage3, &Page3Table, page, message, wParam, lParam);
}
