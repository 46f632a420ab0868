// The folder listed behind the playing file: on a big folder or a slow share
// the listing alone takes seconds, and the file to resume does not need it.
// The list is built apart and handed over whole, so it is never touched by
// two threads at once.
#include "vlm_file.h"
#include "vlm_path.h"
#include <string.h>

namespace {

struct BackgroundScan {
    HANDLE thread;                     // NULL: nothing running or waiting
    HWND notify;
    UINT message;
    volatile LONG cancel;
    char dirName[VLM_PATH_CHARS];
    char extensions[VLM_PATH_CHARS];
    MediaFileListRecord list;
    int listed;
    ScanFailure failure;
};

BackgroundScan Scan;

}  // namespace

static DWORD WINAPI ScanThread(void*)
{
    Scan.listed = ListFolder(Scan.dirName, Scan.extensions, &Scan.list, &Scan.cancel, &Scan.failure);
    // The shuffle's random source is the C run-time's, which is per thread:
    // a random order is drawn on the main thread.
    if (Scan.listed && !Settings.Random) SortMediaList(&Scan.list);
    if (Scan.notify) PostMessageA(Scan.notify, Scan.message, 0, 0);
    return 0;
}

// The file PLAYING names is played first only where the scan would choose it.
static int ResumeFileFirst()
{
    if (Settings.ProgramPlay || Settings.DirName[0] == '\0' || Settings.Playing[0] == '\0') return 0;
    if (Settings.Random && !Settings.ContinuousPlay) return 0;
    // A name, not a path: a sub-folder's file is never in the listing.
    if (FindLastChar(Settings.Playing, '\\') || strchr(Settings.Playing, '/') || strchr(Settings.Playing, ':'))
        return 0;
    const char* extension = FileExtension(Settings.Playing);
    return extension != NULL && MatchExtension(extension, Settings.Extensions);
}

// A file the listing gives under this very name: the resume rule compares
// names with their letter case, which the file system ignores.
static int ListedAsSpelled(const WCHAR* path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    FindClose(search);
    const WCHAR* name = wcsrchr(path, L'\\');
    return !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name && wcscmp(found.cFileName, name + 1) == 0;
}

int StartFolderScan(HWND notify, UINT message)
{
    FreeMediaList();
    if (ResumeFileFirst() && MakeFolderEntry(Settings.DirName, Settings.Playing, &MediaFileList) &&
        ListedAsSpelled(MediaFileList.head->widePath)) {
        MediaFileList.current = MediaFileList.head;
        MediaFileList.head->playNo = 1;
        ZeroMemory(&Scan, sizeof(Scan));
        Scan.notify = notify;
        Scan.message = message;
        lstrcpynA(Scan.dirName, Settings.DirName, VLM_PATH_CHARS);
        lstrcpynA(Scan.extensions, Settings.Extensions, VLM_PATH_CHARS);
        Scan.thread = CreateThread(NULL, 0, ScanThread, NULL, CREATE_SUSPENDED, NULL);
        if (Scan.thread) return 1;
    }
    FreeMediaList();
    return 0;
}

void ReleaseFolderScan()
{
    if (Scan.thread) ResumeThread(Scan.thread);
}

static void JoinScan()
{
    ResumeThread(Scan.thread);
    WaitForSingleObject(Scan.thread, INFINITE);
    CloseHandle(Scan.thread);
    Scan.thread = NULL;
}

int AwaitFolderScan(BOOL* moved)
{
    *moved = FALSE;
    if (Scan.thread == NULL) return 1;
    JoinScan();
    if (!Scan.listed) {
        FreeListEntries(&Scan.list);
        return SetError(Scan.failure.code, Scan.failure.message, Scan.failure.systemCode);
    }

    WCHAR playing[VLM_PATH_CHARS] = L"";
    if (MediaFileList.current) lstrcpynW(playing, MediaFileList.current->widePath, VLM_PATH_CHARS);
    FreeListEntries(&MediaFileList);
    MediaFileList = Scan.list;
    ZeroMemory(&Scan.list, sizeof(Scan.list));
    if (Settings.Random) ShuffleMediaList(&MediaFileList);

    int stopPosition = Settings.StopPosition;
    PlaceFolderResumePoint();
    // The file playing stays current when the rules chose it; when they
    // chose another, or its start at 0, that one is to play.
    *moved = MediaFileList.current == NULL || lstrcmpW(MediaFileList.current->widePath, playing) != 0 ||
             Settings.StopPosition != stopPosition;
    return 1;
}

BOOL FolderScanPending()
{
    return Scan.thread != NULL;
}

void DropFolderScan()
{
    if (Scan.thread == NULL) return;
    InterlockedExchange(&Scan.cancel, 1);
    JoinScan();
    FreeListEntries(&Scan.list);
}
