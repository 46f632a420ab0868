// Program entry, main window, message loop and preview window.
#pragma once
#include <windows.h>

#define VLM_MAIN_CLASS "VelmoraClass"
#define VLM_MAIN_TITLE "Velmora"
#define VLM_MUTEX_NAME "VelmoraMutex"

#include "resource.h"

// Whole life of the player process; args is the text after the program name.
int QuorlinMain(HINSTANCE instance, const char* args);

// Run mode: registers "VelmoraClass", creates the full-screen window and runs
// the message loop. Gives the quit code, or 0 with ErrorText set.
int RunMainWindow();

// Preview mode: the program icon in a child of parent until it is destroyed.
int RunPreviewWindow(HWND parent);

// Messages of the player.
#define WM_APP_GRAPHNOTIFY (WM_APP + 1)
#define WM_APP_STARTPLAY   (WM_APP + 2)
#define WM_APP_LISTUP      (WM_APP + 3)
#define WM_APP_LISTDOWN    (WM_APP + 4)
