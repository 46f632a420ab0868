// Program entry and mode dispatch, the main window and the preview window.
#include "vlm_mainwin.h"
#include "Quorlin.h"
#include "vlm_configwin.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_util.h"
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static HICON PreviewIcon;
static POINT ScreenCentre;

static void ClearGlobals()
{
    ZeroMemory(&Settings, sizeof(Settings));
    ZeroMemory(&ScreenMode, sizeof(ScreenMode));
    ZeroMemory(&MediaFileList, sizeof(MediaFileList));
    LogFilePath[0] = '\0';
    LastRenderedFile[0] = L'\0';
    PreviewIcon = NULL;
}

// ---- main window (minimal: it ends on a key or on mouse travel)

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        ProgramDirPath(VLM_LOG_FILENAME, LogFilePath);
        ScreenCentre.x = (LONG)ScreenMode.ScreenWidth / 2;
        ScreenCentre.y = (LONG)ScreenMode.ScreenHeight / 2;
        SetCursorPos(ScreenCentre.x, ScreenCentre.y);
        if (!Settings.VisualDebug) ShowCursor(FALSE);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_MOUSEMOVE: {
        POINT at;
        GetCursorPos(&at);
        int dx = abs(at.x - ScreenCentre.x), dy = abs(at.y - ScreenCentre.y);
        if (!Settings.IgnoreMouse && (dx > Settings.MouseWidth || dy > Settings.MouseWidth))
            PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    case WM_DESTROY:
        if (!Settings.VisualDebug) ShowCursor(TRUE);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static int RunMessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
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
                                  WS_POPUP | WS_VISIBLE | WS_MAXIMIZE, 0, 0,
                                  (int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight,
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

int RunPreviewWindow(HWND parent)
{
    RECT rect;
    if (!GetWindowRect(parent, &rect)) return 0;

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PreviewWindowProc;
    wc.hInstance = Settings.Instance;
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = VLM_MAIN_CLASS;
    if (!RegisterClassA(&wc)) return 0;

    HWND window = CreateWindowExA(0, VLM_MAIN_CLASS, VLM_MAIN_TITLE, WS_CHILD | WS_VISIBLE, 0, 0,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, NULL,
                                  Settings.Instance, NULL);
    if (!window) return 0;
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

    CoUninitialize();
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return exitCode;
}

int QuorlinMain(HINSTANCE instance, const char* args)
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
        int mode = ParseCommandLine(args, &parent);
        if (mode == StartPreview) {
            RunPreviewWindow(parent);
        } else if (mode == StartPassword) {
            MessageBoxA(NULL, "残念ながらパスワード対応していません。", "SORRY !!!", MB_OK);
        } else {
            exitCode = RunUnderMutex(mode);
        }
    }

    if (Settings.ErrorText[0] != '\0') {
        ReleaseProbe();
        MessageBoxA(NULL, Settings.ErrorText, NULL, MB_OK);
    }
    return exitCode;
}
