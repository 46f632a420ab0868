// What the three companion windows share: their class registration and
// the rule that they never take input themselves.
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
