// The configuration property sheet: its five pages, the help panes of four
// of them (a white area that explains the control under the mouse), the key
// table page, and the two program-play check boxes kept in step.
#include "vlm_configwin.h"
#include "Quorlin.h"
#include "resource.h"
#include "vlm_global.h"
#include "vlm_subwin.h"
#include <commctrl.h>
#include <string.h>

#define VLM_SHEET_CAPTION "Velmora Configuration"
#define VLM_PAGE_FACE "ＭＳ Ｐゴシック"
// Pixel sizes at 100 %; each is scaled to the page's DPI.
#define VLM_PANE_FONT_HEIGHT 12
#define VLM_PANE_TEXT_INSET 4
#define VLM_KEYPAGE_FONT_HEIGHT 15
// Size and font of every page template.
#define VLM_PAGE_WIDTH_DLU 343
#define VLM_PAGE_HEIGHT_DLU 253
#define VLM_PAGE_FONT_POINTS 9

HWND SheetWindow;
HWND SettingsPage1Window;
HWND ProgramPageWindow;
char* EntryNameBuffer;

// Help string, page number, the control ids it explains, 0; a 0 string ends
// the table. Group k fills slot k of the help text store.
const int HelpTextTable[] = {
    40037, PaneProgram, IDC_PROGRAM_NEW, 0,
    40038, PaneProgram, IDC_PROGRAM_EDIT, 0,
    40039, PaneProgram, IDC_PROGRAM_UP, 0,
    40040, PaneProgram, IDC_PROGRAM_DOWN, 0,
    40041, PaneProgram, IDC_PROGRAM_DELETE, 0,
    40042, PaneProgram, IDC_PROGRAM_PLAY2, 0,
    40000, PanePage1, IDC_DIRNAME, 0,
    40001, PanePage1, IDC_EXTENSIONS, 0,
    40002, PanePage1, IDC_FOLDER_CHANGE, 0,
    40003, PanePage1, IDC_HISTORY_OPEN, 0,
    40004, PanePage1, IDC_PROGRAM_PLAY1, 0,
    40005, PanePage1, IDC_FILELOOP, 0,
    40006, PanePage1, IDC_RANDOM, 0,
    40007, PanePage1, IDC_DESCENDING, 0,
    40008, PanePage1, IDC_CONTINUOUS_PLAY, 0,
    40009, PanePage1, IDC_ASPECT_FILE, IDC_ASPECT_4_3, IDC_ASPECT_16_9, IDC_ASPECT_GIVEN,
        IDC_ASPECT_RATIO_X, IDC_ASPECT_RATIO_Y, 0,
    40010, PanePage1, IDC_SPECIFY_SIZE, IDC_SIZE_PERCENT, 0,
    40011, PanePage1, IDC_CHANGE_RESOLUTION, 0,
    40012, PanePage1, IDC_EXPAND, 0,
    40013, PanePage1, IDC_BITSPERPEL_UNCHANGE, 0,
    40014, PanePage1, IDC_FIXED_VGA, 0,
    40015, PanePage2, IDC_INTRO_PLAY, 0,
    40016, PanePage2, IDC_INTRO_START, IDC_INTRO_END, 0,
    40017, PanePage2, IDC_SKIP_OFF, IDC_SKIP_BY_NUMBER, IDC_SKIP_BY_TIME, 0,
    40018, PanePage2, IDC_SKIP_NUMBER, 0,
    40019, PanePage2, IDC_SKIP_TIME, 0,
    40020, PanePage2, IDC_SKIP_PLAY_TIME, 0,
    40021, PanePage2, IDC_SEEKTIME1, IDC_SEEKTIME2, IDC_SEEKTIME3, IDC_SEEKTIME4, 0,
    40022, PanePage2, IDC_END_PLAY_TIME, 0,
    40023, PanePage2, IDC_AUDIO_SELECT, 0,
    40024, PanePage2, IDC_AUDIO_DISP_PRIORITY, 0,
    40025, PanePage2, IDC_MUTE, 0,
    40026, PanePage3, IDC_DISP_FILENAME, 0,
    40027, PanePage3, IDC_DISP_RESOSIZE, 0,
    40028, PanePage3, IDC_DISP_VIDEOSIZE, 0,
    40029, PanePage3, IDC_DISP_FONTSIZE, 0,
    40030, PanePage3, IDC_PLAYLIST_HIDDEN, IDC_PLAYLIST_QUARTER, IDC_PLAYLIST_HALF,
        IDC_PLAYLIST_3QUARTERS, IDC_PLAYLIST_FULL, 0,
    40031, PanePage3, IDC_PLAYLIST_LEFTSIDE, 0,
    40032, PanePage3, IDC_PLAYLIST_FONTSIZE, 0,
    40033, PanePage3, IDC_FOLDER_SELECT_START, 0,
    40034, PanePage3, IDC_MOUSE_WIDTH, 0,
    40035, PanePage3, IDC_IGNOREMOUSE, 0,
    40036, PanePage3, IDC_MONITOR_POWER, 0,
    40043, PanePage3, IDC_PLAY_MONITOR, 0,
    0,
};

// One help text per slot, 639 bytes and a terminator; valid while the sheet runs.
static char* HelpTextStore;

// The help pane of page numbers 1 to 4 (index 0 unused).
struct HelpPaneState {
    RECT rect;       // in page client coordinates
    int slot;        // shown help text, -1 for none
    HWND tip;        // hover-only tooltip
    HWND page;
};
static HelpPaneState HelpPanes[5];

static POINT KeyPageOrigin;
static HWND KeyPageWindow;
// The DPI the sheet's list columns were last sized for.
static int SheetDpi;

static void ResetHelpPanes()
{
    for (int n = 0; n < 5; n++) {
        SetRectEmpty(&HelpPanes[n].rect);
        HelpPanes[n].slot = -1;
        HelpPanes[n].tip = NULL;
        HelpPanes[n].page = NULL;
    }
    KeyPageWindow = NULL;
}

// The face of the pages, in Shift-JIS, height in pixels (negative: the
// character height without the leading); other attributes default.
static HFONT CreatePageFont(int height)
{
    LOGFONTA face;
    memset(&face, 0, sizeof(face));
    face.lfHeight = height;
    face.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynA(face.lfFaceName, VLM_PAGE_FACE, LF_FACESIZE);
    return CreateFontIndirectA(&face);
}

// ---- the help text table

// Index of the group after the group that starts at index i (its string id).
static int NextHelpGroup(int i)
{
    for (i += 2; HelpTextTable[i] != 0; i++) {
    }
    return i + 1;
}

static int GroupHasControl(int i, int controlId)
{
    for (int j = i + 2; HelpTextTable[j] != 0; j++)
        if (HelpTextTable[j] == controlId) return 1;
    return 0;
}

int HelpSlotOf(int pageNumber, int controlId)
{
    for (int i = 0, slot = 0; HelpTextTable[i] != 0; i = NextHelpGroup(i), slot++)
        if (HelpTextTable[i + 1] == pageNumber && GroupHasControl(i, controlId)) return slot;
    return -1;
}

int LoadHelpTextStore(HINSTANCE module, char* store)
{
    for (int i = 0, k = 0; HelpTextTable[i] != 0; i = NextHelpGroup(i), k++) {
        if (k >= VLM_HELP_SLOTS)
            return SetError(VLM_ERR_FATAL, "プログラム内部の文字列テーブルの数が足りません。", VLM_HELP_SLOTS);
        char* slot = store + k * VLM_HELP_SLOT_BYTES;
        SetLastError(0);
        if (LoadStringA(module, (UINT)HelpTextTable[i], slot, VLM_HELP_SLOT_BYTES) <= 0) {
            slot[0] = '\0';
            // A string that is simply absent leaves its slot empty.
            DWORD error = GetLastError();
            if (error != 0)
                return SetError(VLM_ERR_FATAL, "ヘルプ文面の文字列リソースのロードに失敗しました。", error);
        }
        slot[VLM_HELP_SLOT_BYTES - 1] = '\0';
    }
    return 1;
}

// ---- help pane

static int PaneNeedsPaint(const RECT* update, const RECT* pane)
{
    // Touching edges count: the pane's border pixels belong to it.
    return update->left <= pane->right && update->right >= pane->left && update->top <= pane->bottom &&
           update->bottom >= pane->top;
}

static HelpPaneState* PaneOf(int pageNumber)
{
    return (pageNumber >= PaneProgram && pageNumber <= PanePage3) ? &HelpPanes[pageNumber] : NULL;
}

// Group boxes 1701 to 1704 frame the panes of pages 1 to 4.
static int PaneFrameId(int pageNumber)
{
    return IDC_PANE_PROGRAM + pageNumber - PaneProgram;
}

static void AddHelpTools(HWND tip, int pageNumber, HWND page)
{
    for (int i = 0; HelpTextTable[i] != 0; i = NextHelpGroup(i)) {
        if (HelpTextTable[i + 1] != pageNumber) continue;
        for (int j = i + 2; HelpTextTable[j] != 0; j++) {
            HWND control = GetDlgItem(page, HelpTextTable[j]);
            if (control == NULL) continue;
            TOOLINFOA tool;
            memset(&tool, 0, sizeof(tool));
            // The size comctl32 5 accepts as well as 6.
            tool.cbSize = TTTOOLINFOA_V2_SIZE;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = page;
            tool.uId = (UINT_PTR)control;
            tool.hinst = Settings.Instance;
            tool.lpszText = LPSTR_TEXTCALLBACKA;
            SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&tool);
        }
    }
}

// The white area inside the page's group box, at the page's DPI; again
// whenever the group box may have moved.
static void PlaceHelpPane(HelpPaneState* pane, int pageNumber)
{
    RECT box;
    SetRectEmpty(&pane->rect);
    HWND frame = GetDlgItem(pane->page, PaneFrameId(pageNumber));
    if (frame != NULL && GetWindowRect(frame, &box)) {
        MapWindowPoints(NULL, pane->page, (POINT*)&box, 2);
        int dpi = WindowDpi(pane->page);
        SetRect(&pane->rect, box.left + ScaleForDpi(2, dpi), box.top + ScaleForDpi(7, dpi),
                box.right - ScaleForDpi(2, dpi), box.bottom - ScaleForDpi(2, dpi));
    }
    InvalidateRect(pane->page, &pane->rect, TRUE);
}

HWND AttachHelpPane(int pageNumber, HWND page)
{
    HelpPaneState* pane = PaneOf(pageNumber);
    if (pane == NULL) return NULL;
    pane->slot = -1;
    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, NULL, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, page, NULL, Settings.Instance, NULL);
    if (tip != NULL) {
        AddHelpTools(tip, pageNumber, page);
        SendMessageA(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 0);
        SendMessageA(tip, TTM_SETDELAYTIME, TTDT_RESHOW, 0);
    }
    pane->tip = tip;
    pane->page = page;
    PlaceHelpPane(pane, pageNumber);
    return tip;
}

static void ShowHelpSlot(HelpPaneState* pane, HWND page, int slot)
{
    if (slot >= 0 && slot != pane->slot) {
        pane->slot = slot;
        InvalidateRect(page, &pane->rect, TRUE);
    }
}

// A tooltip asks for the text of the tool under the mouse: that control's
// help becomes the pane's text.
static void OnHelpHover(HelpPaneState* pane, HWND page, int pageNumber, UINT flags, UINT_PTR tool)
{
    if (!(flags & TTF_IDISHWND)) return;
    ShowHelpSlot(pane, page, HelpSlotOf(pageNumber, GetDlgCtrlID((HWND)tool)));
}

// A disabled control gets no mouse input, so its tooltip never asks: the
// page has the mouse instead and looks for the control under it.
static void OnPageMouseMove(HelpPaneState* pane, HWND page, int pageNumber, LPARAM lParam)
{
    POINT point = { (short)LOWORD(lParam), (short)HIWORD(lParam) };
    for (int i = 0, slot = 0; HelpTextTable[i] != 0; i = NextHelpGroup(i), slot++) {
        if (HelpTextTable[i + 1] != pageNumber) continue;
        for (int j = i + 2; HelpTextTable[j] != 0; j++) {
            HWND control = GetDlgItem(page, HelpTextTable[j]);
            RECT box;
            if (control == NULL || !IsWindowVisible(control) || !GetWindowRect(control, &box)) continue;
            MapWindowPoints(NULL, page, (POINT*)&box, 2);
            if (PtInRect(&box, point)) {
                ShowHelpSlot(pane, page, slot);
                return;
            }
        }
    }
}

static void PaintHelpPane(const HelpPaneState* pane, HWND page)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    if (dc == NULL) return;
    if (PaneNeedsPaint(&ps.rcPaint, &pane->rect)) {
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
        Rectangle(dc, pane->rect.left, pane->rect.top, pane->rect.right, pane->rect.bottom);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        const char* text = (HelpTextStore && pane->slot >= 0) ? HelpTextStore + pane->slot * VLM_HELP_SLOT_BYTES : "";
        if (text[0] != '\0') {
            int dpi = WindowDpi(page);
            HFONT font = CreatePageFont(ScaleForDpi(VLM_PANE_FONT_HEIGHT, dpi));
            HGDIOBJ oldFont = font ? SelectObject(dc, font) : NULL;
            SetBkMode(dc, TRANSPARENT);
            RECT inner = pane->rect;
            int inset = ScaleForDpi(VLM_PANE_TEXT_INSET, dpi);
            InflateRect(&inner, -inset, -inset);
            DrawTextA(dc, text, -1, &inner, DT_WORDBREAK | DT_NOPREFIX);
            if (font) {
                SelectObject(dc, oldFont);
                DeleteObject(font);
            }
        }
    }
    EndPaint(page, &ps);
}

BOOL HandleHelpPane(int pageNumber, HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    HelpPaneState* pane = PaneOf(pageNumber);
    if (pane == NULL) return FALSE;
    if (message == WM_PAINT) {
        PaintHelpPane(pane, page);
        return TRUE;
    }
    if (message == WM_MOUSEMOVE) {
        OnPageMouseMove(pane, page, pageNumber, lParam);
        return FALSE;
    }
    if (message == WM_NOTIFY) {
        // The answer is always no text, so no bubble is ever shown.
        NMHDR* header = (NMHDR*)lParam;
        if (header->hwndFrom != pane->tip || pane->tip == NULL) return FALSE;
        if (header->code == TTN_GETDISPINFOA) {
            NMTTDISPINFOA* info = (NMTTDISPINFOA*)lParam;
            OnHelpHover(pane, page, pageNumber, info->uFlags, header->idFrom);
            info->szText[0] = '\0';
            info->lpszText = info->szText;
            return TRUE;
        }
        if (header->code == TTN_GETDISPINFOW) {
            NMTTDISPINFOW* info = (NMTTDISPINFOW*)lParam;
            OnHelpHover(pane, page, pageNumber, info->uFlags, header->idFrom);
            info->szText[0] = L'\0';
            info->lpszText = info->szText;
            return TRUE;
        }
    }
    return FALSE;
}

void DestroyPageTips()
{
    for (int n = PaneProgram; n <= PanePage3; n++) {
        if (HelpPanes[n].tip != NULL) DestroyWindow(HelpPanes[n].tip);
        HelpPanes[n].tip = NULL;
    }
}

// ---- report lists

void SetUpReportList(HWND list, const ListColumn* columns, int count)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    int dpi = WindowDpi(list);
    for (int c = 0; c < count; c++) {
        LVCOLUMNA column;
        memset(&column, 0, sizeof(column));
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = columns[c].format;
        column.cx = ScaleForDpi(columns[c].width, dpi);
        column.pszText = (char*)columns[c].title;
        column.iSubItem = c;
        SendMessageA(list, LVM_INSERTCOLUMNA, c, (LPARAM)&column);
    }
}

// ---- program play shown twice

static HWND Page1Item(int id)
{
    return SettingsPage1Window ? GetDlgItem(SettingsPage1Window, id) : NULL;
}

static void SetProgramPlayChecks(BOOL state, BOOL setCheck1419, BOOL setCheck1420, char* folderText,
                                 BOOL setEnable)
{
    UINT check = state ? BST_CHECKED : BST_UNCHECKED;
    if (setCheck1419 && SettingsPage1Window) CheckDlgButton(SettingsPage1Window, IDC_PROGRAM_PLAY1, check);
    if (setCheck1420 && ProgramPageWindow) CheckDlgButton(ProgramPageWindow, IDC_PROGRAM_PLAY2, check);
    if (folderText != NULL && SettingsPage1Window) {
        // The folder stays in memory while program play hides it.
        if (state) {
            GetDlgItemTextA(SettingsPage1Window, IDC_DIRNAME, folderText, VLM_PATH_CHARS);
            TrimTrailingBackslashes(folderText);
            SetDlgItemTextA(SettingsPage1Window, IDC_DIRNAME, "");
        } else {
            SetDlgItemTextA(SettingsPage1Window, IDC_DIRNAME, folderText);
        }
    }
    if (setEnable) {
        HWND folder = Page1Item(IDC_DIRNAME), extensions = Page1Item(IDC_EXTENSIONS);
        if (folder) EnableWindow(folder, !state);
        if (extensions) EnableWindow(extensions, !state);
    }
}

// A click that turns program play on is refused while there is no list.
static BOOL ProgramPlayRefused(BOOL state, HWND owner, int checkId)
{
    if (!state || Settings.ProgramListNonEmpty) return FALSE;
    if (owner) CheckDlgButton(owner, checkId, BST_UNCHECKED);
    MessageBoxA(owner, "プログラム再生・ファイルリストがありません。", NULL, MB_OK);
    return TRUE;
}

void ProgramPlaySync(int kind, BOOL state, BOOL setCheck1419, BOOL setCheck1420, char* folderText,
                     BOOL setEnable)
{
    switch (kind) {
    case SyncPage1Opens:
        SetProgramPlayChecks(Settings.ProgramPlay, TRUE, FALSE, NULL, TRUE);
        break;
    case SyncProgramPageOpens:
        state = SettingsPage1Window && IsDlgButtonChecked(SettingsPage1Window, IDC_PROGRAM_PLAY1) == BST_CHECKED;
        SetProgramPlayChecks(state, FALSE, TRUE, NULL, FALSE);
        break;
    case SyncPage1Clicked:
        state = SettingsPage1Window && IsDlgButtonChecked(SettingsPage1Window, IDC_PROGRAM_PLAY1) == BST_CHECKED;
        if (ProgramPlayRefused(state, SettingsPage1Window, IDC_PROGRAM_PLAY1)) break;
        SetProgramPlayChecks(state, FALSE, TRUE, folderText, TRUE);
        break;
    case SyncProgramPageClicked:
        state = ProgramPageWindow && IsDlgButtonChecked(ProgramPageWindow, IDC_PROGRAM_PLAY2) == BST_CHECKED;
        if (ProgramPlayRefused(state, ProgramPageWindow, IDC_PROGRAM_PLAY2)) break;
        SetProgramPlayChecks(state, TRUE, FALSE, folderText, TRUE);
        break;
    case SyncSet:
        SetProgramPlayChecks(state, setCheck1419, setCheck1420, folderText, setEnable);
        break;
    }
}

// ---- key table page

static void PaintKeyPage(HWND page)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    if (dc == NULL) return;
    int dpi = WindowDpi(page);
    HFONT font = CreatePageFont(ScaleForDpi(VLM_KEYPAGE_FONT_HEIGHT, dpi));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : NULL;
    int x = KeyPageOrigin.x, y = KeyPageOrigin.y;
    if (KeyHelpTitle[0])
        TextOutA(dc, x + ScaleForDpi(10, dpi), y + ScaleForDpi(5, dpi), KeyHelpTitle, lstrlenA(KeyHelpTitle));
    for (int i = 0; i < VLM_KEYHELP_ROWS; i++) {
        int rowY = y + ScaleForDpi(26 + 17 * i, dpi);
        // A description without a key name continues the row above.
        if (KeyHelpNames[i][0])
            TextOutA(dc, x + ScaleForDpi(37, dpi), rowY, KeyHelpNames[i], lstrlenA(KeyHelpNames[i]));
        if (KeyHelpDescriptions[i][0])
            TextOutA(dc, x + ScaleForDpi(187, dpi), rowY, KeyHelpDescriptions[i], lstrlenA(KeyHelpDescriptions[i]));
    }
    if (font) {
        SelectObject(dc, oldFont);
        DeleteObject(font);
    }
    EndPaint(page, &ps);
}

static void PlaceKeyPageOrigin(HWND page)
{
    RECT box;
    KeyPageOrigin.x = KeyPageOrigin.y = 0;
    HWND frame = GetDlgItem(page, IDC_KEYHELP_FRAME);
    if (frame != NULL && GetWindowRect(frame, &box)) {
        MapWindowPoints(NULL, page, (POINT*)&box, 2);
        KeyPageOrigin.x = box.left + ScaleForDpi(2, WindowDpi(page));
        KeyPageOrigin.y = box.top + ScaleForDpi(7, WindowDpi(page));
    }
}

static INT_PTR CALLBACK KeyHelpPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        KeyPageWindow = page;
        PlaceKeyPageOrigin(page);
        return TRUE;
    case WM_DESTROY:
        KeyPageWindow = NULL;
        return FALSE;
    case WM_PAINT:
        PaintKeyPage(page);
        return TRUE;
    }
    return FALSE;
}

// ---- the sheet

// The sheet sizes its page area in its own font's dialog units, while the
// pages use "ＭＳ Ｐゴシック": where that font is the wider one the pages would
// be cut off. The page area is grown to the pages' own size in pixels, with
// the font at the sheet's DPI as the dialog manager makes it.
static void PageTemplatePixels(HWND sheet, SIZE* size)
{
    size->cx = size->cy = 0;
    HDC dc = GetDC(NULL);
    if (dc == NULL) return;
    HFONT font = CreatePageFont(-MulDiv(VLM_PAGE_FONT_POINTS, WindowDpi(sheet), 72));
    if (font != NULL) {
        // The dialog manager's base units: average letter width and cell height.
        static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA metrics;
        SIZE extent;
        if (GetTextMetricsA(dc, &metrics) && GetTextExtentPoint32A(dc, letters, 52, &extent)) {
            int baseX = (extent.cx / 26 + 1) / 2;
            size->cx = MulDiv(VLM_PAGE_WIDTH_DLU, baseX, 4);
            size->cy = MulDiv(VLM_PAGE_HEIGHT_DLU, metrics.tmHeight, 8);
        }
        SelectObject(dc, old);
        DeleteObject(font);
    }
    ReleaseDC(NULL, dc);
}

struct SheetGrowth {
    HWND sheet, tab;
    int dx, dy;
    RECT pageArea;  // in sheet client coordinates
};

static BOOL CALLBACK GrowSheetChild(HWND child, LPARAM lParam)
{
    const SheetGrowth* growth = (const SheetGrowth*)lParam;
    if (GetParent(child) != growth->sheet || child == growth->tab) return TRUE;
    char name[16];
    GetClassNameA(child, name, sizeof(name));
    if (lstrcmpA(name, "#32770") == 0) {
        // A page already created takes the whole page area.
        SetWindowPos(child, NULL, growth->pageArea.left, growth->pageArea.top,
                     growth->pageArea.right - growth->pageArea.left, growth->pageArea.bottom - growth->pageArea.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    // The buttons keep their place below and right of the tabs.
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(NULL, growth->sheet, (POINT*)&r, 2);
    SetWindowPos(child, NULL, r.left + growth->dx, r.top + growth->dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

static void GrowSheetToPages(HWND sheet)
{
    SheetGrowth growth;
    growth.sheet = sheet;
    growth.tab = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    if (growth.tab == NULL) return;
    SIZE need;
    PageTemplatePixels(sheet, &need);
    RECT area, tabRect;
    GetClientRect(growth.tab, &area);
    SendMessageA(growth.tab, TCM_ADJUSTRECT, FALSE, (LPARAM)&area);
    growth.dx = need.cx > area.right - area.left ? need.cx - (area.right - area.left) : 0;
    growth.dy = need.cy > area.bottom - area.top ? need.cy - (area.bottom - area.top) : 0;

    if (growth.dx > 0 || growth.dy > 0) {
        GetWindowRect(growth.tab, &tabRect);
        MapWindowPoints(NULL, sheet, (POINT*)&tabRect, 2);
        SetWindowPos(growth.tab, NULL, 0, 0, tabRect.right - tabRect.left + growth.dx,
                     tabRect.bottom - tabRect.top + growth.dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(growth.tab, &growth.pageArea);
        SendMessageA(growth.tab, TCM_ADJUSTRECT, FALSE, (LPARAM)&growth.pageArea);
        MapWindowPoints(growth.tab, sheet, (POINT*)&growth.pageArea, 2);
        EnumChildWindows(sheet, GrowSheetChild, (LPARAM)&growth);
        RECT frame;
        GetWindowRect(sheet, &frame);
        SetWindowPos(sheet, NULL, 0, 0, frame.right - frame.left + growth.dx, frame.bottom - frame.top + growth.dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// List columns keep their width at 100 %: at the new DPI they are scaled
// from the one they had.
static BOOL CALLBACK ScaleListColumns(HWND child, LPARAM dpi)
{
    char name[32];
    if (!GetClassNameA(child, name, sizeof(name)) || lstrcmpiA(name, WC_LISTVIEWA) != 0) return TRUE;
    HWND header = (HWND)SendMessageA(child, LVM_GETHEADER, 0, 0);
    int columns = header ? (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) : 0;
    for (int c = 0; c < columns; c++) {
        int width = (int)SendMessageA(child, LVM_GETCOLUMNWIDTH, c, 0);
        SendMessageA(child, LVM_SETCOLUMNWIDTH, c, MAKELPARAM(MulDiv(width, (int)dpi, SheetDpi), 0));
    }
    return TRUE;
}

void RelayoutSheetForDpi(HWND sheet)
{
    int dpi = WindowDpi(sheet);
    if (SheetDpi > 0 && dpi != SheetDpi) EnumChildWindows(sheet, ScaleListColumns, dpi);
    SheetDpi = dpi;
    for (int n = PaneProgram; n <= PanePage3; n++)
        if (HelpPanes[n].page != NULL) PlaceHelpPane(&HelpPanes[n], n);
    if (KeyPageWindow != NULL) {
        PlaceKeyPageOrigin(KeyPageWindow);
        InvalidateRect(KeyPageWindow, NULL, TRUE);
    }
    GrowSheetToPages(sheet);
}

#define WM_APP_SHEET_DPI (WM_APP + 16)

// Moved to a monitor of another scaling, the dialog manager lays the
// controls out again; the sheet's own layouts follow once it is done.
static LRESULT CALLBACK SheetSubclassProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR)
{
    if (message == WM_APP_SHEET_DPI) {
        RelayoutSheetForDpi(sheet);
        return 0;
    }
    if (message == WM_DPICHANGED) PostMessageA(sheet, WM_APP_SHEET_DPI, 0, 0);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(sheet, SheetSubclassProc, 0);
    return DefSubclassProc(sheet, message, wParam, lParam);
}

static void FitSheetToPages(HWND sheet)
{
    SheetDpi = WindowDpi(sheet);
    GrowSheetToPages(sheet);
    SetWindowSubclass(sheet, SheetSubclassProc, 0, 0);

    // No owner to sit on: centre the sheet on the work area.
    RECT frame, work;
    GetWindowRect(sheet, &frame);
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        int x = work.left + ((work.right - work.left) - (frame.right - frame.left)) / 2;
        int y = work.top + ((work.bottom - work.top) - (frame.bottom - frame.top)) / 2;
        SetWindowPos(sheet, NULL, x > work.left ? x : work.left, y > work.top ? y : work.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam)
{
    if (message == PSCB_INITIALIZED) {
        SheetWindow = sheet;
        FitSheetToPages(sheet);
    }
    return 0;
}

struct SheetPageRow {
    int templateId;
    DLGPROC proc;
};

// In tab order; each tab shows its template's caption.
static const SheetPageRow SheetPages[] = {
    { IDD_SETTINGS_PAGE1, SettingsPage1Proc },
    { IDD_SETTINGS_PAGE2, SettingsPage2Proc },
    { IDD_SETTINGS_PAGE3, SettingsPage3Proc },
    { IDD_PROGRAM_PAGE, ProgramPageProc },
    { IDD_KEYHELP_PAGE, KeyHelpPageProc },
};
#define VLM_SHEET_PAGES ((int)(sizeof(SheetPages) / sizeof(SheetPages[0])))

static void ReportSheetFailure(DWORD error)
{
    SetError(VLM_ERR_FATAL, "プロパティシートの作成に失敗しました。", error);
}

static void RunSheet()
{
    HPROPSHEETPAGE pages[VLM_SHEET_PAGES];
    int made = 0;
    for (; made < VLM_SHEET_PAGES; made++) {
        PROPSHEETPAGEA page;
        memset(&page, 0, sizeof(page));
        page.dwSize = sizeof(page);
        page.hInstance = Settings.Instance;
        page.pszTemplate = MAKEINTRESOURCEA(SheetPages[made].templateId);
        page.pfnDlgProc = SheetPages[made].proc;
        pages[made] = CreatePropertySheetPageA(&page);
        if (pages[made] == NULL) break;
    }
    if (made < VLM_SHEET_PAGES) {
        ReportSheetFailure(GetLastError());
        while (made > 0) DestroyPropertySheetPage(pages[--made]);
        return;
    }

    PROPSHEETHEADERA header;
    memset(&header, 0, sizeof(header));
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = NULL;
    header.hInstance = Settings.Instance;
    header.pszCaption = VLM_SHEET_CAPTION;
    header.nPages = VLM_SHEET_PAGES;
    header.nStartPage = 0;
    header.phpage = pages;
    header.pfnCallback = SheetCallback;
    SetLastError(0);
    // The pages have written their keys by the time OK closes the sheet.
    if (PropertySheetA(&header) == -1) ReportSheetFailure(GetLastError());
}

static void FreeSheetMemory()
{
    if (EntryNameBuffer) HeapFree(Settings.Heap, 0, EntryNameBuffer);
    if (HelpTextStore) HeapFree(Settings.Heap, 0, HelpTextStore);
    EntryNameBuffer = NULL;
    HelpTextStore = NULL;
}

int ShowConfigurationSheet()
{
    ResetHelpPanes();
    HelpTextStore = (char*)HeapAlloc(Settings.Heap, HEAP_ZERO_MEMORY, VLM_HELP_SLOTS * VLM_HELP_SLOT_BYTES);
    if (HelpTextStore == NULL) {
        SetErrorLast(VLM_ERR_FATAL, "メモリ不足あるいはヒープコラプション発生（ヘルプ文面テーブル）");
        return 0;
    }
    EntryNameBuffer = (char*)HeapAlloc(Settings.Heap, HEAP_ZERO_MEMORY, VLM_ENTRY_NAME_BYTES);
    if (EntryNameBuffer == NULL) {
        SetErrorLast(VLM_ERR_FATAL, "メモリ不足あるいはヒープコラプション発生（プログラム再生ファイル名）");
        FreeSheetMemory();
        return 0;
    }
    if (LoadHelpTextStore(Settings.Instance, HelpTextStore) && LoadKeyHelpTexts()) RunSheet();

    DestroyPageTips();
    ResetHelpPanes();
    SheetWindow = SettingsPage1Window = ProgramPageWindow = NULL;
    FreeSheetMemory();
    return 0;
}
