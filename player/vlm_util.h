// Screen mode, the main window's creation and destruction work, and the
// folder history with its resume points.
#pragma once
#include <windows.h>
#include "vlm_global.h"

struct MediaFileEntry;

// ---- screen mode (vlm_util_screen.cpp)
struct ScreenModeRecord {
    DWORD ScreenBitsPerPel;
    DWORD ScreenWidth;
    DWORD ScreenHeight;
    DWORD ScreenDisplayFlags;
    DWORD ScreenFrequency;
};
extern ScreenModeRecord ScreenMode;

// Reads the current mode; window (or NULL) gives the colour depth when the
// display settings and the system metrics disagree on the size.
int GetScreenMode(HWND window);
// The fields of a display settings record (EnumDisplaySettingsA).
void ScreenModeOfSettings(const DEVMODEA* settings, ScreenModeRecord* mode);
// The rule of GetScreenMode without the system calls: the display settings'
// mode (or NULL when it could not be read), the metrics' size and the
// window's depth give the record.
void ChooseScreenMode(const DEVMODEA* current, int metricsWidth, int metricsHeight,
                      DWORD windowBitsPerPel, ScreenModeRecord* mode);

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
