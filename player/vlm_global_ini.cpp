// Stand-in until the settings file is read: builds the settings path and
// keeps every value at zero.
#include "Quorlin.h"
#include "vlm_global.h"

int LoadSettings(int configureMode)
{
    (void)configureMode;
    return ProgramDirPath(VLM_INI_FILENAME, Settings.SettingsPath);
}
