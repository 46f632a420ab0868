// The current screen mode, which sizes every window of the player.
#include "vlm_util.h"

ScreenModeRecord ScreenMode;

void ScreenModeOfSettings(const DEVMODEA* settings, ScreenModeRecord* mode)
{
    mode->ScreenBitsPerPel = settings->dmBitsPerPel;
    mode->ScreenWidth = settings->dmPelsWidth;
    mode->ScreenHeight = settings->dmPelsHeight;
    mode->ScreenDisplayFlags = settings->dmDisplayFlags;
    mode->ScreenFrequency = settings->dmDisplayFrequency;
}

void ChooseScreenMode(const DEVMODEA* current, int metricsWidth, int metricsHeight,
                      DWORD windowBitsPerPel, ScreenModeRecord* mode)
{
    if (current && (DWORD)metricsWidth == current->dmPelsWidth &&
        (DWORD)metricsHeight == current->dmPelsHeight) {
        ScreenModeOfSettings(current, mode);
        return;
    }
    // Several monitors (or a mode the settings do not describe): the primary
    // screen's size rules, and nothing else of the settings is trusted.
    mode->ScreenWidth = (DWORD)metricsWidth;
    mode->ScreenHeight = (DWORD)metricsHeight;
    mode->ScreenDisplayFlags = 0;
    mode->ScreenFrequency = 0;
    mode->ScreenBitsPerPel = windowBitsPerPel;
}

int GetScreenMode(HWND window)
{
    DEVMODEA current;
    ZeroMemory(&current, sizeof(current));
    current.dmSize = sizeof(current);
    SetLastError(0);
    if (!EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &current))
        return SetErrorLast(VLM_ERR_FATAL, "現在の画面解像度の取得に失敗しました。");

    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    DWORD bits = 0;
    if (window && ((DWORD)width != current.dmPelsWidth || (DWORD)height != current.dmPelsHeight)) {
        HDC dc = GetDC(window);
        if (dc) {
            bits = (DWORD)GetDeviceCaps(dc, BITSPIXEL);
            ReleaseDC(window, dc);
        }
    }
    ChooseScreenMode(&current, width, height, bits, &ScreenMode);
    return 1;
}
