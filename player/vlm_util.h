// Screen mode, the main window's creation and destruction work, and the
// folder history with its resume points.
#pragma once
#include <windows.h>
#include "vlm_global.h"

struct MediaFileEntry;

// ---- screen mode (vlm_util_screen.cpp)
// The mode of the monitor the video plays on (PLAY_MONITOR), and where that
// monitor lies on the desktop: left of or above the main monitor the
// origin is negative.
struct ScreenModeRecord {
    DWORD ScreenBitsPerPel;
    DWORD ScreenWidth;
    DWORD ScreenHeight;
    DWORD ScreenDisplayFlags;
    DWORD ScreenFrequency;
    LONG ScreenLeft;
    LONG ScreenTop;
};
extern ScreenModeRecord ScreenMode;
// Display device of the playing monitor ("\\.\DISPLAY2"), empty when the
// system lists no monitors; whether it is the main monitor.
extern char PlayMonitorDevice[CCHDEVICENAME];
extern BOOL PlayMonitorIsMain;

// Reads the playing monitor's place and current mode; window (or NULL)
// gives the colour depth when the display settings and the monitor
// disagree on the size.
int GetScreenMode(HWND window);
// The centre of the playing monitor in desktop coordinates.
POINT ScreenModeCentre();
// TRUE when the playing monitor's place is no longer that of ScreenMode: a
// display change whose WM_DISPLAYCHANGE has not arrived yet.
BOOL ScreenModeOutdated();
// The fields of a display settings record (EnumDisplaySettingsA).
void ScreenModeOfSettings(const DEVMODEA* settings, ScreenModeRecord* mode);
// The current settings of the playing monitor's device (the main screen
// when it has no name); FALSE when the device does not tell them.
BOOL ReadPlayDeviceSettings(DEVMODEA* current);
// The rule of GetScreenMode without the system calls: the display settings'
// mode (or NULL when it could not be read), the monitor's size and the
// window's depth give the record (all but its origin).
void ChooseScreenMode(const DEVMODEA* current, int metricsWidth, int metricsHeight,
                      DWORD windowBitsPerPel, ScreenModeRecord* mode);

// ---- monitors (vlm_util_screen.cpp)
#define VLM_MONITORS_MAX 16
struct MonitorList {
    int count;
    int mainIndex;    // the main (primary) monitor
    RECT rect[VLM_MONITORS_MAX];
    char device[VLM_MONITORS_MAX][CCHDEVICENAME];
};
// The monitors in the system's order (EnumDisplayMonitors); count 0 when
// the system lists none.
void ListMonitors(MonitorList* list);
// Index of the monitor PLAY_MONITOR names among count monitors. Monitor 1
// is the main monitor and 2..n are the others in the system's order; 0, 1
// and a number no monitor has give the main monitor.
int PlayMonitorIndex(int count, int mainIndex, int setting);
// The PLAY_MONITOR value of the n-th choice (from 0) of the settings page,
// whose choices list the monitors in that numbering.
int PlayMonitorSetting(int choice);
// Rectangles of the cover windows: every monitor that does not overlap the
// playing one (a mirrored monitor shows the video itself). Gives the count.
int CalcCoverRects(const RECT* monitors, int count, const RECT* playing, RECT* covers);

// ---- folder history (vlm_util_history.cpp)
enum { HistoryLive = 0, HistoryWork = 1 };   // links argument
enum { HistoryUsed = 0, HistoryFree = 1 };   // list argument
enum FindSlotKind {
    FirstUnpinned = 0,
    FirstPinned = 1,
    SameFolder = 2,
    NthEntry = 3,
    NthPinned = 4,
};

// The live links or the history dialog's working copy.
HistoryLinks* HistoryLinksOf(int links);
void UnlinkSlot(int links, int list, int slot);
void LinkSlot(int links, int list, int slot, int ref, int after);
int FindSlot(int links, int kind, int forward, int start, int n);
int TakeSlot(int links, int atTop);
void ReleaseSlot(int links, int slot);
int GatherPinned();
int LoadHistory();
void SaveFolderState(int writeFolder, int writePlaying, int writeHistory, int forceHistory,
                     int takeResume);
void SaveStopPosition(const MediaFileEntry* entry, int seconds);
// The resume point of program play: entry number and seconds, in memory
// and in the settings file.
void SaveProgramResume(int playNo, int seconds);
// Folder names compared without regard to the case of single-byte letters;
// double-byte characters compare exactly. 1 when equal.
int SameFolderName(const char* a, const char* b);
// The HISTORY_*nn number of a live used slot as the full rewrite numbers it
// (pinned slots first, each part in list order), or 0 when not in the list.
int HistoryKeyNumber(int slot);
