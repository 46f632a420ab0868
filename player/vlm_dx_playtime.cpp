// Play-time control on the running graph: the once-a-second range and skip
// check, the A-B loop keys and the saving of the A-B range.
#include <dshow.h>
#include "vlm_dx_control.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_subwin.h"

// Reads the graph's position into CurrentPosition.
static int ReadCurrentPosition(const char* failMessage)
{
    LONGLONG position = 0;
    HRESULT hr = GraphState.Seeking->GetCurrentPosition(&position);
    if (FAILED(hr)) return SetError(VLM_ERR_FATAL, failMessage, (DWORD)hr);
    GraphState.CurrentPosition = position;
    return 1;
}

// Absolute seek of the current position; the stop position is left alone.
static int SeekPlayPosition(LONGLONG target, const char* failMessage)
{
    LONGLONG current = target;
    HRESULT hr = GraphState.Seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, NULL,
                                                  AM_SEEKING_NoPositioning);
    if (FAILED(hr)) return SetError(VLM_ERR_FATAL, failMessage, (DWORD)hr);
    GraphState.CurrentPosition = target;
    return 1;
}

static void FillRangeInputs(const MediaFileEntry* entry, PlayRangeInputs* in)
{
    in->startSeconds = entry->startSeconds;
    in->endSeconds = entry->endSeconds;
    in->introPlay = Settings.IntroPlay;
    in->introStart = Settings.IntroStartPosition;
    in->introEnd = Settings.IntroEndPosition;
    in->fileLoop = Settings.FileLoop;
    in->abLoopState = GraphState.ABLoopState;
    in->abStart = GraphState.ABStart;
    in->abEnd = GraphState.ABEnd;
}

int CheckPlayTime()
{
    const MediaFileEntry* entry = MediaFileList.current;
    if (!GraphState.Seeking || !entry) return 1;
    if (!Settings.DispFilename && GraphState.ABLoopState != 2 && !Settings.IntroPlay &&
        entry->startSeconds == 0 && entry->endSeconds == -1 && Settings.SkipPlayMode == 0)
        return 1;

    if (!ReadCurrentPosition("CheckPlayTime：現在の再生位置の取得に失敗しました。")) return 0;

    if (!GraphState.UserStopped) {
        PlayRangeInputs in;
        PlayRange range;
        FillRangeInputs(entry, &in);
        if (CalcPlayRange(&in, &range)) {
            LONGLONG target = 0;
            switch (DecideRangeAction(&range, GraphState.CurrentPosition, &target)) {
            case RangeSeekToLow:
                if (!SeekPlayPosition(target, "CheckPlayTime：シークの実行に失敗しました(1)。"))
                    return 0;
                break;
            case RangeLoopBack:
                if (!SeekPlayPosition(target, "CheckPlayTime：シークの実行に失敗しました(2)。"))
                    return 0;
                break;
            case RangeLeave:
                // Like the end of the file: no stop position is recorded.
                StopGraph(0);
                return PlayFile(AtEnd, 0);
            default:
                break;
            }
        } else {
            SkipInputs skip = {Settings.SkipPlayMode, Settings.SkipNumber, Settings.SkipTime,
                               Settings.SkipPlayTime, Settings.EndPlayTime};
            LONGLONG target = 0;
            if (CalcSkipTarget(&skip, GraphState.StopPosition, GraphState.CurrentPosition,
                               &target) &&
                !SeekPlayPosition(target, "CheckPlayTime：シークの実行に失敗しました(3)。"))
                return 0;
        }
    }

    if (Settings.DispFilename) RedrawOverlayTime();
    return 1;
}

int SetABPoint(int isB)
{
    if (!GraphState.Seeking) return 1;
    int before = GraphState.ABLoopState;
    GraphState.ABLoopState = NextABLoopState(before, isB);

    if (before == 0 && GraphState.ABLoopState == 1) {
        if (!ReadCurrentPosition("A-B 区間ループ：開始位置の取得に失敗しました。")) return 0;
        GraphState.ABStart = GraphState.CurrentPosition;
    } else if (before == 1 && GraphState.ABLoopState == 2) {
        if (!ReadCurrentPosition("A-B 区間ループ：終了位置の取得に失敗しました。")) return 0;
        GraphState.ABEnd = GraphState.CurrentPosition;
        if (!SeekPlayPosition(GraphState.ABStart, "A-B 区間ループ：シークの実行に失敗しました。"))
            return 0;
    }
    RedrawOverlayStatus();
    return 1;
}

int SaveABRange()
{
    if (GraphState.ABLoopState != 2) return 1;
    // The beep says the times were stored; a file that cannot be written
    // gets none.
    if (WriteABRange(Settings.SettingsPath, Settings.ProgramPlay, MediaFileList.current,
                     GraphState.ABStart, GraphState.ABEnd) > 0)
        MessageBeep(MB_ICONASTERISK);
    return 1;
}
