// Playlist and key help windows in their least form: the windows exist with
// their classes, owner, placement and size class, keep the selection for
// Enter and pass input on to the main window; they draw nothing yet.
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

HWND PlaylistWindow;
int SelectedNumber;
HWND KeyHelpWindow;
BOOL KeyHelpShown;
int KeyHelpWidth, KeyHelpHeight;

char KeyHelpTitle[VLM_KEYHELP_TITLE_BYTES];
char KeyHelpNames[VLM_KEYHELP_ROWS][VLM_KEYHELP_NAME_BYTES];
char KeyHelpDescriptions[VLM_KEYHELP_ROWS][VLM_KEYHELP_DESC_BYTES];

static HWND CompanionOwner;
static HFONT KeyHelpFont;
static int KeyHelpFontHeight;

#define VLM_PLAYLIST_CLASS "PlaylistWindowClass"
#define VLM_KEYHELP_CLASS "KeyHelpWindowClass"

// Companions never take input themselves: the main window handles it all.
static BOOL ForwardInput(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (CompanionOwner) PostMessageA(CompanionOwner, message, wParam, lParam);
        return TRUE;
    }
    return FALSE;
}

static int RegisterCompanionClass(const char* name, WNDPROC proc, int brush)
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = Settings.Instance;
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(brush);
    wc.lpszClassName = name;
    SetLastError(0);
    if (RegisterClassA(&wc)) return 1;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? 1 : 0;
}

// ---- playlist window

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
    return CalcPlaylistRect(Settings.PlaylistPosition, Settings.PlaylistLeftSide,
                            (int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight, rect);
}

static void MovePlaylistSelection(BOOL down)
{
    if (Settings.PlaylistPosition == 0 || SelectedNumber <= 0) return;
    if (down && SelectedNumber < MediaFileList.count) SelectedNumber++;
    if (!down && SelectedNumber > 1) SelectedNumber--;
}

static LRESULT CALLBACK PlaylistWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (ForwardInput(message, wParam, lParam)) return 0;
    if (message == WM_APP_LISTUP || message == WM_APP_LISTDOWN) {
        MovePlaylistSelection(message == WM_APP_LISTDOWN);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int CreatePlaylistWindow(HWND mainWindow)
{
    CompanionOwner = mainWindow;
    if (!RegisterCompanionClass(VLM_PLAYLIST_CLASS, PlaylistWindowProc, BLACK_BRUSH))
        return SetErrorLast(VLM_ERR_FATAL, "プレイリストウィンドウの RegisterClass 失敗しました。");
    RECT rect;
    BOOL shown = PlacePlaylist(&rect);
    SetLastError(0);
    PlaylistWindow = CreateWindowExA(WS_EX_TOPMOST, VLM_PLAYLIST_CLASS, VLM_MAIN_TITLE,
                                     WS_POPUP | WS_BORDER, rect.left, rect.top,
                                     rect.right - rect.left, rect.bottom - rect.top, mainWindow,
                                     NULL, Settings.Instance, NULL);
    if (!PlaylistWindow)
        return SetErrorLast(VLM_ERR_FATAL, "プレイリストウィンドウの CreateWindow に失敗しました。");
    if (shown) ShowWindow(PlaylistWindow, SW_SHOWNA);
    return 1;
}

void DestroyPlaylistWindow()
{
    if (PlaylistWindow && IsWindow(PlaylistWindow)) DestroyWindow(PlaylistWindow);
    PlaylistWindow = NULL;
}

void PlaylistFollow(int kind)
{
    if (MediaFileList.current == NULL) return;
    SelectedNumber = MediaFileList.current->playNo;
    if (Settings.PlaylistPosition != 0 && PlaylistWindow) InvalidateRect(PlaylistWindow, NULL, TRUE);
}

// ---- key help window

void LayoutKeyHelp()
{
    int w = (int)ScreenMode.ScreenWidth, h = (int)ScreenMode.ScreenHeight;
    if (w >= 800 && h >= 600) {
        KeyHelpWidth = 800; KeyHelpHeight = 600; KeyHelpFontHeight = 26;
    } else if (w < 320 || h < 240) {
        KeyHelpWidth = 320; KeyHelpHeight = 200; KeyHelpFontHeight = 10;
    } else if (w < 512 || h < 384) {
        KeyHelpWidth = 320; KeyHelpHeight = 230; KeyHelpFontHeight = 10;
    } else {
        KeyHelpWidth = 512; KeyHelpHeight = 384; KeyHelpFontHeight = 16;
    }
}

int CreateKeyHelpFont(BOOL replace)
{
    LOGFONTA font;
    ZeroMemory(&font, sizeof(font));
    font.lfHeight = KeyHelpFontHeight;
    font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpyA(font.lfFaceName, "MS UI Gothic");
    HFONT created = CreateFontIndirectA(&font);
    if (created == NULL) return 0;
    // The old font goes only once the new one exists; without replace there
    // is none yet, and keeping one would leak it.
    if (KeyHelpFont) DeleteObject(KeyHelpFont);
    KeyHelpFont = created;
    return 1;
}

static LRESULT CALLBACK KeyHelpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (ForwardInput(message, wParam, lParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

int CreateKeyHelpWindow(HWND mainWindow)
{
    CompanionOwner = mainWindow;
    LayoutKeyHelp();
    CreateKeyHelpFont(FALSE);
    if (!RegisterCompanionClass(VLM_KEYHELP_CLASS, KeyHelpWindowProc, WHITE_BRUSH)) {
        SetErrorLast(VLM_ERR_FATAL, "キー操作ヘルプウィンドウの RegisterClass 失敗しました。");
        DestroyKeyHelpWindow();
        return 0;
    }
    int w = (int)ScreenMode.ScreenWidth, h = (int)ScreenMode.ScreenHeight;
    int x = w >= KeyHelpWidth ? (w - KeyHelpWidth) / 2 : 0;
    int y = h >= KeyHelpHeight ? (h - KeyHelpHeight) / 2 : 0;
    SetLastError(0);
    KeyHelpWindow = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_TOPMOST, VLM_KEYHELP_CLASS,
                                    VLM_MAIN_TITLE, WS_POPUP, x, y, KeyHelpWidth, KeyHelpHeight,
                                    mainWindow, NULL, Settings.Instance, NULL);
    if (!KeyHelpWindow) {
        SetErrorLast(VLM_ERR_FATAL, "キー操作ヘルプウィンドウの CreateWindow に失敗しました。");
        DestroyKeyHelpWindow();
        return 0;
    }
    return 1;
}

void DestroyKeyHelpWindow()
{
    if (KeyHelpWindow && IsWindow(KeyHelpWindow)) DestroyWindow(KeyHelpWindow);
    KeyHelpWindow = NULL;
    if (KeyHelpFont) DeleteObject(KeyHelpFont);
    KeyHelpFont = NULL;
    KeyHelpShown = FALSE;
}

int LoadKeyHelpTexts()
{
    return 1;
}
