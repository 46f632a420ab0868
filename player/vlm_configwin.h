// Configuration dialogs: property sheet, settings pages, program list editor,
// folder selection and history dialogs.
#pragma once
#include <windows.h>

// Runs the configuration property sheet; the result is the exit code.
int ShowConfigurationSheet();

// Folder selection dialog (dialog 1000) over owner. 1 when a folder was
// chosen and written (DIRNAME and PROGRAM_PLAY hold it), 2 when cancelled.
int FolderSelectDialog(HWND owner);
