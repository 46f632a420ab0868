// GUI entry point of Quorlin.exe.
#include "vlm_mainwin.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int)
{
    return QuorlinMain(instance, args);
}
