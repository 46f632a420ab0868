// Program entry, main window, message loop and preview window.
#pragma once
#include <windows.h>

#define VLM_MAIN_CLASS "VelmoraClass"
#define VLM_MAIN_TITLE "Velmora"
#define VLM_MUTEX_NAME "VelmoraMutex"

#include "resource.h"

// Whole life of the player process; args is the text after the program name,
// wideArgs the same in UTF-16.
int QuorlinMain(HINSTANCE instance, const char* args, const WCHAR* wideArgs);

// Run mode: registers "VelmoraClass", creates the full-screen window and runs
// the message loop. Gives the quit code, or 0 with ErrorText set.
int RunMainWindow();

// Preview mode: the program icon in a child of parent until it is destroyed.
int RunPreviewWindow(HWND parent);
// The preview's child of parent, with parent's DPI awareness; the thread's
// own is back when it returns. NULL when it cannot be made.
HWND CreatePreviewWindow(HWND parent);

// The message loop of both: the quit message's code, 0 when GetMessageA
// fails. GetLoopMessage is GetMessageA; tests put a failing one in its place.
int RunMessageLoop();
extern BOOL (WINAPI *GetLoopMessage)(LPMSG msg, HWND window, UINT first, UINT last);

// Messages of the player.
#define WM_APP_GRAPHNOTIFY (WM_APP + 1)
#define WM_APP_STARTPLAY   (WM_APP + 2)
#define WM_APP_LISTUP      (WM_APP + 3)
#define WM_APP_LISTDOWN    (WM_APP + 4)
#define WM_APP_LISTREADY   (WM_APP + 5)

// ---- the running screensaver's main window (vlm_mainwin.cpp)

// Window procedure of "VelmoraClass"; tests send it messages.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

extern HWND MainWindow;
// Centre of the screen: where the cursor is parked and the reference of the
// mouse-distance test.
extern POINT ScreenCentre;
// Tick count of the last handled key, click or start request.
extern DWORD LastKeyTime;

#define VLM_PLAY_TIMER 1
#define VLM_PLAY_TIMER_MS 1000
// Mouse travel this soon after a display change is the system's own.
#define VLM_DISPLAY_SETTLE_MS 1500
#define VLM_KEY_DEBOUNCE_MS 500

// Visibility of the companions, in memory only. Always 1.
int ToggleStatusOverlay();
int CyclePlaylistSize();
int ToggleKeyHelp();

// Input rules of the window procedure.
// TRUE when a key at tick now comes too soon after the one at last.
BOOL KeyDebounced(DWORD now, DWORD last);
// Folder key number 1..48 of F1..F24 with Shift and Ctrl, 0 for other keys.
int FolderKeyNumber(int key, BOOL shift, BOOL ctrl);
// TRUE for F1..F24 struck without Alt: keyData is the lParam of the key
// message, where Alt held sets bit 29. Alt+F4 and its kin are no folder keys.
#define VLM_KEY_ALT_HELD 0x20000000
BOOL IsFolderKeyStroke(int key, LPARAM keyData);
// TRUE while at lies inside the square of half-width reach around centre.
BOOL MouseWithinReach(POINT centre, POINT at, int reach);
// The reach in physical pixels of MOUSE_WIDTH, a distance at 100 %, on a
// monitor of dpi: the cursor travels as far at any scaling.
int MouseReach(int mouseWidth, int dpi);
// Audio stream slot of a digit key (1 gives 0, 0 gives 9), -1 for others.
int DigitKeySlot(int key);

// ---- creation and destruction work (vlm_util_window.cpp)

// Log path, screen mode, companions, libraries, execution state, hidden
// cursor and PlayTimer. 0 with ErrorText set; nothing is left behind then.
int CreateScreen(HWND window);
// Takes the picture away at once: every window hidden, the timer stopped,
// a changed display mode given back and the cursor shown. Once only.
void HideScreen();
// TRUE from HideScreen until DestroyScreen: a display change then brings
// nothing back.
BOOL ScreenIsHidden();
// Undoes CreateScreen in mirror order.
void DestroyScreen();
// Lays the companions and the main window out for the current ScreenMode,
// covers every other monitor and parks the cursor at its centre, the new
// ScreenCentre. 0 with ErrorText set when a cover cannot be made.
int LayoutScreenWindows();

// ---- failure prompt (vlm_mainwin_prompt.cpp)

// Asks the user after a failure (or opens the folder dialog when nothing is
// pending): 0 end, 1 a folder was chosen, 2 play the next file.
int FailurePrompt();
// Text of the question for ErrorCode 1 to 4 into text (VLM_PROMPT_CHARS);
// name is the current file's name or NULL.
#define VLM_PROMPT_CHARS 564
void ComposeFailureText(int errorCode, const char* errorText, const char* name, char* text);
