// Process initialisation: classification of the command line.
#pragma once
#include <windows.h>
#include "vlm_path.h"

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
// form names no folder, or another one. So is a path longer than 259
// characters, whose cut form may name another folder.
int ParseCommandLine(const char* args, const WCHAR* wideArgs, HWND* window);
