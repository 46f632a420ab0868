// Least forms of the configuration dialogs that are still being built. Each
// section goes when its own file takes over.
#include "vlm_configwin.h"
#include "Quorlin.h"
#include "resource.h"
#include "vlm_global.h"
#include "vlm_util.h"
#include <stdlib.h>

// ---- vlm_configwin_sheet.cpp: the property sheet is not built yet:
// configuration mode loads the settings (creating the file when missing)
// and ends.

HWND SheetWindow;
HWND SettingsPage1Window;
HWND ProgramPageWindow;
char* EntryNameBuffer;

int ShowConfigurationSheet()
{
    return 0;
}

HWND AttachHelpPane(int pageNumber, HWND page)
{
    return NULL;
}

BOOL HandleHelpPane(int pageNumber, HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FALSE;
}

void DestroyPageTips()
{
}

void ProgramPlaySync(int kind, BOOL state, BOOL setCheck1419, BOOL setCheck1420, char* folderText,
                     BOOL setEnable)
{
}

int ParseBoxNumber(const char* text, int chars)
{
    char head[16];
    lstrcpynA(head, text, chars + 1 < 16 ? chars + 1 : 16);
    return atoi(head);
}

// ---- vlm_configwin_program.cpp

INT_PTR CALLBACK ProgramPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FALSE;
}
