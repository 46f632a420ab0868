// Walking ANSI text and finding the argument text of a command line. Shared
// with the screensaver stub, so nothing here touches the player's state.
#include "Quorlin.h"

const char* NextChar(const char* p)
{
    if (*p == '\0') return p;
    if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0') return p + 2;
    return p + 1;
}

// Bytes are compared unsigned: a signed comparison takes every byte of a
// double-byte character for white space and cuts a Japanese program path in
// the middle.
static bool IsBlank(char c)
{
    return c != '\0' && (BYTE)c <= ' ';
}

const char* SkipProgramName(const char* commandLine)
{
    const char* p = commandLine ? commandLine : "";
    if (*p == '"') {
        p++;
        while (*p != '\0' && *p != '"') p = NextChar(p);
        if (*p == '"') p++;
    } else {
        while (*p != '\0' && !IsBlank(*p)) p = NextChar(p);
    }
    while (IsBlank(*p)) p++;
    return p;
}
