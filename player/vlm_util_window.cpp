// Creation and destruction work of the main window: companions, libraries,
// the display-required state, the cursor and PlayTimer.
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

int CreateScreen(HWND window)
{
    MainWindow = window;
    if (!ProgramDirPath(VLM_LOG_FILENAME, LogFilePath)) return 0;
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

void DestroyScreen()
{
    if (MainWindow) KillTimer(MainWindow, VLM_PLAY_TIMER);
    // DirectDraw gives its mode back first; then the registered mode, and
    // the record follows the screen.
    ReleaseDirectDraw();
    if (Settings.ChangeResolution) {
        ChangeDisplaySettingsA(NULL, 0);
        GetScreenMode(MainWindow);
    }
    ShowPlayCursor();

    if (DisplayRequired && SetExecutionState) SetExecutionState(ES_CONTINUOUS);
    DisplayRequired = FALSE;
    SetExecutionState = NULL;
    if (KernelLibrary) FreeLibrary(KernelLibrary);
    KernelLibrary = NULL;
    DirectDrawCreateEntry = NULL;
    if (DirectDrawLibrary) FreeLibrary(DirectDrawLibrary);
    DirectDrawLibrary = NULL;

    DestroyKeyHelpWindow();
    DestroyPlaylistWindow();
    DestroyStatusOverlay();
}

void LayoutScreenWindows()
{
    ResizeStatusOverlay();
    MovePlaylistWindow();
    RelayoutKeyHelp();

    int screenW = (int)ScreenMode.ScreenWidth, screenH = (int)ScreenMode.ScreenHeight;
    if (MainWindow) {
        // The window is created maximised, and showing it normally (as the
        // graph does for every file) gives it its normal rectangle: that
        // must be the new screen too.
        WINDOWPLACEMENT placement;
        placement.length = sizeof(placement);
        if (GetWindowPlacement(MainWindow, &placement)) {
            SetRect(&placement.rcNormalPosition, 0, 0, screenW, screenH);
            SetWindowPlacement(MainWindow, &placement);
        }
        SetWindowPos(MainWindow, NULL, 0, 0, screenW, screenH, SWP_NOZORDER | SWP_SHOWWINDOW);
    }

    // The mouse test measures from the centre of the screen in force.
    ScreenCentre.x = screenW / 2;
    ScreenCentre.y = screenH / 2;
    SetCursorPos(ScreenCentre.x, ScreenCentre.y);
}
