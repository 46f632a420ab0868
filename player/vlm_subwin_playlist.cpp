// Playlist window: the play list in play order beside the video, the
// playing file marked and a highlighted row that Up, Down and Enter (all
// received by the main window) move and play.
#include "vlm_file.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

#define VLM_PLAYLIST_CLASS "PlaylistWindowClass"
#define VLM_PLAYLIST_FACE "MS UI Gothic"

HWND PlaylistWindow;
int SelectedNumber;

static HWND PlaylistOwner;
static HFONT PlaylistFont;       // normal rows
static HFONT PlaylistBoldFont;   // the highlighted row
static HPEN PlaylistPen;         // outline of the highlight bar
static int RowHeight;            // text height
static int PlaylistDpi;
static int TopNumber;            // play number of the first row; 0: nothing yet

static const COLORREF PlaylistGrey = RGB(192, 192, 192);

// ---- placement and selection arithmetic

int CalcPlaylistRect(int position, BOOL leftSide, int screenW, int screenH, RECT* rect)
{
    int x, width;
    switch (position) {
    case 2: x = screenW / 2; width = screenW / 2; break;
    case 3: x = screenW / 4; width = (screenW / 4) * 3; break;
    case 4: x = 0; width = screenW; break;
    default: x = (screenW / 4) * 3; width = screenW / 4; break;
    }
    if (leftSide) x = 0;
    SetRect(rect, x, 0, x + width, screenH);
    return position >= 1 && position <= 4;
}

int PlacePlaylist(RECT* rect)
{
    int shown = CalcPlaylistRect(Settings.PlaylistPosition, Settings.PlaylistLeftSide,
                                 (int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight, rect);
    OffsetRect(rect, ScreenMode.ScreenLeft, ScreenMode.ScreenTop);
    return shown;
}

void MovePlaylistWindow()
{
    if (PlaylistWindow == NULL) return;
    RECT rect;
    PlacePlaylist(&rect);
    SetWindowPos(PlaylistWindow, NULL, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

int CalcPlaylistTop(int kind, int top, int playNo, int rows)
{
    // A window too short for one whole row still keeps the file as its top.
    if (rows < 1) rows = 1;
    int candidate = rows < playNo ? playNo - rows + 1 : 1;
    BOOL sameList = kind == AtEnd || kind == Step || kind == ByNumber;
    if (sameList && top > 0 && playNo >= top && playNo - top < rows) return top;
    return candidate;
}

int CalcPlaylistMove(BOOL down, int top, int selected, int count, int rows, PlaylistMove* move)
{
    if (top <= 0) return 0;
    if (down && selected >= count) return 0;
    if (!down && selected <= 1) return 0;

    int row = selected - top;
    move->top = top;
    move->scroll = 0;
    if (down) {
        move->selected = selected + 1;
        if (selected >= top + rows - 1) {
            move->scroll = -1;
            move->top = top + 1;
            move->repaintRow = row - 1;
        } else {
            move->repaintRow = row;
        }
    } else {
        move->selected = selected - 1;
        if (selected == top) {
            move->scroll = 1;
            move->top = top - 1;
            move->repaintRow = row;
        } else {
            move->repaintRow = row - 1;
        }
    }
    return 1;
}

// Rows are the text height and 2 pixels at 100 % apart.
static int RowPitch()
{
    return RowHeight + ScaleForDpi(2, PlaylistDpi);
}

static int PlaylistRows(RECT* client)
{
    GetClientRect(PlaylistWindow, client);
    return client->bottom / RowPitch();
}

void PlaylistFollow(int kind)
{
    const MediaFileEntry* current = MediaFileList.current;
    if (current == NULL) return;
    RECT client = {0, 0, 0, 0};
    int rows = PlaylistWindow ? PlaylistRows(&client) : 0;
    TopNumber = CalcPlaylistTop(kind, TopNumber, current->playNo, rows);
    SelectedNumber = current->playNo;
    if (Settings.PlaylistPosition != 0 && PlaylistWindow) InvalidateRect(PlaylistWindow, NULL, TRUE);
}

static void MovePlaylistSelection(BOOL down)
{
    if (Settings.PlaylistPosition == 0 || PlaylistWindow == NULL) return;
    RECT client;
    int rows = PlaylistRows(&client);
    PlaylistMove move;
    if (!CalcPlaylistMove(down, TopNumber, SelectedNumber, MediaFileList.count, rows, &move))
        return;

    int pitch = RowPitch();
    if (move.scroll != 0 && rows > 2) {
        // Pending paint first: the scroll moves pixels, and they must be the
        // rows they stand for.
        UpdateWindow(PlaylistWindow);
        RECT band = {0, pitch, client.right, (rows - 1) * pitch};
        ScrollWindowEx(PlaylistWindow, 0, move.scroll * pitch, &band, NULL, NULL, NULL, 0);
    }
    TopNumber = move.top;
    SelectedNumber = move.selected;
    RECT area = {0, move.repaintRow * pitch, client.right, (move.repaintRow + 2) * pitch};
    InvalidateRect(PlaylistWindow, &area, TRUE);
}

// ---- painting

static void DrawPlaylistRow(HDC dc, const MediaFileEntry* entry, int y, int width)
{
    BOOL playing = entry == MediaFileList.current;
    if (entry->playNo == SelectedNumber) {
        Rectangle(dc, 0, y, width, y + RowPitch());
        SelectObject(dc, PlaylistBoldFont);
        SetTextColor(dc, playing ? RGB(0, 0, 255) : RGB(0, 0, 0));
    } else {
        SelectObject(dc, PlaylistFont);
        SetTextColor(dc, playing ? RGB(0, 255, 255) : RGB(255, 255, 255));
    }
    TextOutA(dc, ScaleForDpi(10, PlaylistDpi), y + ScaleForDpi(1, PlaylistDpi), entry->name,
             lstrlenA(entry->name));
}

static void DrawPlaylistRows(HWND window, HDC dc, const RECT* update)
{
    RECT client;
    GetClientRect(window, &client);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, PlaylistPen);
    HGDIOBJ oldFont = SelectObject(dc, PlaylistFont);

    int pitch = RowPitch();
    int y = 0;
    for (const MediaFileEntry* entry = MediaFileList.head; entry; entry = entry->next) {
        if (entry->playNo >= TopNumber) {
            if (y < update->bottom && y + pitch - 1 >= update->top)
                DrawPlaylistRow(dc, entry, y, client.right);
            y += pitch;
        }
        // Only whole rows are drawn.
        if (y + pitch - 1 >= client.bottom) break;
    }

    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

static void OnPlaylistPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc) return;
    if (TopNumber > 0 && Settings.PlaylistPosition != 0) DrawPlaylistRows(window, dc, &ps.rcPaint);
    EndPaint(window, &ps);
}

// A white line over the thin border sets the panel off from the video.
static void DrawPlaylistFrame(HWND window)
{
    HDC dc = GetWindowDC(window);
    if (!dc) return;
    RECT rect;
    GetWindowRect(window, &rect);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    Rectangle(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    ReleaseDC(window, dc);
}

static void OnPlaylistDpiChanged(HWND window, int dpi);

static LRESULT CALLBACK PlaylistWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPlaylistPaint(window);
        return 0;
    case WM_NCPAINT: {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        if (Settings.PlaylistPosition != 0) DrawPlaylistFrame(window);
        return result;
    }
    case WM_APP_LISTUP:
    case WM_APP_LISTDOWN:
        MovePlaylistSelection(message == WM_APP_LISTDOWN);
        return 0;
    case WM_DPICHANGED:
        OnPlaylistDpiChanged(window, HIWORD(wParam));
        return 0;
    }
    if (ForwardCompanionInput(PlaylistOwner, message, wParam, lParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// ---- creation and destruction

// PLAYLIST_FONTSIZE is the height at 100 %.
static HFONT CreatePlaylistFont(int weight, int dpi)
{
    LOGFONTA font;
    ZeroMemory(&font, sizeof(font));
    font.lfHeight = ScaleForDpi(Settings.PlaylistFontSize, dpi);
    font.lfWeight = weight;
    font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynA(font.lfFaceName, VLM_PLAYLIST_FACE, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

static void DeletePlaylistObjects()
{
    if (PlaylistPen) DeleteObject(PlaylistPen);
    if (PlaylistBoldFont) DeleteObject(PlaylistBoldFont);
    if (PlaylistFont) DeleteObject(PlaylistFont);
    PlaylistPen = NULL;
    PlaylistBoldFont = NULL;
    PlaylistFont = NULL;
}

// Fails only with a message: every object made before is gone then.
static int CreatePlaylistObjects()
{
    SetLastError(0);
    PlaylistFont = CreatePlaylistFont(0, PlaylistDpi);
    if (!PlaylistFont)
        return SetErrorLast(VLM_ERR_FATAL, "通常文字の論理フォントの生成に失敗しました。");
    SetLastError(0);
    PlaylistBoldFont = CreatePlaylistFont(FW_BOLD, PlaylistDpi);
    if (!PlaylistBoldFont) {
        SetErrorLast(VLM_ERR_FATAL, "強調した文字の論理フォントの生成に失敗しました。");
        DeletePlaylistObjects();
        return 0;
    }
    SetLastError(0);
    PlaylistPen = CreatePen(PS_SOLID, 0, PlaylistGrey);
    if (!PlaylistPen) {
        SetErrorLast(VLM_ERR_FATAL, "論理ペンの生成に失敗しました。");
        DeletePlaylistObjects();
        return 0;
    }
    return 1;
}

static void MeasurePlaylistRows(HWND window)
{
    TEXTMETRICA metrics;
    ZeroMemory(&metrics, sizeof(metrics));
    HDC dc = GetDC(window);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, PlaylistFont);
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
    }
    RowHeight = metrics.tmHeight;
}

// Moved to a monitor of another scaling: the rows keep their look there.
static void OnPlaylistDpiChanged(HWND window, int dpi)
{
    HFONT normal = CreatePlaylistFont(0, dpi);
    HFONT bold = CreatePlaylistFont(FW_BOLD, dpi);
    // Without both new fonts the old ones still draw legibly.
    if (normal == NULL || bold == NULL) {
        if (normal) DeleteObject(normal);
        if (bold) DeleteObject(bold);
        return;
    }
    HFONT oldNormal = PlaylistFont, oldBold = PlaylistBoldFont;
    PlaylistFont = normal;
    PlaylistBoldFont = bold;
    PlaylistDpi = dpi;
    DeleteObject(oldNormal);
    DeleteObject(oldBold);
    MeasurePlaylistRows(window);
    InvalidateRect(window, NULL, TRUE);
}

int CreatePlaylistWindow(HWND mainWindow)
{
    // The list lies on the main window's monitor.
    PlaylistDpi = WindowDpi(mainWindow);
    if (!CreatePlaylistObjects()) return 0;

    if (!RegisterCompanionClass(VLM_PLAYLIST_CLASS, PlaylistWindowProc, BLACK_BRUSH)) {
        SetErrorLast(VLM_ERR_FATAL, "プレイリストウィンドウの RegisterClass 失敗しました。");
        DeletePlaylistObjects();
        return 0;
    }

    PlaylistOwner = mainWindow;
    RECT rect;
    BOOL shown = PlacePlaylist(&rect);
    SetLastError(0);
    PlaylistWindow = CreateWindowExA(WS_EX_TOPMOST, VLM_PLAYLIST_CLASS, VLM_MAIN_TITLE,
                                     WS_POPUP | WS_BORDER, rect.left, rect.top,
                                     rect.right - rect.left, rect.bottom - rect.top, mainWindow,
                                     NULL, CompanionInstance(), NULL);
    if (!PlaylistWindow) {
        SetErrorLast(VLM_ERR_FATAL, "プレイリストウィンドウの CreateWindow に失敗しました。");
        UnregisterClassA(VLM_PLAYLIST_CLASS, CompanionInstance());
        DeletePlaylistObjects();
        PlaylistOwner = NULL;
        return 0;
    }

    MeasurePlaylistRows(PlaylistWindow);
    // Shown without activation: keys must keep going to the main window.
    if (shown) ShowWindow(PlaylistWindow, SW_SHOWNA);
    return 1;
}

void DestroyPlaylistWindow()
{
    if (PlaylistWindow) {
        DestroyWindow(PlaylistWindow);
        PlaylistWindow = NULL;
        UnregisterClassA(VLM_PLAYLIST_CLASS, CompanionInstance());
    }
    DeletePlaylistObjects();
    PlaylistOwner = NULL;
}
