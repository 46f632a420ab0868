// Where the settings file lives. Beside the player when that file can be
// written there; a user who may not write the program's folder (both
// programs in the system folder) gets a file of their own in the
// application data folder, so that no setting and no resume point is lost.
// The run and configuration modes decide alike, so they always share a file.
#include "vlm_path.h"
#include "vlm_global.h"
#include <shlobj.h>
#include <string.h>

int ChooseSettingsPlace(int besideWritable, int besideExists, int userFolderKnown, int userExists)
{
    // With no folder of the user's, the file beside the player is all there
    // is: its writes then fail where the user can be told.
    if (besideWritable || !userFolderKnown) return PlaceBesideProgram;
    if (userExists || !besideExists) return PlaceUserFile;
    return PlaceUserFileFromBeside;
}

// Whether path can be written without changing it: an existing file is
// opened for writing and closed untouched; a missing one is created and
// removed again by the same handle. A file that another program holds open
// stays the place: the lock passes, the user's settings should not move.
static int CanWriteFile(const char* path, int* exists)
{
    DWORD attributes = GetFileAttributesA(path);
    *exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (attributes != INVALID_FILE_ATTRIBUTES && !*exists) return 0;  // a folder of that name
    HANDLE file;
    if (*exists)
        file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    else
        file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (file == INVALID_HANDLE_VALUE) return *exists && GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return 1;
}

// "<application data>\Velmora\Velmora.ini", its folder created when missing.
static int UserSettingsFile(char* path)
{
    char folder[MAX_PATH];
    if (FAILED(SHGetFolderPathA(NULL, CSIDL_APPDATA | CSIDL_FLAG_CREATE, NULL, SHGFP_TYPE_CURRENT, folder)))
        return 0;
    if (strlen(folder) + strlen("\\" VLM_USER_FOLDER "\\" VLM_INI_FILENAME) >= VLM_PATH_CHARS) return 0;
    strcat(folder, "\\" VLM_USER_FOLDER);
    if (!CreateDirectoryA(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    strcpy(path, folder);
    strcat(path, "\\" VLM_INI_FILENAME);
    return 1;
}

int FindSettingsFile(char* path)
{
    char beside[VLM_PATH_CHARS];
    if (!ProgramDirPath(VLM_INI_FILENAME, beside)) return 0;
    int besideExists = 0;
    int besideWritable = CanWriteFile(beside, &besideExists);
    char user[VLM_PATH_CHARS] = "";
    int userKnown = !besideWritable && UserSettingsFile(user);
    int userExists = userKnown && GetFileAttributesA(user) != INVALID_FILE_ATTRIBUTES;

    switch (ChooseSettingsPlace(besideWritable, besideExists, userKnown, userExists)) {
    case PlaceUserFileFromBeside:
        // An administrator's settings are where each user starts from; a
        // read-only mark of theirs must not make the copy unwritable.
        if (CopyFileA(beside, user, TRUE)) {
            DWORD attributes = GetFileAttributesA(user);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                SetFileAttributesA(user, attributes & ~FILE_ATTRIBUTE_READONLY);
        }
        strcpy(path, user);
        return 1;
    case PlaceUserFile:
        strcpy(path, user);
        return 1;
    }
    strcpy(path, beside);
    return 1;
}

int SettingsDirPath(const char* fileName, char* path)
{
    const char* slash = FindLastChar(Settings.SettingsPath, '\\');
    if (slash == NULL) return ProgramDirPath(fileName, path);
    size_t folder = (size_t)(slash + 1 - Settings.SettingsPath);
    if (folder + strlen(fileName) >= VLM_PATH_CHARS) return SetError(VLM_ERR_FATAL, "実行パスが深すぎます。", 0);
    memcpy(path, Settings.SettingsPath, folder);
    strcpy(path + folder, fileName);
    return 1;
}
