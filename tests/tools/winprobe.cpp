// Test helper: looks at the windows of the desktop as a user would see them
// and acts on them. Output is UTF-8, one tab-separated record per line.
//   winprobe list                       top-level windows
//   winprobe children HWND              descendant windows of HWND
//   winprobe click HWND ID              press the button ID of a dialog
//   winprobe post HWND MSG WPARAM LPARAM
//   winprobe send HWND MSG WPARAM LPARAM   prints the result
//   winprobe settext HWND TEXT          WM_SETTEXT (the system carries the text)
//   winprobe lvitems HWND               rows of a list view: row, selected,
//                                       image, then the text of each column
//   winprobe counts PID                 handles, GDI and USER objects, memory
//   winprobe metrics                    screen width and height (system
//                                       metrics) and the current mode's
//                                       width, height and colour depth
//   winprobe mode W H                   another program's change of the
//                                       main display's mode (not stored)
//   winprobe host STOPFILE              a top-level window (prints its handle)
//                                       destroyed when STOPFILE appears
//   winprobe acp                        the ANSI code page
//   winprobe spawn "COMMAND LINE"       start a program with exactly that
//                                       command line; wait for its exit code
//   winprobe version PATH               version resource of a program:
//                                       name=value lines
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

static std::string Utf8(const wchar_t* text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, NULL, NULL);
    for (char& c : out)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return out;
}

static std::string TextOf(HWND window)
{
    wchar_t text[2048] = L"";
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 2048, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &result);
    text[2047] = 0;
    return Utf8(text);
}

static std::string ClassOf(HWND window)
{
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return Utf8(name);
}

static void PrintWindow(HWND window, const char* kind)
{
    RECT r;
    GetWindowRect(window, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    LONG ex = GetWindowLongW(window, GWL_EXSTYLE);
    printf("%s\t%llu\t%lu\t%d\t%s\t%s\t%ld\t%ld\t%ld\t%ld\t%d\t%d\n", kind,
           (unsigned long long)(UINT_PTR)window, pid, GetDlgCtrlID(window), ClassOf(window).c_str(),
           TextOf(window).c_str(), r.left, r.top, r.right, r.bottom, (ex & WS_EX_TOPMOST) ? 1 : 0,
           IsWindowVisible(window) ? 1 : 0);
}

static BOOL CALLBACK ListTop(HWND window, LPARAM)
{
    PrintWindow(window, "top");
    return TRUE;
}

static BOOL CALLBACK ListChild(HWND window, LPARAM)
{
    PrintWindow(window, "child");
    return TRUE;
}

static HWND ParseHandle(const char* text)
{
    return (HWND)(UINT_PTR)_strtoui64(text, NULL, 0);
}

static DWORD CountHandlesByDuplication(HANDLE process)
{
    DWORD count = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) {
        HANDLE copy = NULL;
        if (DuplicateHandle(process, (HANDLE)value, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            count++;
            CloseHandle(copy);
        }
    }
    return count;
}

// The list view lives in another process: its item records and texts must
// be in that process's memory.
static int ListViewItems(HWND list)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return 1;
    const SIZE_T textChars = 1024;
    SIZE_T size = sizeof(LVITEMW) + textChars * sizeof(wchar_t);
    BYTE* remote = (BYTE*)VirtualAllocEx(process, NULL, size, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) {
        CloseHandle(process);
        return 1;
    }
    wchar_t* remoteText = (wchar_t*)(remote + sizeof(LVITEMW));
    int rows = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    HWND header = (HWND)SendMessageW(list, LVM_GETHEADER, 0, 0);
    int columns = header ? (int)SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) : 1;
    if (columns < 1) columns = 1;
    for (int row = 0; row < rows; row++) {
        std::string line;
        for (int column = 0; column < columns; column++) {
            LVITEMW item = {};
            item.mask = LVIF_TEXT | (column == 0 ? LVIF_IMAGE | LVIF_STATE : 0);
            item.iItem = row;
            item.iSubItem = column;
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.pszText = remoteText;
            item.cchTextMax = (int)textChars;
            wchar_t empty = 0;
            WriteProcessMemory(process, remoteText, &empty, sizeof(empty), NULL);
            WriteProcessMemory(process, remote, &item, sizeof(item), NULL);
            SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)remote);
            LVITEMW got = {};
            wchar_t text[1024] = L"";
            ReadProcessMemory(process, remote, &got, sizeof(got), NULL);
            ReadProcessMemory(process, remoteText, text, sizeof(text), NULL);
            text[1023] = 0;
            if (column == 0) {
                char head[64];
                sprintf(head, "%d\t%d\t%d", row, (got.state & LVIS_SELECTED) ? 1 : 0, got.iImage);
                line += head;
            }
            line += "\t" + Utf8(text);
        }
        printf("%s\n", line.c_str());
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return 0;
}

static const char* HostStopFile;

static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        if (GetFileAttributesA(HostStopFile) != INVALID_FILE_ATTRIBUTES) DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static int Host(const char* stopFile)
{
    HostStopFile = stopFile;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    wc.lpszClassName = L"ProbeHostClass";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"ProbeHostClass", L"probe host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  100, 100, 320, 240, NULL, NULL, wc.hInstance, NULL);
    printf("%llu\n", (unsigned long long)(UINT_PTR)window);
    fflush(stdout);
    SetTimer(window, 1, 100, NULL);
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// The fixed version, the first translation and its strings, as the
// system's version functions read them.
static int PrintVersion(const char* path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return 1;
    std::string data(size, '\0');
    if (!GetFileVersionInfoA(path, 0, size, &data[0])) return 1;
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (VerQueryValueW(&data[0], L"\\", (void**)&fixed, &length) && fixed)
        printf("Fixed=%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
               HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    WORD* translation = NULL;
    if (!VerQueryValueW(&data[0], L"\\VarFileInfo\\Translation", (void**)&translation, &length) || length < 4)
        return 1;
    wchar_t block[64];
    wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    printf("Translation=%04x%04x\n", translation[0], translation[1]);
    const wchar_t* names[] = {L"ProductName", L"ProductVersion", L"FileDescription", L"FileVersion",
                              L"InternalName", L"OriginalFilename", L"CompanyName"};
    for (const wchar_t* name : names) {
        wchar_t* value = NULL;
        if (VerQueryValueW(&data[0], (std::wstring(block) + name).c_str(), (void**)&value, &length) && value)
            printf("%s=%s\n", Utf8(name).c_str(), Utf8(value).c_str());
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: winprobe list|children|click|post|counts|host|acp ...\n");
        return 2;
    }
    std::string verb = argv[1];
    if (verb == "list") {
        EnumWindows(ListTop, 0);
    } else if (verb == "children" && argc >= 3) {
        EnumChildWindows(ParseHandle(argv[2]), ListChild, 0);
    } else if (verb == "click" && argc >= 4) {
        HWND dialog = ParseHandle(argv[2]);
        int id = atoi(argv[3]);
        HWND button = GetDlgItem(dialog, id);
        if (!PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button)) return 1;
    } else if (verb == "post" && argc >= 6) {
        if (!PostMessageW(ParseHandle(argv[2]), (UINT)strtoul(argv[3], NULL, 0),
                          (WPARAM)_strtoui64(argv[4], NULL, 0), (LPARAM)_strtoi64(argv[5], NULL, 0)))
            return 1;
    } else if (verb == "send" && argc >= 6) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(ParseHandle(argv[2]), (UINT)strtoul(argv[3], NULL, 0),
                                 (WPARAM)_strtoui64(argv[4], NULL, 0), (LPARAM)_strtoi64(argv[5], NULL, 0),
                                 SMTO_ABORTIFHUNG, 5000, &result))
            return 1;
        printf("%lld\n", (long long)(LONG_PTR)result);
    } else if (verb == "settext" && argc >= 4) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(ParseHandle(argv[2]), WM_SETTEXT, 0, (LPARAM)argv[3], SMTO_ABORTIFHUNG, 5000,
                                 &result))
            return 1;
    } else if (verb == "lvitems" && argc >= 3) {
        return ListViewItems(ParseHandle(argv[2]));
    } else if (verb == "counts" && argc >= 3) {
        DWORD pid = strtoul(argv[2], NULL, 0);
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE, pid);
        if (!process) return 1;
        DWORD handles = 0;
        GetProcessHandleCount(process, &handles);
        // Wine answers 0 there: count the handle values that can be
        // duplicated out of the process instead.
        if (handles == 0) handles = CountHandlesByDuplication(process);
        PROCESS_MEMORY_COUNTERS memory = {};
        GetProcessMemoryInfo(process, &memory, sizeof(memory));
        printf("handles=%lu gdi=%lu user=%lu private=%llu\n", handles,
               GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS),
               (unsigned long long)memory.PagefileUsage);
        CloseHandle(process);
    } else if (verb == "metrics") {
        DEVMODEA mode = {};
        mode.dmSize = sizeof(mode);
        EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode);
        printf("%d %d %lu %lu %lu\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
               mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
    } else if (verb == "mode" && argc >= 4) {
        DEVMODEA mode = {};
        mode.dmSize = sizeof(mode);
        mode.dmPelsWidth = strtoul(argv[2], NULL, 0);
        mode.dmPelsHeight = strtoul(argv[3], NULL, 0);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsExA(NULL, &mode, NULL, 0, NULL) != DISP_CHANGE_SUCCESSFUL) return 1;
    } else if (verb == "host" && argc >= 3) {
        return Host(argv[2]);
    } else if (verb == "spawn" && argc >= 3) {
        // One argument holds the whole command line; its quotes survive the
        // quoting and unquoting on the way in.
        std::string command = argv[2];
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
            return 3;
        WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        return (int)code;
    } else if (verb == "version" && argc >= 3) {
        return PrintVersion(argv[2]);
    } else if (verb == "acp") {
        printf("%u\n", GetACP());
    } else {
        fprintf(stderr, "winprobe: bad arguments\n");
        return 2;
    }
    return 0;
}
