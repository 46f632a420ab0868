// Companion windows of the main window: status overlay, playlist, key help.
#pragma once
#include <windows.h>

// ---- status overlay, "FrontWindowClass" (vlm_subwin_overlay.cpp)
extern HWND StatusOverlay;
int CreateStatusOverlay(HWND mainWindow);
void DestroyStatusOverlay();
// Recomputes the time and status rectangles from GraphState.StopPosition.
void LayoutStatusOverlay();
