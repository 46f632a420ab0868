// Process initialisation helpers: command line and program-folder paths.
#pragma once
#include <windows.h>

enum StartMode {
    StartRefused = -1,           // a path the program cannot use; ErrorText says why
    StartConfigure = 0,          // no or unrecognised arguments
    StartPreview = 1,            // /p <window>
    StartPassword = 2,           // /a <window>
    StartRun = 3,                // /s, or a folder or file path
    StartConfigureExplicit = 4,  // /c
};

// Classifies the argument text (the command line after the program name).
// Fills Settings.CommandLineFolder and CommandLineFile; for Preview and
// Password, *window receives the handle number given after the switch.
// wideArgs is the same text in UTF-16, or NULL: a path given where it holds
// characters that the code page cannot represent is refused, since its ANSI
// form names no folder, or another one.
int ParseCommandLine(const char* args, const WCHAR* wideArgs, HWND* window);

// 1 when text converts to the ANSI code page without a best fit or a
// default character.
int TextFitsCodePage(const WCHAR* text);

// Full path of fileName in the folder of the running program (260 bytes).
int ProgramDirPath(const char* fileName, char* path);

// Removes all trailing backslashes; a bare drive ("C:") gets one back.
// Returns 0 and leaves the path alone when it does not end in a backslash.
int TrimTrailingBackslashes(char* path);

// Makes a folder path absolute (GetFullPathNameA) and trims its trailing
// backslashes: the one form of a folder in DIRNAME and the history. 0, path
// unchanged, when the full path would not fit in 259 characters.
int NormaliseFolderPath(char* path);

// Start of the last occurrence of the single-byte character c, or NULL,
// scanning by characters so that a trail byte never matches.
const char* FindLastChar(const char* text, char c);

// ---- shared with the screensaver stub (Quorlin_cmdline.cpp)

// Next character of ANSI code page text (lead-byte aware).
const char* NextChar(const char* p);
// The argument text of a whole command line (GetCommandLineA): the program
// name (up to the closing quote when it starts with one, else up to white
// space) and the white space after it skipped, with the code page's
// lead-byte rules.
const char* SkipProgramName(const char* commandLine);
// The same for the UTF-16 command line (GetCommandLineW).
const WCHAR* SkipProgramNameW(const WCHAR* commandLine);
