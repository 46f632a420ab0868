// Program entry and mode dispatch, the main window with all input of the
// running screensaver, and the preview window.
#include "vlm_mainwin.h"
#include "Quorlin.h"
#include "vlm_configwin.h"
#include "vlm_dx.h"
#include "vlm_dx_control.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_subwin.h"
#include "vlm_util.h"
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static HICON PreviewIcon;

HWND MainWindow;
POINT ScreenCentre;
DWORD LastKeyTime;

static void ClearGlobals()
{
    ZeroMemory(&Settings, sizeof(Settings));
    ZeroMemory(&ScreenMode, sizeof(ScreenMode));
    ZeroMemory(&MediaFileList, sizeof(MediaFileList));
    ZeroMemory(&GraphState, sizeof(GraphState));
    LogFilePath[0] = '\0';
    LastRenderedFile[0] = L'\0';
    PreviewIcon = NULL;
    MainWindow = NULL;
    ScreenCentre.x = ScreenCentre.y = 0;
    LastKeyTime = 0;
    ModalPromptActive = FALSE;
}

// ---- input rules

BOOL KeyDebounced(DWORD now, DWORD last)
{
    return (DWORD)(now - last) < VLM_KEY_DEBOUNCE_MS;
}

int FolderKeyNumber(int key, BOOL shift, BOOL ctrl)
{
    if (key < VK_F1 || key > VK_F24) return 0;
    int n = key - VK_F1 + 1;
    if (shift && key <= VK_F12) n += 12;
    if (ctrl) n += 24;
    return n;
}

BOOL IsFolderKeyStroke(int key, LPARAM keyData)
{
    return key >= VK_F1 && key <= VK_F24 && !(keyData & VLM_KEY_ALT_HELD);
}

int MouseReach(int mouseWidth, int dpi)
{
    return ScaleForDpi(mouseWidth, dpi);
}

BOOL MouseWithinReach(POINT centre, POINT at, int reach)
{
    return centre.x - reach <= at.x && at.x <= centre.x + reach && centre.y - reach <= at.y &&
           at.y <= centre.y + reach;
}

int DigitKeySlot(int key)
{
    int digit;
    if (key >= '0' && key <= '9')
        digit = key - '0';
    else if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        digit = key - VK_NUMPAD0;
    else
        return -1;
    return (digit + 9) % 10;
}

// ---- companions

// The video under a hidden companion must be repainted.
static void RepaintVideo()
{
    if (GraphState.VideoChildWindow) InvalidateRect(GraphState.VideoChildWindow, NULL, TRUE);
}

int ToggleStatusOverlay()
{
    Settings.DispFilename = !Settings.DispFilename;
    if (StatusOverlay) ShowWindow(StatusOverlay, Settings.DispFilename ? SW_SHOWNA : SW_HIDE);
    if (!Settings.DispFilename) RepaintVideo();
    return 1;
}

int ToggleKeyHelp()
{
    KeyHelpShown = !KeyHelpShown;
    if (KeyHelpWindow) ShowWindow(KeyHelpWindow, KeyHelpShown ? SW_SHOWNA : SW_HIDE);
    if (!KeyHelpShown) RepaintVideo();
    return 1;
}

int CyclePlaylistSize()
{
    Settings.PlaylistPosition = (Settings.PlaylistPosition + 1) % 5;
    if (Settings.PlaylistPosition != 0) {
        MovePlaylistWindow();
        if (PlaylistWindow) ShowWindow(PlaylistWindow, SW_SHOWNA);
    } else {
        if (PlaylistWindow) ShowWindow(PlaylistWindow, SW_HIDE);
        RepaintVideo();
    }
    return 1;
}

// ---- main window

static void EndScreensaver(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

// Every operation gives 1 or 0; a 0 ends the screensaver with ErrorText.
static void Perform(HWND window, int succeeded)
{
    if (!succeeded) EndScreensaver(window);
}

// Set once CreateScreen has succeeded. A window whose creation failed still
// receives WM_DESTROY; it must not undo what was never made, nor post a quit
// message that would close the exit message box at once.
static BOOL ScreenCreated;

static int OnCreate(HWND window)
{
    if (!CreateScreen(window)) return -1;
    ScreenCreated = TRUE;
    ScreenCentre = ScreenModeCentre();
    SetCursorPos(ScreenCentre.x, ScreenCentre.y);
    PostMessageA(window, WM_APP_STARTPLAY, 0, 0);
    return 0;
}

static void OnGraphNotify(HWND window)
{
    if (!DrainGraphEvents()) return;
    StopGraph(FALSE);
    Perform(window, PlayFile(AtEnd, 0));
}

static void OnDisplayChange(HWND window);
// When the last WM_DISPLAYCHANGE was handled.
static DWORD DisplayChangeTime;

static void OnMouseMove(HWND window)
{
    POINT at;
    GetCursorPos(&at);
    if (MouseWithinReach(ScreenCentre, at, MouseReach(Settings.MouseWidth, WindowDpi(window)))) return;
    // A display change moves the cursor before its WM_DISPLAYCHANGE comes,
    // and the system can report the old place once more after the cursor was
    // put at the new centre: the screen moved under the mouse, not the
    // user's hand.
    if (ScreenModeOutdated()) {
        OnDisplayChange(window);
        return;
    }
    if (GetTickCount() - DisplayChangeTime < VLM_DISPLAY_SETTLE_MS) {
        SetCursorPos(ScreenCentre.x, ScreenCentre.y);
        return;
    }
    EndScreensaver(window);
}

// Leaves the file and plays another; saving records where this one stopped.
static void SwitchFile(HWND window, BOOL savePosition, int kind, int index)
{
    StopGraph(savePosition);
    Perform(window, PlayFile(kind, index));
}

// The overlay's "(n/N)" and the playlist need the whole list.
static BOOL ListComplete(HWND window)
{
    int complete = CompleteFolderList();
    Perform(window, complete);
    return complete;
}

static BOOL OnFolderKey(HWND window, int key, BOOL shift, BOOL ctrl)
{
    int slot = FindSlot(HistoryLive, NthPinned, 1, -1, FolderKeyNumber(key, shift, ctrl));
    if (slot < 0) return FALSE;
    SwitchFile(window, TRUE, HistorySwitch, slot);
    return TRUE;
}

// Handles one key; TRUE when it counts for the debounce. An Alt+F-key is
// no folder key and, like any key without a function, ends the screensaver.
static BOOL OnKey(HWND window, int key, LPARAM keyData, BOOL shift, BOOL ctrl)
{
    if (IsFolderKeyStroke(key, keyData)) return OnFolderKey(window, key, shift, ctrl);

    BOOL playlistShown = Settings.PlaylistPosition != 0;
    int slot = DigitKeySlot(key);
    if (slot >= 0) {
        if (GraphState.StreamSelect && GraphState.AudioStreamMap[slot] != -1)
            Perform(window, SwitchAudioStream(slot));
        return FALSE;
    }

    switch (key) {
    case VK_BACK:
        SwitchFile(window, FALSE, Step, 0);
        return TRUE;
    case VK_SPACE:
        SwitchFile(window, FALSE, Step, 1);
        return TRUE;
    case VK_RETURN:
        if (!playlistShown) {
            EndScreensaver(window);
            return FALSE;
        }
        SwitchFile(window, FALSE, ByNumber, SelectedNumber);
        return TRUE;
    case VK_SHIFT:
    case VK_CONTROL:
        return FALSE;
    case VK_ESCAPE:
        SwitchFile(window, TRUE, AfterFolderSelect, 0);
        return TRUE;
    case VK_HOME:
        if (!Settings.ProgramListNonEmpty) return FALSE;
        SwitchFile(window, TRUE, ProgramSwitch, 0);
        return TRUE;
    case VK_LEFT:
    case VK_RIGHT: {
        int seconds = shift ? (ctrl ? Settings.SeekTime4 : Settings.SeekTime2)
                            : (ctrl ? Settings.SeekTime3 : Settings.SeekTime1);
        Perform(window, SeekRelative(key == VK_RIGHT, seconds));
        return TRUE;
    }
    case VK_UP:
    case VK_DOWN:
        if (playlistShown) {
            if (PlaylistWindow)
                PostMessageA(PlaylistWindow, key == VK_UP ? WM_APP_LISTUP : WM_APP_LISTDOWN, 0, 0);
            return FALSE;
        }
        SwitchFile(window, FALSE, Step, key == VK_DOWN ? 1 : 0);
        return TRUE;
    case 'A':
    case 'B':
        Perform(window, SetABPoint(key == 'B'));
        return TRUE;
    case 'F':
        if (playlistShown && !Settings.DispFilename) return FALSE;
        if (!ListComplete(window)) return TRUE;
        if (KeyHelpShown) ToggleKeyHelp();
        ToggleStatusOverlay();
        return TRUE;
    case 'H':
        if ((playlistShown || Settings.DispFilename) && !KeyHelpShown) return FALSE;
        ToggleKeyHelp();
        return TRUE;
    case 'I':
        Perform(window, ToggleIntroPlay());
        return TRUE;
    case 'K':
        Perform(window, CycleSkipPlayMode());
        return TRUE;
    case 'L':
        Perform(window, ToggleFileLoop());
        return TRUE;
    case 'P':
        if (!ListComplete(window)) return TRUE;
        if (KeyHelpShown) ToggleKeyHelp();
        CyclePlaylistSize();
        return TRUE;
    case 'Q':
        Perform(window, ToggleMute());
        return TRUE;
    case 'S':
        Perform(window, TogglePause());
        return TRUE;
    case 'W':
        Perform(window, SaveABRange());
        return TRUE;
    }
    EndScreensaver(window);
    return FALSE;
}

static void OnKeyDown(HWND window, int key, LPARAM keyData)
{
    if (KeyDebounced(GetTickCount(), LastKeyTime)) return;
    BOOL shift = GetKeyState(VK_SHIFT) < 0;
    BOOL ctrl = GetKeyState(VK_CONTROL) < 0;
    // The time is taken after the operation: a question or dialog it opened
    // must not leave the next key unguarded.
    if (OnKey(window, key, keyData, shift, ctrl)) LastKeyTime = GetTickCount();
}

// The user ends the screensaver: what they see and hear goes first, at the
// place they left; the teardown of the graph can take seconds.
static void OnClose(HWND window)
{
    if (ScreenCreated && !ScreenIsHidden()) {
        HoldStopPosition();
        SilenceGraph();
        HideScreen();
    }
    DestroyWindow(window);
}

static void OnDestroy()
{
    // The display mode given back below sends WM_DISPLAYCHANGE to this
    // window: it must not show it again or make new covers.
    BOOL created = ScreenCreated;
    ScreenCreated = FALSE;
    StopGraph(TRUE);
    FreeMediaList();
    if (created) {
        DestroyScreen();
        PostQuitMessage(0);
    }
    MainWindow = NULL;
}

// Monitors came or went, or a mode changed: place everything again and
// cover what is new, even while a question is open.
static void OnDisplayChange(HWND window)
{
    if (!ScreenCreated || ScreenIsHidden()) return;
    Perform(window, GetScreenMode(window) && LayoutScreenWindows());
    DisplayChangeTime = GetTickCount();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DISPLAYCHANGE) {
        OnDisplayChange(window);
        return 0;
    }
    // A question of the play driver is open: its own loop is running.
    if (ModalPromptActive && message != WM_DESTROY)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_APP_STARTPLAY:
        Perform(window, PlayFile(Start, 0));
        LastKeyTime = GetTickCount();
        return 0;
    case WM_APP_LISTREADY:
        Perform(window, CompleteFolderList());
        return 0;
    case WM_APP_GRAPHNOTIFY:
        OnGraphNotify(window);
        return 0;
    case WM_TIMER:
        Perform(window, CheckPlayTime());
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(window, (int)wParam, lParam);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam >= VK_F1 && wParam <= VK_F24) {
            OnKeyDown(window, (int)wParam, lParam);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (Settings.IgnoreMouse) break;
        OnMouseMove(window);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        Perform(window, TogglePause());
        LastKeyTime = GetTickCount();
        return 0;
    case WM_CLOSE:
        OnClose(window);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_QUERYENDSESSION:
        // A screensaver never holds up a shutdown or a logoff.
        return TRUE;
    case WM_ENDSESSION:
        // The system ends the process after this message without a
        // WM_DESTROY, and kills it when it takes too long. The resume point
        // is written first, as for sleep: tearing down a slow decoder must
        // not lose it. Then end as a key would, so the display and power
        // state are given back. A false wParam means the end was
        // cancelled; play goes on.
        if (wParam) {
            RecordPlayPosition();
            DestroyWindow(window);
        }
        return 0;
    case WM_POWERBROADCAST:
        // A machine that sleeps may never wake (a flat battery): keep the
        // resume point current and play on when it wakes.
        if (wParam == PBT_APMSUSPEND) RecordPlayPosition();
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL (WINAPI *GetLoopMessage)(LPMSG msg, HWND window, UINT first, UINT last) = GetMessageA;

int RunMessageLoop()
{
    MSG msg;
    ZeroMemory(&msg, sizeof(msg));
    BOOL got;
    while ((got = GetLoopMessage(&msg, NULL, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // Only the quit message carries an exit code; after a failing
    // GetMessageA the record holds nothing, or an earlier message.
    return got == 0 ? (int)msg.wParam : 0;
}

int RunMainWindow()
{
    if (!GetScreenMode(NULL)) return 0;

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = Settings.Instance;
    wc.hIcon = LoadIconA(Settings.Instance, MAKEINTRESOURCEA(IDI_QUORLIN));
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(Settings.VisualDebug ? HOLLOW_BRUSH : BLACK_BRUSH);
    wc.lpszClassName = VLM_MAIN_CLASS;
    SetLastError(0);
    if (!RegisterClassA(&wc))
        return SetErrorLast(VLM_ERR_FATAL, "メインウィンドウの RegisterClass に失敗しました");

    SetLastError(0);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, VLM_MAIN_CLASS, VLM_MAIN_TITLE,
                                  WS_POPUP | WS_VISIBLE | WS_MAXIMIZE, ScreenMode.ScreenLeft,
                                  ScreenMode.ScreenTop, (int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight,
                                  NULL, NULL, Settings.Instance, NULL);
    if (!window)
        return SetErrorLast(VLM_ERR_FATAL, "メインウィンドウの CreateWindow に失敗しました");
    return RunMessageLoop();
}

// ---- preview window

static LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        PreviewIcon = LoadIconA(Settings.Instance, MAKEINTRESOURCEA(IDI_QUORLIN));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (PreviewIcon) DrawIcon(dc, 10, 10, PreviewIcon);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

typedef HANDLE(WINAPI* GetWindowDpiContextProc)(HWND window);
typedef HANDLE(WINAPI* SetThreadDpiContextProc)(HANDLE context);

HWND CreatePreviewWindow(HWND parent)
{
    // A window may not take a child of another DPI awareness, and the
    // display dialog's is not the player's: the child is made with the
    // parent's (Windows 10 1607 and later), in the parent's units.
    HMODULE user = GetModuleHandleA("user32.dll");
    GetWindowDpiContextProc windowContext =
        (GetWindowDpiContextProc)(void*)GetProcAddress(user, "GetWindowDpiAwarenessContext");
    SetThreadDpiContextProc setThreadContext =
        (SetThreadDpiContextProc)(void*)GetProcAddress(user, "SetThreadDpiAwarenessContext");
    HANDLE parentContext = windowContext && setThreadContext ? windowContext(parent) : NULL;
    HANDLE threadContext = parentContext ? setThreadContext(parentContext) : NULL;

    HWND window = NULL;
    RECT rect;
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PreviewWindowProc;
    wc.hInstance = Settings.Instance;
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = VLM_MAIN_CLASS;
    if (GetWindowRect(parent, &rect) && RegisterClassA(&wc))
        window = CreateWindowExA(0, VLM_MAIN_CLASS, VLM_MAIN_TITLE, WS_CHILD | WS_VISIBLE, 0, 0,
                                 rect.right - rect.left, rect.bottom - rect.top, parent, NULL, Settings.Instance,
                                 NULL);
    if (threadContext) setThreadContext(threadContext);
    return window;
}

int RunPreviewWindow(HWND parent)
{
    if (!CreatePreviewWindow(parent)) return 0;
    RunMessageLoop();
    return 1;
}

// ---- run and configure modes, under the single-instance mutex

static int RunUnderMutex(int mode)
{
    SetLastError(0);
    HANDLE mutex = CreateMutexA(NULL, TRUE, VLM_MUTEX_NAME);
    if (mutex == NULL) {
        SetErrorLast(VLM_ERR_FATAL, "Mutex の生成に失敗しました。");
        return 0;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        SetError(VLM_ERR_FATAL, "多重起動エラーです。", ERROR_ALREADY_EXISTS);
        CloseHandle(mutex);
        return 0;
    }
    HRESULT hr = CoInitialize(NULL);
    if (FAILED(hr)) {
        SetError(VLM_ERR_FATAL, "COM ライブラリの初期化に失敗しました。", (DWORD)hr);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }

    int exitCode = 0;
    if (mode == StartRun) {
        if (LoadSettings(0)) exitCode = RunMainWindow();
    } else {
        if (LoadSettings(1)) exitCode = ShowConfigurationSheet();
    }

    ShutdownMediaFoundation();
    CoUninitialize();
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return exitCode;
}

// ---- the message at the end

// The box has no owner left when play ends; the system would put it on the
// main monitor, the user is looking at the one the video played on.
static HHOOK ExitBoxHook;

static LRESULT CALLBACK PlaceExitBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code != HCBT_ACTIVATE) return CallNextHookEx(ExitBoxHook, code, wParam, lParam);
    HWND box = (HWND)wParam;
    RECT r;
    if (GetWindowRect(box, &r)) {
        POINT at = CalcCentredOrigin((int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight,
                                     r.right - r.left, r.bottom - r.top);
        SetWindowPos(box, NULL, ScreenMode.ScreenLeft + at.x, ScreenMode.ScreenTop + at.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UnhookWindowsHookEx(ExitBoxHook);
    ExitBoxHook = NULL;
    return 0;
}

static void ShowExitMessage(const char* text)
{
    if (ScreenMode.ScreenWidth != 0)
        ExitBoxHook = SetWindowsHookExA(WH_CBT, PlaceExitBox, NULL, GetCurrentThreadId());
    MessageBoxA(NULL, text, NULL, MB_OK);
    if (ExitBoxHook) UnhookWindowsHookEx(ExitBoxHook);
    ExitBoxHook = NULL;
}

int QuorlinMain(HINSTANCE instance, const char* args, const WCHAR* wideArgs)
{
    ClearGlobals();
    srand((unsigned)time(NULL));
    InitCommonControls();
    Settings.Instance = instance;
    Settings.Heap = GetProcessHeap();

    int exitCode = 0;
    if (Settings.Heap == NULL) {
        SetErrorLast(VLM_ERR_FATAL, "プロセスヒープハンドルの取得に失敗しました。");
    } else {
        HWND parent = NULL;
        int mode = ParseCommandLine(args, wideArgs, &parent);
        if (mode == StartRefused) {
            // ErrorText says why; it is shown below.
        } else if (mode == StartPreview) {
            RunPreviewWindow(parent);
        } else if (mode == StartPassword) {
            MessageBoxA(NULL, "残念ながらパスワード対応していません。", "SORRY !!!", MB_OK);
        } else {
            exitCode = RunUnderMutex(mode);
        }
    }

    if (Settings.ErrorText[0] != '\0') {
        ReleaseProbe();
        ShowExitMessage(Settings.ErrorText);
    }
    return exitCode;
}
