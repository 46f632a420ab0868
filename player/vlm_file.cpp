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

void FreeListEntries(MediaFileListRecord* list)
{
    MediaFileEntry* entry = list->head;
    while (entry != NULL) {
        MediaFileEntry* next = entry->next;
        HeapFree(Settings.Heap, 0, entry);
        entry = next;
    }
    ZeroMemory(list, sizeof(*list));
}

void FreeMediaList()
{
    // A listing behind the playing file belongs to the list being let go.
    DropFolderScan();
    FreeListEntries(&MediaFileList);
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

namespace {

// The folder being listed: its name in both forms.
struct ScanDir {
    const char* name;                  // DIRNAME
    size_t length;                     // bytes of name
    WCHAR wide[VLM_PATH_CHARS + 8];    // name in UTF-16, then room for the wildcard
    size_t wideLength;
};

// One listed item: its ANSI name and its real name.
struct ScanItem {
    char name[2 * MAX_PATH];           // best fit of the code page
    size_t length;
    const WCHAR* wideName;
    size_t wideLength;
};

}  // namespace

static int OpenScanDir(const char* dirName, ScanDir* dir)
{
    dir->name = dirName;
    dir->length = strlen(dirName);
    // DIRNAME holds at most 259 bytes, never more characters than that.
    int converted = MultiByteToWideChar(CP_ACP, 0, dirName, -1, dir->wide, VLM_PATH_CHARS);
    if (converted == 0) return 0;
    dir->wideLength = (size_t)converted - 1;
    return 1;
}

// Both full paths must fit in a path buffer.
static int ItemFits(const ScanDir* dir, const ScanItem* item)
{
    return dir->length + item->length + 1 < VLM_PATH_CHARS && dir->wideLength + item->wideLength + 1 < VLM_PATH_CHARS;
}

static int ScanFailed(ScanFailure* failure, int code, const char* message, DWORD systemCode)
{
    failure->code = code;
    failure->message = message;
    failure->systemCode = systemCode;
    return 0;
}

// Links a folder entry at the tail of list. The caller has checked that
// both full paths fit.
static int AddFolderEntry(MediaFileListRecord* list, const ScanDir* dir, const ScanItem* item, int id,
                          ScanFailure* failure)
{
    // HeapAlloc does not always set the last error: clear it so that a stale
    // code from the listing is not reported as the cause.
    SetLastError(0);
    MediaFileEntry* entry = (MediaFileEntry*)HeapAlloc(Settings.Heap, HEAP_ZERO_MEMORY, sizeof(MediaFileEntry));
    if (entry == NULL) return ScanFailed(failure, VLM_ERR_FATAL, "メモリ不足あるいはヒープコラプション発生", GetLastError());

    entry->id = id;
    entry->playNo = 0;
    entry->startSeconds = 0;
    entry->endSeconds = -1;
    memcpy(entry->name, item->name, item->length + 1);
    memcpy(entry->path, dir->name, dir->length);
    entry->path[dir->length] = '\\';
    memcpy(entry->path + dir->length + 1, item->name, item->length + 1);
    memcpy(entry->widePath, dir->wide, dir->wideLength * sizeof(WCHAR));
    entry->widePath[dir->wideLength] = L'\\';
    memcpy(entry->widePath + dir->wideLength + 1, item->wideName, (item->wideLength + 1) * sizeof(WCHAR));
    InsertAfter(list, list->tail, entry);
    list->count++;
    return 1;
}

// Takes the ANSI name of a listed file; 0 when it is not to be played.
static int TakePlayableItem(const ScanDir* dir, const char* extensions, const WIN32_FIND_DATAW* found,
                            ScanItem* item)
{
    if (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    item->wideName = found->cFileName;
    item->wideLength = wcslen(found->cFileName);
    if (WideCharToMultiByte(CP_ACP, 0, found->cFileName, -1, item->name, sizeof(item->name), NULL, NULL) == 0)
        return 0;
    item->length = strlen(item->name);
    const char* extension = FileExtension(item->name);
    if (extension == NULL || !MatchExtension(extension, extensions)) return 0;
    return ItemFits(dir, item);
}

// The listing is wide: a name outside the code page would come back from the
// ANSI listing as a best fit or "?", a path that opens nothing.
int ListFolder(const char* dirName, const char* extensions, MediaFileListRecord* list, volatile LONG* cancel,
               ScanFailure* failure)
{
    ScanDir dir;
    if (!OpenScanDir(dirName, &dir)) return ScanFailed(failure, VLM_ERR_NOFOLDER, "再生動画のフォルダが存在しません。", 0);
    // An over-long folder simply fails to list instead of being cut to some
    // other folder's name.
    wcscat(dir.wide, L"\\*.*");

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(dir.wide, &found);
    DWORD lastError = GetLastError();
    dir.wide[dir.wideLength] = L'\0';
    int id = 1;
    if (search != INVALID_HANDLE_VALUE) {
        BOOL more = TRUE;
        while (more && !(cancel && *cancel)) {
            ScanItem item;
            if (TakePlayableItem(&dir, extensions, &found, &item)) {
                if (!AddFolderEntry(list, &dir, &item, id, failure)) {
                    FindClose(search);
                    return 0;
                }
                id++;
            }
            more = FindNextFileW(search, &found);
            lastError = GetLastError();
        }
        FindClose(search);
    }

    if (list->count == 0) {
        if (lastError == ERROR_NO_MORE_FILES)
            return ScanFailed(failure, VLM_ERR_NOFILE, "再生動画ファイルがありません。", 0);
        return ScanFailed(failure, VLM_ERR_NOFOLDER, "再生動画のフォルダが存在しません。", 0);
    }
    return 1;
}

int MakeFolderEntry(const char* dirName, const char* name, MediaFileListRecord* list)
{
    ScanDir dir;
    ScanItem item;
    WCHAR wideName[VLM_PATH_CHARS];
    if (!OpenScanDir(dirName, &dir) || !MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, VLM_PATH_CHARS)) return 0;
    lstrcpynA(item.name, name, sizeof(item.name));
    item.length = strlen(item.name);
    item.wideName = wideName;
    item.wideLength = wcslen(wideName);
    ScanFailure failure;
    return ItemFits(&dir, &item) && AddFolderEntry(list, &dir, &item, 1, &failure);
}

void PlaceFolderResumePoint()
{
    PlaceResumePoint(&MediaFileList, Settings.Playing, &Settings.StopPosition);
    if (Settings.Random && !Settings.ContinuousPlay) MediaFileList.current = NULL;
    if (MediaFileList.current == NULL) Settings.StopPosition = 0;
}

int ScanFolder()
{
    if (MediaFileList.head != NULL) FreeMediaList();
    ScanFailure failure;
    if (!ListFolder(Settings.DirName, Settings.Extensions, &MediaFileList, NULL, &failure))
        return SetError(failure.code, failure.message, failure.systemCode);

    if (Settings.Random)
        ShuffleMediaList(&MediaFileList);
    else
        SortMediaList(&MediaFileList);
    PlaceFolderResumePoint();
    return 1;
}
