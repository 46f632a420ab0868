// Velmora.scr: the file the system knows as the screensaver. It starts the
// player with the screensaver's own arguments and ends without waiting.
#include <windows.h>
#include <string.h>
#include "Quorlin.h"

static const char PlayerName[] = "Quorlin.exe";

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Not the run-time's argument text: it cuts an unquoted Japanese path to
    // this file in the middle of a character.
    const char* args = SkipProgramName(GetCommandLineA());
    size_t argLength = strlen(args);
    size_t size = strlen(PlayerName) + argLength + (argLength > 0 ? 1 : 0) + 1;
    HANDLE heap = GetProcessHeap();
    char* command = (char*)HeapAlloc(heap, HEAP_ZERO_MEMORY, size);
    if (command == NULL) return 0;

    strcpy(command, PlayerName);
    if (argLength > 0) {
        strcat(command, " ");
        strcat(command, args);
    }

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));

    // No application name: the system searches the screensaver's own folder
    // first for the bare program name.
    BOOL created = CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process);
    HeapFree(heap, 0, command);
    if (created) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return 0;
}
