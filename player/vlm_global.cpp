// The process-wide settings record and the error-reporting convention.
#include "vlm_global.h"
#include <string.h>

SettingsRecord Settings;

int SetError(int code, const char* message, DWORD systemCode)
{
    Settings.ErrorCode = code;
    // wsprintfA stops at 1024 bytes; the buffer is smaller, so format into a
    // scratch buffer and cut to the record's size on a character boundary.
    char text[1100];
    if (systemCode != 0)
        wsprintfA(text, "%s(0x%08x)", message, (unsigned)systemCode);
    else
        wsprintfA(text, "%s", message);
    CutOnCharBoundary(text, VLM_ERRORTEXT_CHARS - 1);
    strcpy(Settings.ErrorText, text);
    return 0;
}

int SetErrorLast(int code, const char* message)
{
    return SetError(code, message, GetLastError());
}

void ClearError()
{
    Settings.ErrorCode = VLM_ERR_NONE;
    Settings.ErrorText[0] = '\0';
}
