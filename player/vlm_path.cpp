// Paths of the program's own files and the forms of a folder or file path.
#include "vlm_path.h"
#include "vlm_global.h"
#include <string.h>
#include <wchar.h>

// Room for a path whose short names grow into long ones before it is known
// whether the result still fits in 259 ANSI characters.
#define VLM_WIDE_PATH_CHARS 1024

const char* FindLastChar(const char* text, char c)
{
    const char* found = NULL;
    for (const char* p = text; *p; p = NextChar(p))
        if (*p == c) found = p;
    return found;
}

int IsDriveOnly(const char* path)
{
    char c = path[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':' && path[2] == '\0';
}

int TextFitsCodePage(const WCHAR* text)
{
    BOOL defaulted = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, NULL, 0, NULL, &defaulted);
    if (length == 0 || defaulted) return 0;
    // Spelled only when the text comes back unchanged: a look-alike that a
    // code page table gives without a default character names another file.
    int chars = (int)wcslen(text) + 1;
    char* ansi = (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)length + 1 + (SIZE_T)chars * sizeof(WCHAR));
    if (ansi == NULL) return 0;
    WCHAR* back = (WCHAR*)(ansi + length + (length & 1));
    int same = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, ansi, length, NULL, NULL) == length &&
               MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, chars) == chars && wcscmp(back, text) == 0;
    HeapFree(GetProcessHeap(), 0, ansi);
    return same;
}

int ProgramDirPath(const char* fileName, char* path)
{
    char module[VLM_PATH_CHARS];
    SetLastError(0);
    DWORD length = GetModuleFileNameA(NULL, module, VLM_PATH_CHARS);
    if (length == 0)
        return SetErrorLast(VLM_ERR_FATAL, "GetModuleFileName でエラーが返りました。");
    // A module path that filled the buffer was cut: its folder is not known,
    // and anything built from it would name the wrong place.
    if (length >= VLM_PATH_CHARS - 1 && GetLastError() == ERROR_INSUFFICIENT_BUFFER)
        return SetError(VLM_ERR_FATAL, "実行パスが深すぎます。", 0);
    module[VLM_PATH_CHARS - 1] = '\0';

    char* slash = (char*)FindLastChar(module, '\\');
    if (slash == NULL) {
        if (strlen(fileName) + 2 >= VLM_PATH_CHARS)
            return SetError(VLM_ERR_FATAL, "実行パスが深すぎます。", 0);
        strcpy(path, ".\\");
        strcat(path, fileName);
        return 1;
    }
    slash[1] = '\0';
    if (strlen(module) + strlen(fileName) >= VLM_PATH_CHARS)
        return SetError(VLM_ERR_FATAL, "実行パスが深すぎます。", 0);
    strcpy(path, module);
    strcat(path, fileName);
    return 1;
}

int TrimTrailingBackslashes(char* path)
{
    char* runStart = NULL;  // first backslash of the trailing run
    char* p = path;
    for (; *p; p = (char*)NextChar(p)) {
        if (*p == '\\') {
            if (runStart == NULL) runStart = p;
        } else {
            runStart = NULL;
        }
    }
    if (runStart == NULL) return 0;
    *runStart = '\0';
    if (IsDriveOnly(path)) strcat(path, "\\");
    return 1;
}

// The absolute form of path, in place ("." and ".." resolved against the
// current folder). 0, path unchanged, when it would not fit.
static int MakeFullPath(char* path)
{
    char full[VLM_PATH_CHARS];
    DWORD length = GetFullPathNameA(path, VLM_PATH_CHARS, full, NULL);
    if (length == 0 || length >= VLM_PATH_CHARS) return 0;
    strcpy(path, full);
    return 1;
}

int NormaliseFolderPath(char* path)
{
    if (!MakeFullPath(path)) return 0;
    TrimTrailingBackslashes(path);
    return 1;
}

// Length of the part of an absolute path that names no entry of a folder:
// "C:\" or "\\server\share\".
static size_t RootLength(const WCHAR* path)
{
    if (path[0] != L'\0' && path[1] == L':') return path[2] == L'\\' ? 3 : 2;
    if (path[0] != L'\\' || path[1] != L'\\') return 0;
    const WCHAR* p = path + 2;
    for (int separators = 0; *p; p++)
        if (*p == L'\\' && ++separators == 2) return (size_t)(p - path) + 1;
    return (size_t)(p - path);
}

// Every name after the root replaced by the one a search for it finds: the
// search answers a short name and any letter case with the stored long name.
// GetLongPathName keeps the typed case of long names on Windows.
static int StoredNames(const WCHAR* path, WCHAR* out)
{
    size_t o = RootLength(path);
    if (o >= VLM_WIDE_PATH_CHARS) return 0;
    wmemcpy(out, path, o);
    out[o] = L'\0';
    if (o >= 2 && out[1] == L':' && out[0] >= L'a' && out[0] <= L'z') out[0] = (WCHAR)(out[0] - L'a' + L'A');
    const WCHAR* p = path + o;
    while (*p) {
        const WCHAR* end = wcschr(p, L'\\');
        if (end == NULL) end = p + wcslen(p);
        size_t n = (size_t)(end - p);
        if (o + n + 2 > VLM_WIDE_PATH_CHARS) return 0;
        wmemcpy(out + o, p, n);
        out[o + n] = L'\0';
        WIN32_FIND_DATAW found;
        HANDLE search = n > 0 ? FindFirstFileW(out, &found) : INVALID_HANDLE_VALUE;
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            n = wcslen(found.cFileName);
            if (o + n + 2 > VLM_WIDE_PATH_CHARS) return 0;
            wmemcpy(out + o, found.cFileName, n + 1);
        }
        o += n;
        if (*end == L'\\') out[o++] = L'\\';
        out[o] = L'\0';
        p = *end ? end + 1 : end;
    }
    return 1;
}

void DropLongPathPrefix(WCHAR* path)
{
    if (wcsncmp(path, L"\\\\?\\", 4) != 0) return;
    if (_wcsnicmp(path + 4, L"UNC\\", 4) == 0)
        memmove(path + 2, path + 8, (wcslen(path + 8) + 1) * sizeof(WCHAR));
    else
        memmove(path, path + 4, (wcslen(path + 4) + 1) * sizeof(WCHAR));
}

int CanonicalPath(char* path)
{
    WCHAR wide[VLM_WIDE_PATH_CHARS], stored[VLM_WIDE_PATH_CHARS];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, VLM_WIDE_PATH_CHARS) == 0)
        return SetError(VLM_ERR_FATAL, VLM_TEXT_PATH_TOO_LONG, 0);
    DropLongPathPrefix(wide);
    if (!StoredNames(wide, stored)) return SetError(VLM_ERR_FATAL, VLM_TEXT_PATH_TOO_LONG, 0);
    // A long name may hold what its short name did not: a best-fitted ANSI
    // name would find nothing, or another file.
    if (!TextFitsCodePage(stored)) return SetError(VLM_ERR_FATAL, VLM_TEXT_UNUSABLE_NAME, 0);
    char ansi[VLM_PATH_CHARS];
    if (WideCharToMultiByte(CP_ACP, 0, stored, -1, ansi, VLM_PATH_CHARS, NULL, NULL) == 0)
        return SetError(VLM_ERR_FATAL, VLM_TEXT_PATH_TOO_LONG, 0);
    strcpy(path, ansi);
    return 1;
}
