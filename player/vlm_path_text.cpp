// Walking ANSI text and finding the argument text of a command line. Shared
// with the screensaver stub, so nothing here touches the player's state.
#include "vlm_path.h"

const char* NextChar(const char* p)
{
    if (*p == '\0') return p;
    if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0') return p + 2;
    return p + 1;
}

// Characters are compared unsigned: a signed comparison takes every byte of
// a double-byte character for white space and cuts a Japanese program path
// in the middle.
static unsigned Code(char c) { return (BYTE)c; }
static unsigned Code(WCHAR c) { return c; }
static const char* Next(const char* p) { return NextChar(p); }
static const WCHAR* Next(const WCHAR* p) { return *p ? p + 1 : p; }

template <typename Char>
static bool IsBlank(Char c)
{
    return Code(c) != 0 && Code(c) <= ' ';
}

template <typename Char>
static const Char* SkipName(const Char* p)
{
    if (Code(*p) == '"') {
        p++;
        while (Code(*p) != 0 && Code(*p) != '"') p = Next(p);
        if (Code(*p) == '"') p++;
    } else {
        while (Code(*p) != 0 && !IsBlank(*p)) p = Next(p);
    }
    while (IsBlank(*p)) p++;
    return p;
}

const char* SkipProgramName(const char* commandLine)
{
    return SkipName(commandLine ? commandLine : "");
}

const WCHAR* SkipProgramNameW(const WCHAR* commandLine)
{
    return SkipName(commandLine ? commandLine : L"");
}
