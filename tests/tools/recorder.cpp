// Test stand-in for the player: appends the command line it was started with
// to "recorder.txt" beside it, one line per start, and ends.
#include <windows.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\') n--;
    strcpy(path + n, "recorder.txt");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = GetCommandLineA();
    DWORD written;
    WriteFile(file, "[", 1, &written, NULL);
    WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    WriteFile(file, "]\n", 2, &written, NULL);
    CloseHandle(file);
    return 0;
}
