// Play driver: turns each request (start, end of file, next, previous,
// playlist choice, folder choice, program play, pinned folder) into a
// playing file, and asks the user when that fails.
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"
#include <string.h>

BOOL ModalPromptActive;

static BOOL CursorHidden;

void HidePlayCursor()
{
    if (CursorHidden) return;
    ShowCursor(FALSE);
    CursorHidden = TRUE;
}

void ShowPlayCursor()
{
    if (!CursorHidden) return;
    ShowCursor(TRUE);
    CursorHidden = FALSE;
}

// Work before the loop for the kinds that change what is played.
static int PrepareRequest(int kind, int index)
{
    switch (kind) {
    case Start:
        if (Settings.FolderSelectStart || (Settings.DirName[0] == '\0' && !Settings.ProgramPlay))
            return FailurePrompt() != 0;
        return 1;
    case AfterFolderSelect:
        return FailurePrompt() != 0;
    case ProgramSwitch:
        FreeMediaList();
        Settings.ProgramPlay = TRUE;
        Settings.DirName[0] = '\0';
        SaveFolderState(1, 1, 1, 0, 1);
        return 1;
    case HistorySwitch:
        if (index < 0 || index >= VLM_HISTORY_SLOTS)
            return SetError(VLM_ERR_FATAL, "履歴番号が不正です。", 0);
        FreeMediaList();
        Settings.ProgramPlay = FALSE;
        lstrcpynA(Settings.DirName, Settings.FolderHistory.slot[index].folder, VLM_PATH_CHARS);
        SaveFolderState(1, 1, 1, 0, 1);
        return 1;
    }
    return 1;
}

// The kinds that start on the file to resume.
static BOOL StartsOnResumeFile(int kind)
{
    return kind == Start || kind == AfterFolderSelect || kind == HistorySwitch;
}

// The companions show the whole list.
static void ShowWholeList()
{
    if (StatusOverlay) InvalidateRect(StatusOverlay, NULL, TRUE);
    PlaylistFollow(Start);
}

static int PlayRequest(int kind, int index);

int CompleteFolderList()
{
    if (!FolderScanPending()) return 1;
    BOOL moved;
    if (AwaitFolderScan(&moved)) {
        if (!moved) {
            ShowWholeList();
            return 1;
        }
        StopGraph(FALSE);
        return PlayRequest(Start, 0);
    }
    // As when the list is built before play: the folder question asks.
    StopGraph(TRUE);
    if (Settings.ErrorCode == VLM_ERR_FATAL) return 0;
    return PlayFile(AfterFolderSelect, 0);
}

int PlayFile(int kind, int index)
{
    return PrepareRequest(kind, index) && PlayRequest(kind, index);
}

static int PlayRequest(int kind, int index)
{
    WCHAR path[VLM_PATH_CHARS];
    for (;;) {
        ResetPlayState(kind);

        BOOL moved;
        int built = AwaitFolderScan(&moved);
        BOOL scanning = FALSE;
        if (built && MediaFileList.count == 0) {
            scanning = !Settings.ProgramPlay && StartsOnResumeFile(kind) &&
                       StartFolderScan(MainWindow, WM_APP_LISTREADY);
            if (!scanning) built = Settings.ProgramPlay ? LoadProgramList() : ScanFolder();
        }
        if (!built) {
            if (Settings.ErrorCode == VLM_ERR_FATAL) return 0;
            if (FailurePrompt() == 0) return 0;
            kind = AfterFolderSelect;
            continue;
        }

        if (!SelectMediaFile(kind, index, path)) return 0;

        int ready = Settings.ChangeResolution ? ProbeVideoSize(path) : 1;
        if (ready && StartGraph(kind, path)) {
            if (!scanning) return 1;
            // Shown companions need the whole list; the picture is on its way.
            if (Settings.DispFilename || Settings.PlaylistPosition != 0) return CompleteFolderList();
            AwaitFirstFrame();
            ReleaseFolderScan();
            return 1;
        }

        StopGraph(TRUE);
        if (Settings.ErrorCode == VLM_ERR_FATAL) return 0;
        int answer = FailurePrompt();
        if (answer == 0) return 0;
        if (answer == 1) {
            kind = AfterFolderSelect;
        } else {
            kind = Step;
            index = 1;
        }
    }
}
