// Test stand-in for the player: appends the command line it was started with
// to "recorder.txt" beside it, one line per start, in UTF-16 (little endian)
// as the system handed it over, and ends.
#include <windows.h>
#include <string.h>
#include <wchar.h>

static void Put(HANDLE file, const WCHAR* text)
{
    DWORD written;
    WriteFile(file, text, (DWORD)(wcslen(text) * sizeof(WCHAR)), &written, NULL);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\') n--;
    wcscpy(path + n, L"recorder.txt");
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    Put(file, L"[");
    Put(file, GetCommandLineW());
    Put(file, L"]\n");
    CloseHandle(file);
    return 0;
}
