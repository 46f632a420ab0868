// Times a screensaver session as the user sees it, driven by
// tests/bench/bench_session.py, which prepares the player's folder and INI:
//   bench_session.exe <player.exe> <rounds>
// Per round it starts "<player.exe> /s" and waits until the middle of the
// main monitor shows the clip (lime), then posts an ending key and
// times when the middle of every monitor shows the desktop (magenta), when the
// player's windows are all hidden and when its process has ended:
//   first_frame_ms=<t> desktop_ms=<t> hidden_ms=<t> exit_ms=<t>
// (-1: not within 20 s).
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

static double Now()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

static BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM list)
{
    ((std::vector<RECT>*)list)->push_back(*rect);
    return TRUE;
}

static COLORREF Middle(HDC screen, const RECT& r)
{
    return GetPixel(screen, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// The clip is lime, the desktop magenta.
static BOOL IsClip(COLORREF c)
{
    return GetGValue(c) > 180 && GetRValue(c) < 100 && GetBValue(c) < 100;
}

static BOOL IsDesktop(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) > 200;
}

struct Shown {
    int count;
};

static BOOL CALLBACK CountShown(HWND window, LPARAM data)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    Shown* shown = (Shown*)data;
    if (pid == (DWORD)shown[1].count && IsWindowVisible(window)) shown[0].count++;
    return TRUE;
}

static int VisibleWindows(DWORD pid)
{
    Shown shown[2] = {{0}, {(int)pid}};
    EnumWindows(CountShown, (LPARAM)shown);
    return shown[0].count;
}

// Polls until done() or 20 s; the time it took, -1 on the timeout.
template <class Done>
static double WaitFor(double from, Done done)
{
    while (!done()) {
        if (Now() - from > 20000) return -1;
        Sleep(1);
    }
    return Now() - from;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: bench_session <player.exe> <rounds>\n");
        return 2;
    }
    int rounds = atoi(argv[2]);
    std::vector<RECT> monitors;
    EnumDisplayMonitors(NULL, NULL, AddMonitor, (LPARAM)&monitors);
    MONITORINFO primary = {sizeof(primary)};
    GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    HDC screen = GetDC(NULL);
    char command[MAX_PATH + 8];
    snprintf(command, sizeof(command), "\"%s\" /s", argv[1]);

    for (int round = 0; round < rounds; round++) {
        STARTUPINFOA si = {sizeof(si)};
        PROCESS_INFORMATION pi;
        double start = Now();
        if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
            fprintf(stderr, "bench_session: the player did not start (%lu)\n", GetLastError());
            return 1;
        }
        double first = WaitFor(start, [&] { return IsClip(Middle(screen, primary.rcMonitor)); });
        Sleep(1500);  // past the key's debounce after the start
        double key = Now();
        PostMessageA(FindWindowA("VelmoraClass", NULL), WM_KEYDOWN, 'X', 0);
        // Each condition is timed when first seen; the loop ends with the process.
        double desktop = -1, hidden = -1;
        double exited = WaitFor(key, [&] {
            BOOL ended = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
            if (desktop < 0) {
                BOOL shows = TRUE;
                for (const RECT& r : monitors) shows = shows && IsDesktop(Middle(screen, r));
                if (shows) desktop = Now() - key;
            }
            if (hidden < 0 && VisibleWindows(pi.dwProcessId) == 0) hidden = Now() - key;
            return ended;
        });
        printf("first_frame_ms=%.0f desktop_ms=%.0f hidden_ms=%.0f exit_ms=%.0f\n", first, desktop, hidden, exited);
        fflush(stdout);
        if (exited < 0) TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 20000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        Sleep(500);
    }
    ReleaseDC(NULL, screen);
    return 0;
}
