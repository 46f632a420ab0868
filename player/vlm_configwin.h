// Configuration dialogs: property sheet, settings pages, program list editor,
// folder selection and history dialogs.
#pragma once
#include <windows.h>

// Runs the configuration property sheet; the result is the exit code.
int ShowConfigurationSheet();
