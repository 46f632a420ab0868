// Companion windows of the main window: status overlay, playlist, key help.
#pragma once
#include <windows.h>

// ---- shared by the three windows (vlm_subwin_common.cpp)
HINSTANCE CompanionInstance();
// Redraw on size change, the default icon, the arrow cursor and a stock
// brush; FALSE with the reason in GetLastError.
BOOL RegisterCompanionClass(const char* name, WNDPROC proc, int stockBrush);
// Keys and mouse messages go on, unchanged, to the main window (owner);
// TRUE when message was one of them.
BOOL ForwardCompanionInput(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);

// Display scaling: sizes in the code and the INI are for 96 DPI (100 %).
#define VLM_BASE_DPI 96
// value at dpi, rounded half away from zero; unchanged for a dpi of 0 or less.
int ScaleForDpi(int value, int dpi);
// DPI of the monitor the window is on; the screen's where the system cannot
// tell per window (before Windows 10 1607) or window is NULL.
int WindowDpi(HWND window);
// GetSystemMetrics(index) at dpi; the system DPI's value before Windows 10
// 1607.
int SystemMetricForDpi(int index, int dpi);

// ---- status overlay, "FrontWindowClass" (vlm_subwin_overlay.cpp)
extern HWND StatusOverlay;
int CreateStatusOverlay(HWND mainWindow);
void DestroyStatusOverlay();
// Recomputes the time and status rectangles from GraphState.StopPosition.
void LayoutStatusOverlay();
// Invalidate, with erase, the current time or the state letter (nothing
// while the overlay does not exist).
void RedrawOverlayTime();
void RedrawOverlayStatus();
// After a display mode change: new screen width, same height and position.
void ResizeStatusOverlay();

// Overlay arithmetic, without the window.
struct OverlayWidths {
    int timeLong;     // "00:00:00"
    int timeShort;    // "00:00"
    int totalLong;    // "00:00:00 / 00:00:00"
    int totalShort;   // "00:00 / 00:00"
    int letter;       // "W"
};
void CalcOverlayRects(LONGLONG stopPosition, int barHeight, const OverlayWidths* widths,
                      RECT* timeRect, RECT* statusRect);
enum OverlayPaintKind { OverlayPaintAll = 0, OverlayPaintTime = 1, OverlayPaintLetter = 2 };
int ChooseOverlayPaintKind(const RECT* update, const RECT* timeRect, const RECT* statusRect);

#define VLM_OVERLAY_TIME_CHARS 32
// "mm:ss" or "hh:mm:ss" (hours modulo 100) by the total's length; withTotal
// appends " / " and the total in the same form.
void FormatOverlayTime(LONGLONG current, LONGLONG stop, int withTotal, char* text);

struct OverlayInfoInputs {
    BOOL dispResoSize;
    DWORD screenWidth, screenHeight, bitsPerPel;
    BOOL dispVideoSize;
    int videoWidth, videoHeight;
    int playNo;          // of the current entry
    int count;           // entries in the list
    const char* name;    // current entry's file name; NULL: no current entry
};
#define VLM_OVERLAY_INFO_CHARS 400
void FormatOverlayInfo(const OverlayInfoInputs* in, char* text);

struct StateLetterInputs {
    BOOL audioDispPriority;
    BOOL hasStreamSelect;
    int currentAudioStream;
    BOOL userStopped;
    int abLoopState;
    BOOL introPlay;
    int skipPlayMode;
    BOOL fileLoop;
    BOOL mute;
};
// The state letter and its colour, or 0 when no state is shown.
char ChooseStateLetter(const StateLetterInputs* in, COLORREF* colour);

// ---- playlist window, "PlaylistWindowClass" (vlm_subwin_playlist.cpp)
extern HWND PlaylistWindow;
// Play number of the highlighted row; Enter plays it.
extern int SelectedNumber;
int CreatePlaylistWindow(HWND mainWindow);
void DestroyPlaylistWindow();
// Window rectangle for PLAYLIST_POSITION; 0 (and the quarter-width
// rectangle) while it is 0.
int PlacePlaylist(RECT* rect);
// Moves and sizes the window to PlacePlaylist's rectangle (visibility and
// z-order unchanged).
void MovePlaylistWindow();
// The same rule for any position, side and screen size.
int CalcPlaylistRect(int position, BOOL leftSide, int screenW, int screenH, RECT* rect);
// A new file has been set up for request kind: select it.
void PlaylistFollow(int kind);

// Playlist arithmetic, without the window.
// Play number of the first row once the file playNo has been set up for
// request kind, with rows whole rows visible and top shown so far.
int CalcPlaylistTop(int kind, int top, int playNo, int rows);
struct PlaylistMove {
    int top, selected;    // after the move
    int scroll;           // rows the band moves down (-1 up, 1 down, 0 none)
    int repaintRow;       // first of the two rows to repaint, counted from
                          // the top row before the move
};
// Up or down by one row among count entries; 0 when nothing moves.
int CalcPlaylistMove(BOOL down, int top, int selected, int count, int rows, PlaylistMove* move);

// ---- key help window, "KeyHelpWindowClass" (vlm_subwin_keyhelp.cpp)
extern HWND KeyHelpWindow;
extern BOOL KeyHelpShown;
// Window size of the size class chosen by LayoutKeyHelp.
extern int KeyHelpWidth, KeyHelpHeight;
int CreateKeyHelpWindow(HWND mainWindow);
void DestroyKeyHelpWindow();
// Chooses the size class for the current screen size.
void LayoutKeyHelp();
// Font of the size class. Without replace an existing font is kept; with
// replace the previous font goes once the new one exists.
int CreateKeyHelpFont(BOOL replace);
// After a display mode change: size class, font and centred place again.
void RelayoutKeyHelp();

// Size class of a screen: window size, font height, the two column
// positions, the first row and the row pitch, in pixels.
struct KeyHelpLayout {
    int width, height;
    int fontHeight;
    int keyX, descriptionX;
    int firstY, pitch;
};
// Sizes at dpi; the class is the one the screen gets at 100 %.
void CalcKeyHelpLayout(int screenW, int screenH, int dpi, KeyHelpLayout* layout);
// What the key help texts need in a font: the widest key name and
// description, the line height and the rows up to the last one used.
struct KeyHelpTextSize {
    int keyWidth, descriptionWidth;
    int lineHeight, rows;
};
// Lays the columns and rows of layout out for the text: descriptions start
// a gap right of the widest key name and the rows are no closer than the
// line height. 1 when the window of the class then holds every row, with
// the left margin on the right too (frameW and frameH: the window's edges);
// 0 when the font must shrink.
int FitKeyHelpLayout(KeyHelpLayout* layout, const KeyHelpTextSize* text, int frameW, int frameH);
// CalcKeyHelpLayout fitted to the loaded texts as the font of its height
// draws them, with a smaller font where the class cannot hold them. The
// font for the caller to delete; NULL (and the class unfitted) without one.
HFONT LayoutKeyHelpForText(int screenW, int screenH, int dpi, KeyHelpLayout* layout);
// Top-left corner of a width x height window centred on the screen, 0 on
// an axis where the window is larger than the screen.
POINT CalcCentredOrigin(int screenW, int screenH, int width, int height);

// Texts of the key help, from the string table (also shown by the
// configuration sheet's key page). Empty slots stand for missing strings.
#define VLM_KEYHELP_ROWS 20
#define VLM_KEYHELP_TITLE_BYTES 50
#define VLM_KEYHELP_NAME_BYTES 30
#define VLM_KEYHELP_DESC_BYTES 60
extern char KeyHelpTitle[VLM_KEYHELP_TITLE_BYTES];
extern char KeyHelpNames[VLM_KEYHELP_ROWS][VLM_KEYHELP_NAME_BYTES];
extern char KeyHelpDescriptions[VLM_KEYHELP_ROWS][VLM_KEYHELP_DESC_BYTES];
// 0 with ErrorText set when a string exists but cannot be loaded.
int LoadKeyHelpTexts();
