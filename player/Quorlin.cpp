// Command-line classification and program-folder paths of the player.
#include "Quorlin.h"
#include "vlm_global.h"
#include <stdlib.h>
#include <string.h>

const char* FindLastChar(const char* text, char c)
{
    const char* found = NULL;
    for (const char* p = text; *p; p = NextChar(p))
        if (*p == c) found = p;
    return found;
}

static const char* SkipSpaces(const char* p)
{
    while (*p == ' ') p++;
    return p;
}

// Copies at most len bytes and at most 259, never half a double-byte
// character.
static void CopyCut(char* dst, const char* src, size_t len)
{
    size_t take = len < VLM_PATH_CHARS ? len : VLM_PATH_CHARS;
    char text[VLM_PATH_CHARS + 1];
    memcpy(text, src, take);
    text[take] = '\0';
    CutOnCharBoundary(text, take < VLM_PATH_CHARS - 1 ? take : VLM_PATH_CHARS - 1);
    strcpy(dst, text);
}

static int IsDriveOnly(const char* path)
{
    char c = path[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':' && path[2] == '\0';
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

// Step 3 and 4 of the classification: a folder or file path. It is made
// absolute, and a folder loses its trailing backslashes, so that DIRNAME and
// the history hold it in the form a folder chosen in the dialogs has: the
// same folder never becomes two history entries with two resume points.
static int ParsePath(const char* p, const WCHAR* wideArgs)
{
    if (wideArgs != NULL && !TextFitsCodePage(wideArgs)) {
        SetError(VLM_ERR_FATAL, "フォルダ名に使用できない文字が含まれています。", 0);
        return StartRefused;
    }
    const char* end;
    if (*p == '"') {
        p++;
        end = p;
        while (*end && *end != '"') end = NextChar(end);
        if (*end != '"') return StartConfigure;
    } else {
        end = p;
        while (*end && *end != ' ') end = NextChar(end);
    }
    CopyCut(Settings.CommandLineFolder, p, (size_t)(end - p));

    DWORD attributes = GetFileAttributesA(Settings.CommandLineFolder);
    int usable;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        usable = 0;
    else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        usable = NormaliseFolderPath(Settings.CommandLineFolder);
    else
        usable = MakeFullPath(Settings.CommandLineFolder);
    if (!usable) {
        Settings.CommandLineFolder[0] = '\0';
        return StartConfigure;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return StartRun;

    char* slash = (char*)FindLastChar(Settings.CommandLineFolder, '\\');
    if (slash == NULL || slash == Settings.CommandLineFolder) {
        Settings.CommandLineFolder[0] = '\0';
        return StartConfigure;
    }
    CopyCut(Settings.CommandLineFile, slash + 1, strlen(slash + 1));
    *slash = '\0';
    if (IsDriveOnly(Settings.CommandLineFolder)) strcat(Settings.CommandLineFolder, "\\");
    return StartRun;
}

int TextFitsCodePage(const WCHAR* text)
{
    BOOL defaulted = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, NULL, 0, NULL, &defaulted);
    return length > 0 && !defaulted;
}

int ParseCommandLine(const char* args, const WCHAR* wideArgs, HWND* window)
{
    Settings.CommandLineFolder[0] = '\0';
    Settings.CommandLineFile[0] = '\0';
    if (window) *window = NULL;

    const char* p = SkipSpaces(args ? args : "");
    if (*p == '\0') return StartConfigure;
    if (*p != '/') return ParsePath(p, wideArgs);

    switch (p[1]) {
    case 'p': case 'P':
    case 'a': case 'A': {
        if (p[2] != ' ') return StartConfigure;
        const char* number = SkipSpaces(p + 2);
        if (*number == '\0') return StartConfigure;
        long long handle = _atoi64(number);
        if (p[1] == 'a' || p[1] == 'A') return StartPassword;
        if (window) *window = (HWND)(INT_PTR)handle;
        return StartPreview;
    }
    case 'c': case 'C':
        return (p[2] == '\0' || p[2] == ' ') ? StartConfigureExplicit : StartConfigure;
    case 's': case 'S': {
        if (p[2] == '\0') return StartRun;
        if (p[2] != ' ') return StartConfigure;
        const char* rest = SkipSpaces(p + 2);
        if (*rest == '\0') return StartRun;
        return ParsePath(rest, wideArgs);
    }
    default:
        return ParsePath(p, wideArgs);
    }
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
