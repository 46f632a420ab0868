// Creation and destruction work of the main window: companions, the black
// covers of the other monitors, libraries, the display-required state, the
// cursor and PlayTimer.
#include "Quorlin.h"
#include "vlm_dx.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

typedef EXECUTION_STATE(WINAPI* SetThreadExecutionStateProc)(EXECUTION_STATE flags);

static HMODULE DirectDrawLibrary;
static HMODULE KernelLibrary;
static SetThreadExecutionStateProc SetExecutionState;
static BOOL DisplayRequired;

// ---- covers: every monitor but the playing one is black

#define VLM_COVER_CLASS "CoverWindowClass"

static HWND CoverWindows[VLM_MONITORS_MAX];
static int CoverCount;
static BOOL CoverClassRegistered;

static LRESULT CALLBACK CoverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A click on a cover must leave the keyboard with the main window.
    if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    if (ForwardCompanionInput(MainWindow, message, wParam, lParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

static void DestroyCoverWindows()
{
    for (int i = 0; i < CoverCount; i++) {
        if (CoverWindows[i]) DestroyWindow(CoverWindows[i]);
        CoverWindows[i] = NULL;
    }
    CoverCount = 0;
    if (CoverClassRegistered) UnregisterClassA(VLM_COVER_CLASS, CompanionInstance());
    CoverClassRegistered = FALSE;
}

// Gives 0 with ErrorText set when a cover cannot be made.
static int LayoutCoverWindows()
{
    if (!MainWindow) return 1;
    if (!CoverClassRegistered) {
        if (!RegisterCompanionClass(VLM_COVER_CLASS, CoverWindowProc, BLACK_BRUSH))
            return SetErrorLast(VLM_ERR_FATAL, "カバーウィンドウの RegisterClass に失敗しました。");
        CoverClassRegistered = TRUE;
    }
    MonitorList monitors;
    ListMonitors(&monitors);
    RECT playing, covers[VLM_MONITORS_MAX];
    SetRect(&playing, ScreenMode.ScreenLeft, ScreenMode.ScreenTop,
            ScreenMode.ScreenLeft + (LONG)ScreenMode.ScreenWidth,
            ScreenMode.ScreenTop + (LONG)ScreenMode.ScreenHeight);
    int count = CalcCoverRects(monitors.rect, monitors.count, &playing, covers);

    // Windows that exist are moved; missing ones (also one closed from
    // outside) made, spare ones destroyed.
    while (CoverCount > count) DestroyWindow(CoverWindows[--CoverCount]);
    for (int i = 0; i < count; i++) {
        const RECT* r = &covers[i];
        if (i < CoverCount && IsWindow(CoverWindows[i])) {
            SetWindowPos(CoverWindows[i], HWND_TOPMOST, r->left, r->top, r->right - r->left,
                         r->bottom - r->top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
            continue;
        }
        SetLastError(0);
        HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, VLM_COVER_CLASS,
                                     VLM_MAIN_TITLE, WS_POPUP, r->left, r->top, r->right - r->left,
                                     r->bottom - r->top, MainWindow, NULL, CompanionInstance(), NULL);
        if (!cover) return SetErrorLast(VLM_ERR_FATAL, "カバーウィンドウの CreateWindow に失敗しました。");
        CoverWindows[i] = cover;
        if (i == CoverCount) CoverCount++;
        ShowWindow(cover, SW_SHOWNOACTIVATE);
    }
    return 1;
}

int CreateScreen(HWND window)
{
    MainWindow = window;
    if (!SettingsDirPath(VLM_LOG_FILENAME, LogFilePath)) return 0;
    // From here on a settings write that fails is logged, never shown over
    // the video; one that failed at the start is logged now.
    SettingsWriteFailed = LogUnsavedSettings;
    if (SettingsWriteFailures > 0) LogUnsavedSettings(SettingsWriteError);
    if (!GetScreenMode(window)) return 0;

    if (!CreateStatusOverlay(window)) return 0;
    if (!CreatePlaylistWindow(window)) {
        DestroyStatusOverlay();
        return 0;
    }
    if (!CreateKeyHelpWindow(window)) {
        DestroyPlaylistWindow();
        DestroyStatusOverlay();
        return 0;
    }
    if (!LayoutCoverWindows()) {
        DestroyCoverWindows();
        DestroyKeyHelpWindow();
        DestroyPlaylistWindow();
        DestroyStatusOverlay();
        return 0;
    }

    // A missing library or entry point only means that feature is unavailable.
    if (Settings.ChangeResolution) {
        DirectDrawLibrary = LoadLibraryA("ddraw.dll");
        if (DirectDrawLibrary) DirectDrawCreateEntry = GetProcAddress(DirectDrawLibrary, "DirectDrawCreate");
    }
    KernelLibrary = LoadLibraryA("kernel32.dll");
    if (KernelLibrary)
        SetExecutionState =
            (SetThreadExecutionStateProc)GetProcAddress(KernelLibrary, "SetThreadExecutionState");
    if (SetExecutionState && !Settings.MonitorPower) {
        SetExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
        DisplayRequired = TRUE;
    }

    if (!Settings.VisualDebug) HidePlayCursor();
    SetTimer(window, VLM_PLAY_TIMER, VLM_PLAY_TIMER_MS, NULL);
    return 1;
}

// Set once HideScreen has given the display back.
static BOOL ScreenHidden;

void HideScreen()
{
    if (ScreenHidden) return;
    ScreenHidden = TRUE;
    if (MainWindow) KillTimer(MainWindow, VLM_PLAY_TIMER);
    HWND windows[VLM_MONITORS_MAX + 4] = {MainWindow, StatusOverlay, PlaylistWindow, KeyHelpWindow};
    int count = 4;
    for (int i = 0; i < CoverCount; i++) windows[count++] = CoverWindows[i];
    for (int i = 0; i < count; i++)
        if (windows[i]) ShowWindow(windows[i], SW_HIDE);
    // DirectDraw gives its mode back first; then the registered mode, and
    // the record follows the screen.
    ReleaseDirectDraw();
    if (Settings.ChangeResolution) {
        RestoreDisplayMode();
        GetScreenMode(MainWindow);
    }
    ShowPlayCursor();
    // The display server is told now, not once the teardown lets the
    // message loop run again.
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
}

BOOL ScreenIsHidden()
{
    return ScreenHidden;
}

void DestroyScreen()
{
    HideScreen();
    ScreenHidden = FALSE;

    if (DisplayRequired && SetExecutionState) SetExecutionState(ES_CONTINUOUS);
    DisplayRequired = FALSE;
    SetExecutionState = NULL;
    if (KernelLibrary) FreeLibrary(KernelLibrary);
    KernelLibrary = NULL;
    DirectDrawCreateEntry = NULL;
    if (DirectDrawLibrary) FreeLibrary(DirectDrawLibrary);
    DirectDrawLibrary = NULL;

    DestroyCoverWindows();
    DestroyKeyHelpWindow();
    DestroyPlaylistWindow();
    DestroyStatusOverlay();
}

int LayoutScreenWindows()
{
    ResizeStatusOverlay();
    MovePlaylistWindow();
    RelayoutKeyHelp();

    int left = ScreenMode.ScreenLeft, top = ScreenMode.ScreenTop;
    int screenW = (int)ScreenMode.ScreenWidth, screenH = (int)ScreenMode.ScreenHeight;
    if (MainWindow) {
        // The window is created maximised, and showing it normally (as the
        // graph does for every file) gives it its normal rectangle: that
        // must be the new screen too.
        WINDOWPLACEMENT placement;
        placement.length = sizeof(placement);
        if (GetWindowPlacement(MainWindow, &placement)) {
            SetRect(&placement.rcNormalPosition, left, top, left + screenW, top + screenH);
            SetWindowPlacement(MainWindow, &placement);
        }
        SetWindowPos(MainWindow, NULL, left, top, screenW, screenH, SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    RefitVideoWindow();
    int covered = LayoutCoverWindows();

    // The mouse test measures from the centre of the screen in force; while
    // a question is open the cursor belongs to the user.
    ScreenCentre = ScreenModeCentre();
    if (!ModalPromptActive) SetCursorPos(ScreenCentre.x, ScreenCentre.y);
    return covered;
}
