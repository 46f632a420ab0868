// The program play list: numbered keys of the settings file turned into the
// media list.
#include "vlm_file.h"
#include "Quorlin.h"
#include <string.h>

static int ReadNumberedInt(const char* base, int number, int absent)
{
    char key[64];
    NumberedKey(key, base, number);
    return (int)GetPrivateProfileIntA(VLM_INI_SECTION, key, absent, Settings.SettingsPath);
}

// The list holds ANSI paths, so the real path is their UTF-16 form: at most
// 259 bytes always fit, and bytes that are no text are replaced.
static void SetNamesFromPath(MediaFileEntry* entry)
{
    const char* slash = FindLastChar(entry->path, '\\');
    strcpy(entry->name, slash != NULL ? slash + 1 : entry->path);
    MultiByteToWideChar(CP_ACP, 0, entry->path, -1, entry->widePath, VLM_PATH_CHARS);
}

// 1: linked; 0 with the error set (allocation, missing file); -1 when the
// number is empty and the list ends.
static int LoadProgramEntry(int number, MediaFileEntry** resume)
{
    SetLastError(0);
    MediaFileEntry* entry = (MediaFileEntry*)HeapAlloc(Settings.Heap, HEAP_ZERO_MEMORY, sizeof(MediaFileEntry));
    if (entry == NULL)
        return SetErrorLast(VLM_ERR_FATAL, "メモリ不足あるいはヒープコラプション発生．");

    char key[64];
    NumberedKey(key, VLM_KEY_PROGRAM_FILENAME, number);
    GetPrivateProfileStringA(VLM_INI_SECTION, key, "", entry->path, VLM_PATH_CHARS, Settings.SettingsPath);
    if (entry->path[0] == '\0') {
        HeapFree(Settings.Heap, 0, entry);
        return -1;
    }
    entry->startSeconds = ReadNumberedInt(VLM_KEY_PROGRAM_STA_POSITION, number, 0);
    entry->endSeconds = ReadNumberedInt(VLM_KEY_PROGRAM_END_POSITION, number, -1);
    entry->id = number;
    entry->playNo = number;
    SetNamesFromPath(entry);
    InsertAfter(&MediaFileList, MediaFileList.tail, entry);

    // The failing entry stays linked (uncounted) as current, so that the
    // failure prompt can name the file.
    if (!IsExistingFile(entry->path)) {
        MediaFileList.current = entry;
        return SetError(VLM_ERR_PROGRAMFILE, "指定されたファイルが存在しません。", 0);
    }
    MediaFileList.count++;
    if (number == Settings.ProgramPlayNo) *resume = entry;
    return 1;
}

int IsExistingFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int LoadProgramList()
{
    if (MediaFileList.head != NULL) FreeMediaList();

    MediaFileEntry* resume = NULL;
    for (int number = 1; number <= VLM_PROGRAM_ENTRIES; number++) {
        int loaded = LoadProgramEntry(number, &resume);
        if (loaded == 0) return 0;
        if (loaded < 0) break;
    }
    if (MediaFileList.count == 0)
        return SetError(VLM_ERR_NOFILE, "再生動画ファイルがありません．", 0);

    if (Settings.Random) ShuffleMediaList(&MediaFileList);

    MediaFileList.current = resume;
    if (Settings.Random && !Settings.ContinuousPlay) MediaFileList.current = NULL;
    if (MediaFileList.current == NULL) Settings.ProgramStopPosition = 0;
    return 1;
}
