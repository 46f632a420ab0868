// Configuration property sheet.
#include "vlm_configwin.h"

// The property sheet is not built yet: configuration mode loads the settings
// (creating the file when missing) and ends.
int ShowConfigurationSheet()
{
    return 0;
}
