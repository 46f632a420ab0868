// Choice of the file to play for each request of the play driver.
#include "vlm_file.h"
#include "vlm_dx.h"
#include <string.h>

static MediaFileEntry* FirstToPlay()
{
    if (MediaFileList.current != NULL) return MediaFileList.current;
    if (MediaFileList.head == NULL) {
        SetError(VLM_ERR_FATAL, "再生動画ファイルが見つかりません。", 0);
        return NULL;
    }
    return MediaFileList.head;
}

static MediaFileEntry* NextToPlay()
{
    MediaFileEntry* current = MediaFileList.current;
    if (current != NULL && current->next != NULL) return current->next;
    if (MediaFileList.head == NULL) {
        SetError(VLM_ERR_FATAL, "ファイルリスト（先頭）に異常を検出しました。", 0);
        return NULL;
    }
    // Every pass through the list gets a fresh random order.
    if (Settings.Random) ShuffleMediaList(&MediaFileList);
    return MediaFileList.head;
}

static MediaFileEntry* PreviousToPlay()
{
    MediaFileEntry* current = MediaFileList.current;
    if (current != NULL && current->prev != NULL) return current->prev;
    if (MediaFileList.tail == NULL) {
        SetError(VLM_ERR_FATAL, "ファイルリスト（最後尾）に異常を検出しました。", 0);
        return NULL;
    }
    return MediaFileList.tail;
}

static MediaFileEntry* NumberedToPlay(int playNo)
{
    for (MediaFileEntry* entry = MediaFileList.head; entry != NULL; entry = entry->next)
        if (entry->playNo == playNo) return entry;
    SetError(VLM_ERR_FATAL, "指定のファイル番号の動画が見つかりません。", 0);
    return NULL;
}

static MediaFileEntry* EndedToPlay()
{
    if (MediaFileList.current != NULL && (Settings.FileLoop || GraphState.ABLoopState == 2))
        return MediaFileList.current;
    return NextToPlay();
}

// PLAYING holds the ANSI name, and different real names can share one (both
// best fits of names outside the code page): then the position may belong
// to the other file, so the first of them starts from its beginning.
void PlaceResumePoint(MediaFileListRecord* list, const char* playing, int* stopPosition)
{
    int matches = 0;
    list->current = NULL;
    for (MediaFileEntry* entry = list->head; entry != NULL; entry = entry->next) {
        if (strcmp(entry->name, playing) != 0) continue;
        if (list->current == NULL) list->current = entry;
        matches++;
    }
    if (matches != 1) *stopPosition = 0;
}

int SelectMediaFile(int kind, int argument, WCHAR* out)
{
    ZeroMemory(out, VLM_PATH_CHARS * sizeof(WCHAR));

    MediaFileEntry* chosen;
    switch (kind) {
    case Start:
    case AfterFolderSelect:
    case ProgramSwitch:
    case HistorySwitch:
        chosen = FirstToPlay();
        break;
    case AtEnd:
        chosen = EndedToPlay();
        break;
    case Step:
        chosen = argument != 0 ? NextToPlay() : PreviousToPlay();
        break;
    default:
        chosen = NumberedToPlay(argument);
        break;
    }
    if (chosen == NULL) return 0;

    lstrcpynW(out, chosen->widePath, VLM_PATH_CHARS);
    MediaFileList.current = chosen;
    return 1;
}
