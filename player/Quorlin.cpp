// Classification of the player's command line.
#include "Quorlin.h"
#include "vlm_global.h"
#include <stdlib.h>
#include <string.h>

static const char* SkipSpaces(const char* p)
{
    while (*p == ' ') p++;
    return p;
}

static int Refuse(const char* message)
{
    SetError(VLM_ERR_FATAL, message, 0);
    Settings.CommandLineFolder[0] = '\0';
    Settings.CommandLineFile[0] = '\0';
    return StartRefused;
}

// Step 3 and 4 of the classification: a folder or file path. It is made
// absolute and takes the names and letter case the file system keeps, and a
// folder loses its trailing backslashes, so that DIRNAME and the history hold
// it in the form a folder chosen in the dialogs has: the same folder never
// becomes two history entries with two resume points, and a file given in
// another case is still the listed one.
static int ParsePath(const char* p, const WCHAR* wideArgs)
{
    if (wideArgs != NULL && !TextFitsCodePage(wideArgs)) return Refuse(VLM_TEXT_UNUSABLE_NAME);
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
    // Cut to fit, the path may name another existing folder, which would
    // then play.
    size_t length = (size_t)(end - p);
    if (length > VLM_PATH_CHARS - 1) return Refuse(VLM_TEXT_PATH_TOO_LONG);
    memcpy(Settings.CommandLineFolder, p, length);
    Settings.CommandLineFolder[length] = '\0';

    DWORD attributes = GetFileAttributesA(Settings.CommandLineFolder);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Settings.CommandLineFolder[0] = '\0';
        return StartConfigure;
    }
    char full[VLM_PATH_CHARS];
    DWORD fullLength = GetFullPathNameA(Settings.CommandLineFolder, VLM_PATH_CHARS, full, NULL);
    if (fullLength == 0 || fullLength >= VLM_PATH_CHARS) return Refuse(VLM_TEXT_PATH_TOO_LONG);
    if (!CanonicalPath(full)) {  // ErrorText says why
        Settings.CommandLineFolder[0] = '\0';
        return StartRefused;
    }
    strcpy(Settings.CommandLineFolder, full);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        TrimTrailingBackslashes(Settings.CommandLineFolder);
        return StartRun;
    }

    char* slash = (char*)FindLastChar(Settings.CommandLineFolder, '\\');
    if (slash == NULL || slash == Settings.CommandLineFolder) {
        Settings.CommandLineFolder[0] = '\0';
        return StartConfigure;
    }
    strcpy(Settings.CommandLineFile, slash + 1);
    *slash = '\0';
    if (IsDriveOnly(Settings.CommandLineFolder)) strcat(Settings.CommandLineFolder, "\\");
    return StartRun;
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
