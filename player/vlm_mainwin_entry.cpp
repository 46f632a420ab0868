// GUI entry point of Quorlin.exe.
#include "Quorlin.h"
#include "vlm_mainwin.h"

// The argument text comes from the command line itself: the C run-time's
// own skip of the program name misreads an unquoted Japanese program path.
// The UTF-16 form shows whether a path survived the code page.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return QuorlinMain(instance, SkipProgramName(GetCommandLineA()), SkipProgramNameW(GetCommandLineW()));
}
