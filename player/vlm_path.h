// Paths and the walking of ANSI text: the helpers that the start-up, the
// settings file and the dialogs share. Nothing here depends on the modules
// that use it.
#pragma once
#include <windows.h>

// Refusals of a path the program cannot use as it was given.
#define VLM_TEXT_PATH_TOO_LONG  "パス名が長すぎます。"
#define VLM_TEXT_UNUSABLE_NAME  "フォルダ名に使用できない文字が含まれています。"

// ---- vlm_path.cpp

// Full path of fileName in the folder of the running program (260 bytes).
int ProgramDirPath(const char* fileName, char* path);

// 1 for a bare drive such as "C:".
int IsDriveOnly(const char* path);

// Removes all trailing backslashes; a bare drive ("C:") gets one back.
// Returns 0 and leaves the path alone when it does not end in a backslash.
int TrimTrailingBackslashes(char* path);

// Makes a folder path absolute (GetFullPathNameA) and trims its trailing
// backslashes: the one form of a folder in DIRNAME and the history. 0, path
// unchanged, when the full path would not fit in 259 characters.
int NormaliseFolderPath(char* path);

// A path given in the "\\?\" form as the plain one: "\\?\C:\x" as
// "C:\x", "\\?\UNC\server\share" as "\\server\share"; in place.
void DropLongPathPrefix(WCHAR* path);

// The absolute path of an existing file or folder in the form the file
// system keeps: no "\\?\" prefix, long names for short (8.3) ones and each
// name in its stored letter case, so that one folder is one string. Components that cannot be
// looked up stay as given. 0, path unchanged, when that form is longer than
// 259 characters or has characters the code page cannot hold (ErrorText says
// which).
int CanonicalPath(char* path);

// 1 when text converts to the ANSI code page and back unchanged: no best
// fit, no default character.
int TextFitsCodePage(const WCHAR* text);

// Start of the last occurrence of the single-byte character c, or NULL,
// scanning by characters so that a trail byte never matches.
const char* FindLastChar(const char* text, char c);

// ---- vlm_path_text.cpp: no state, shared with the screensaver stub

// Next character of ANSI code page text (lead-byte aware).
const char* NextChar(const char* p);
// The argument text of a whole command line (GetCommandLineA): the program
// name (up to the closing quote when it starts with one, else up to white
// space) and the white space after it skipped, with the code page's
// lead-byte rules.
const char* SkipProgramName(const char* commandLine);
// The same for the UTF-16 command line (GetCommandLineW).
const WCHAR* SkipProgramNameW(const WCHAR* commandLine);
