// Least forms of the configuration dialogs that are still being built. Each
// section goes when its own file takes over.
#include "vlm_configwin.h"
#include "Quorlin.h"
#include "resource.h"
#include "vlm_global.h"
#include "vlm_util.h"

// ---- vlm_configwin_program.cpp

INT_PTR CALLBACK ProgramPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return FALSE;
}
