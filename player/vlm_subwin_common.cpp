// What the three companion windows share: their class registration, the
// rule that they never take input themselves, and display scaling.
#include "vlm_subwin.h"
#include "vlm_global.h"

HINSTANCE CompanionInstance()
{
    return Settings.Instance ? Settings.Instance : GetModuleHandleA(NULL);
}

BOOL RegisterCompanionClass(const char* name, WNDPROC proc, int stockBrush)
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = CompanionInstance();
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(stockBrush);
    wc.lpszClassName = name;
    SetLastError(0);
    return RegisterClassA(&wc) != 0;
}

BOOL ForwardCompanionInput(HWND owner, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // The main window alone decides what a key or a click means.
        if (owner) PostMessageA(owner, message, wParam, lParam);
        return TRUE;
    }
    return FALSE;
}

int ScaleForDpi(int value, int dpi)
{
    return dpi > 0 ? MulDiv(value, dpi, VLM_BASE_DPI) : value;
}

typedef UINT(WINAPI* GetDpiForWindowProc)(HWND);

int WindowDpi(HWND window)
{
    // Windows 10 1607 and later; the build also runs on Windows 7.
    static GetDpiForWindowProc perWindow =
        (GetDpiForWindowProc)(void*)GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    if (window && perWindow) {
        UINT dpi = perWindow(window);
        if (dpi > 0) return (int)dpi;
    }
    int dpi = 0;
    HDC screen = GetDC(NULL);
    if (screen) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(NULL, screen);
    }
    return dpi > 0 ? dpi : VLM_BASE_DPI;
}

typedef int(WINAPI* GetSystemMetricsForDpiProc)(int, UINT);

int SystemMetricForDpi(int index, int dpi)
{
    static GetSystemMetricsForDpiProc forDpi = (GetSystemMetricsForDpiProc)(void*)GetProcAddress(
        GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi");
    if (forDpi && dpi > 0) return forDpi(index, (UINT)dpi);
    return GetSystemMetrics(index);
}
