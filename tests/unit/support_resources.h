// The player's resources as the built Quorlin.exe beside the test carries
// them: dialogs, icons and string tables are tested as they ship.
#pragma once
#include <windows.h>

// Loaded once as a data file; NULL when Quorlin.exe is missing.
HMODULE PlayerResources();
