#include "support_resources.h"
#include <string.h>

HMODULE PlayerResources()
{
    static HMODULE module = NULL;
    if (module == NULL) {
        char path[MAX_PATH];
        GetModuleFileNameA(NULL, path, MAX_PATH);
        char* slash = strrchr(path, '\\');
        if (slash) strcpy(slash + 1, "Quorlin.exe");
        module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    return module;
}
