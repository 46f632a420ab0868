// The current screen mode of the monitor the video plays on, which places
// and sizes every window of the player, and the list of monitors.
#include "vlm_util.h"

ScreenModeRecord ScreenMode;
char PlayMonitorDevice[CCHDEVICENAME];
BOOL PlayMonitorIsMain;

// ---- monitors

int PlayMonitorIndex(int count, int mainIndex, int setting)
{
    if (count <= 0) return -1;
    if (setting < 2 || setting > count) return mainIndex;
    // The others keep the system's order, numbered from 2.
    int number = 1;
    for (int i = 0; i < count; i++) {
        if (i == mainIndex) continue;
        if (++number == setting) return i;
    }
    return mainIndex;
}

int PlayMonitorSetting(int choice)
{
    return choice <= 0 ? 0 : choice + 1;
}

int CalcCoverRects(const RECT* monitors, int count, const RECT* playing, RECT* covers)
{
    int n = 0;
    for (int i = 0; i < count; i++) {
        RECT overlap;
        if (IsRectEmpty(&monitors[i]) || IntersectRect(&overlap, &monitors[i], playing)) continue;
        covers[n++] = monitors[i];
    }
    return n;
}

static BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MonitorList* list = (MonitorList*)data;
    if (list->count >= VLM_MONITORS_MAX) return FALSE;
    MONITORINFOEXA info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    int i = list->count++;
    list->rect[i] = info.rcMonitor;
    lstrcpynA(list->device[i], info.szDevice, CCHDEVICENAME);
    if (info.dwFlags & MONITORINFOF_PRIMARY) list->mainIndex = i;
    return TRUE;
}

void ListMonitors(MonitorList* list)
{
    ZeroMemory(list, sizeof(*list));
    EnumDisplayMonitors(NULL, NULL, AddMonitor, (LPARAM)list);
}

// ---- mode

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
    // The settings do not describe the monitor (a device that reports no
    // mode, or a desktop larger than the monitor): the monitor's size rules,
    // and nothing else of the settings is trusted.
    mode->ScreenWidth = (DWORD)metricsWidth;
    mode->ScreenHeight = (DWORD)metricsHeight;
    mode->ScreenDisplayFlags = 0;
    mode->ScreenFrequency = 0;
    mode->ScreenBitsPerPel = windowBitsPerPel;
}

BOOL ReadPlayDeviceSettings(DEVMODEA* current)
{
    ZeroMemory(current, sizeof(*current));
    current->dmSize = sizeof(*current);
    SetLastError(0);
    return EnumDisplaySettingsExA(PlayMonitorDevice[0] ? PlayMonitorDevice : NULL, ENUM_CURRENT_SETTINGS,
                                  current, 0);
}

// The playing monitor's place, its device name ("" for the main screen when
// there is no monitor list) and whether it is the main monitor.
static void FindPlayMonitor(RECT* place, char* device, BOOL* isMain)
{
    MonitorList monitors;
    ListMonitors(&monitors);
    int play = PlayMonitorIndex(monitors.count, monitors.mainIndex, Settings.PlayMonitor);
    if (play >= 0) {
        *place = monitors.rect[play];
        lstrcpynA(device, monitors.device[play], CCHDEVICENAME);
        *isMain = play == monitors.mainIndex;
    } else {
        SetRect(place, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        device[0] = '\0';
        *isMain = TRUE;
    }
}

BOOL ScreenModeOutdated()
{
    RECT place;
    char device[CCHDEVICENAME];
    BOOL isMain;
    FindPlayMonitor(&place, device, &isMain);
    return place.left != ScreenMode.ScreenLeft || place.top != ScreenMode.ScreenTop ||
           (DWORD)(place.right - place.left) != ScreenMode.ScreenWidth ||
           (DWORD)(place.bottom - place.top) != ScreenMode.ScreenHeight;
}

int GetScreenMode(HWND window)
{
    RECT place;
    FindPlayMonitor(&place, PlayMonitorDevice, &PlayMonitorIsMain);

    DEVMODEA current;
    BOOL known = ReadPlayDeviceSettings(&current);
    // Another monitor's device may not describe its mode: its size is then
    // the monitor's, and nothing else is known.
    if (!known && PlayMonitorIsMain)
        return SetErrorLast(VLM_ERR_FATAL, "現在の画面解像度の取得に失敗しました。");

    int width = place.right - place.left;
    int height = place.bottom - place.top;
    DWORD bits = 0;
    if (window && (!known || (DWORD)width != current.dmPelsWidth || (DWORD)height != current.dmPelsHeight)) {
        HDC dc = GetDC(window);
        if (dc) {
            bits = (DWORD)GetDeviceCaps(dc, BITSPIXEL);
            ReleaseDC(window, dc);
        }
    }
    ChooseScreenMode(known ? &current : NULL, width, height, bits, &ScreenMode);
    ScreenMode.ScreenLeft = place.left;
    ScreenMode.ScreenTop = place.top;
    return 1;
}

POINT ScreenModeCentre()
{
    POINT centre;
    centre.x = ScreenMode.ScreenLeft + (LONG)(ScreenMode.ScreenWidth / 2);
    centre.y = ScreenMode.ScreenTop + (LONG)(ScreenMode.ScreenHeight / 2);
    return centre;
}
