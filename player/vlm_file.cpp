// Media lists: the list record, its link operations and the folder scan.
#include "vlm_file.h"
#include "Quorlin.h"
#include <string.h>

MediaFileListRecord MediaFileList;

void InsertAfter(MediaFileListRecord* list, MediaFileEntry* after, MediaFileEntry* entry)
{
    entry->prev = after;
    if (after == NULL) {
        entry->next = list->head;
        list->head = entry;
    } else {
        entry->next = after->next;
        after->next = entry;
    }
    if (entry->next != NULL)
        entry->next->prev = entry;
    else
        list->tail = entry;
}

void UnlinkEntry(MediaFileListRecord* list, MediaFileEntry* entry)
{
    if (entry->prev != NULL)
        entry->prev->next = entry->next;
    else
        list->head = entry->next;
    if (entry->next != NULL)
        entry->next->prev = entry->prev;
    else
        list->tail = entry->prev;
    entry->prev = NULL;
    entry->next = NULL;
}

void RenumberMediaList(MediaFileListRecord* list)
{
    int number = 1;
    for (MediaFileEntry* entry = list->head; entry != NULL; entry = entry->next)
        entry->playNo = number++;
}

void FreeMediaList()
{
    MediaFileEntry* entry = MediaFileList.head;
    while (entry != NULL) {
        MediaFileEntry* next = entry->next;
        HeapFree(Settings.Heap, 0, entry);
        entry = next;
    }
    MediaFileList.count = 0;
    MediaFileList.head = NULL;
    MediaFileList.tail = NULL;
    MediaFileList.current = NULL;
}

// Letters compare without case; a double-byte character only with itself,
// so that a trail byte is never folded as if it were a letter.
static int SamePieceIgnoringCase(const char* piece, const char* text, size_t length)
{
    size_t i = 0;
    while (i < length) {
        BYTE a = (BYTE)piece[i], b = (BYTE)text[i];
        if (IsDBCSLeadByte(a) && i + 1 < length) {
            if (a != b || piece[i + 1] != text[i + 1]) return 0;
            i += 2;
            continue;
        }
        if (a >= 'A' && a <= 'Z') a = (BYTE)(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = (BYTE)(b - 'A' + 'a');
        if (a != b) return 0;
        i++;
    }
    return 1;
}

int MatchExtension(const char* extension, const char* extensions)
{
    size_t length = strlen(extension);
    const char* piece = extensions;
    for (;;) {
        const char* end = piece;
        while (*end != '\0' && *end != '|') end = NextChar(end);
        if ((size_t)(end - piece) == length && SamePieceIgnoringCase(piece, extension, length))
            return 1;
        if (*end == '\0') return 0;
        piece = end + 1;
    }
}

const char* FileExtension(const char* name)
{
    const char* dot = FindLastChar(name, '.');
    return dot != NULL ? dot + 1 : NULL;
}

// Links a folder entry at the tail. The caller has checked that the full
// path fits.
static int AddFolderEntry(const char* name, int id, MediaFileEntry** resume)
{
    size_t dirLength = strlen(Settings.DirName);
    size_t nameLength = strlen(name);

    // HeapAlloc does not always set the last error: clear it so that a stale
    // code from the listing is not reported as the cause.
    SetLastError(0);
    MediaFileEntry* entry = (MediaFileEntry*)HeapAlloc(Settings.Heap, HEAP_ZERO_MEMORY, sizeof(MediaFileEntry));
    if (entry == NULL)
        return SetErrorLast(VLM_ERR_FATAL, "メモリ不足あるいはヒープコラプション発生");

    entry->id = id;
    entry->playNo = 0;
    entry->startSeconds = 0;
    entry->endSeconds = -1;
    memcpy(entry->name, name, nameLength + 1);
    memcpy(entry->path, Settings.DirName, dirLength);
    entry->path[dirLength] = '\\';
    memcpy(entry->path + dirLength + 1, name, nameLength + 1);
    InsertAfter(&MediaFileList, MediaFileList.tail, entry);
    MediaFileList.count++;

    if (*resume == NULL && strcmp(name, Settings.Playing) == 0) *resume = entry;
    return 1;
}

static int IsPlayableItem(const WIN32_FIND_DATAA* item)
{
    if (item->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    const char* extension = FileExtension(item->cFileName);
    if (extension == NULL || !MatchExtension(extension, Settings.Extensions)) return 0;
    // The full path must fit in a path buffer.
    return strlen(Settings.DirName) + strlen(item->cFileName) + 1 < VLM_PATH_CHARS;
}

int ScanFolder()
{
    if (MediaFileList.head != NULL) FreeMediaList();

    // Room for DIRNAME and the wildcard: an over-long folder simply fails to
    // list instead of being cut to some other folder's name.
    char pattern[VLM_PATH_CHARS + 8];
    strcpy(pattern, Settings.DirName);
    strcat(pattern, "\\*.*");

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    DWORD lastError = GetLastError();
    int id = 1;
    MediaFileEntry* resume = NULL;
    if (search != INVALID_HANDLE_VALUE) {
        BOOL more = TRUE;
        while (more) {
            if (IsPlayableItem(&found)) {
                if (!AddFolderEntry(found.cFileName, id, &resume)) {
                    FindClose(search);
                    return 0;
                }
                id++;
            }
            more = FindNextFileA(search, &found);
            lastError = GetLastError();
        }
        FindClose(search);
    }

    if (MediaFileList.count == 0) {
        if (lastError == ERROR_NO_MORE_FILES)
            return SetError(VLM_ERR_NOFILE, "再生動画ファイルがありません。", 0);
        return SetError(VLM_ERR_NOFOLDER, "再生動画のフォルダが存在しません。", 0);
    }

    if (Settings.Random)
        ShuffleMediaList(&MediaFileList);
    else
        SortMediaList(&MediaFileList);

    MediaFileList.current = resume;
    if (Settings.Random && !Settings.ContinuousPlay) MediaFileList.current = NULL;
    if (MediaFileList.current == NULL) Settings.StopPosition = 0;
    return 1;
}
