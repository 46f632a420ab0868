// Velmora.scr: the file the system knows as the screensaver. It starts the
// player with the screensaver's own arguments and ends without waiting.
#include <windows.h>
#include <wchar.h>
#include "vlm_path.h"

static const WCHAR PlayerName[] = L"Quorlin.exe";

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The UTF-16 command line, not the ANSI one: a folder named outside the
    // code page would reach the player best-fitted, naming another folder or
    // none. Not the run-time's argument text either: it cuts an unquoted
    // Japanese path to this file in the middle of a character.
    const WCHAR* args = SkipProgramNameW(GetCommandLineW());
    size_t argLength = wcslen(args);
    size_t size = wcslen(PlayerName) + argLength + (argLength > 0 ? 1 : 0) + 1;
    HANDLE heap = GetProcessHeap();
    WCHAR* command = (WCHAR*)HeapAlloc(heap, HEAP_ZERO_MEMORY, size * sizeof(WCHAR));
    if (command == NULL) return 0;

    wcscpy(command, PlayerName);
    if (argLength > 0) {
        wcscat(command, L" ");
        wcscat(command, args);
    }

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));

    // No application name: the system searches the screensaver's own folder
    // first for the bare program name.
    BOOL created = CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process);
    HeapFree(heap, 0, command);
    if (created) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return 0;
}
