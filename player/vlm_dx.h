// Playback engine: media graph, play driver, play-time control, transport,
// the exception guard and log, and the resolution change.
#pragma once
#include <windows.h>
#include "vlm_global.h"

// Numbers written to the exception log, one per guarded operation.
enum {
    VLM_EXC_GRAPHBUILD = 585,
    VLM_EXC_RELEASEPROBE = 777,
    VLM_EXC_SIZEPROBE = 1220,
};

// A guarded operation is tried at most this many times. An exception that
// comes back on every attempt (a decoder that always faults on one file)
// must not hold the screensaver in a loop: after the last attempt the
// operation gives up with VLM_GUARD_EXHAUSTED.
#define VLM_GUARD_MAX_ATTEMPTS 3
#define VLM_GUARD_EXHAUSTED (-1)

// Full path of "VelmoraExp.log"; empty (nothing is logged) in configure mode.
extern char LogFilePath[VLM_PATH_CHARS];
// Path of the last file whose rendering succeeded; never cleared.
extern WCHAR LastRenderedFile[VLM_PATH_CHARS];
// The beep of LogException; tests replace it to observe the call.
extern BOOL (WINAPI *ExceptionBeep)(UINT type);

// Beeps (EXCEPTION_BEEP) and/or appends "<number> <current file>\r\n" to the
// log (EXCEPTION_LOG).
void LogException(int number);

// Runs op(context) once inside the exception guard. Language exceptions and
// processor faults raised on this thread inside op are caught. Returns 1 and
// op's result in *result when op returned, 0 when an exception was caught.
int RunGuardedOnce(int (*op)(void*), void* context, int* result);

// Runs op until it returns without an exception, at most
// VLM_GUARD_MAX_ATTEMPTS times. After every caught exception: LogException
// (number), then cleanup(context) to release what op had obtained. Gives
// op's result, or VLM_GUARD_EXHAUSTED.
int RunGuarded(int number, int (*op)(void*), void (*cleanup)(void*), void* context);

// Throw-away re-render of LastRenderedFile; 1 when it rendered again.
int ReleaseProbe();

// ---- media graph: the running graph and the per-file play state
struct IGraphBuilder;
struct IMediaControl;
struct IMediaEventEx;
struct IMediaSeeking;
struct IVideoWindow;
struct IBasicVideo;
struct IBasicAudio;
struct IAMStreamSelect;

#define VLM_AUDIO_STREAMS 10
#define VLM_UNITS_PER_SECOND 10000000LL

struct GraphStateRecord {
    IGraphBuilder* Graph;
    IMediaControl* Control;
    IMediaEventEx* Events;
    IMediaSeeking* Seeking;
    IVideoWindow* VideoWindow;
    IBasicVideo* BasicVideo;
    IBasicAudio* BasicAudio;
    IAMStreamSelect* StreamSelect;   // null unless two or more audio streams
    HWND VideoChildWindow;
    LONGLONG StopPosition;           // 100 ns; the file's length everywhere
    LONGLONG CurrentPosition;        // 100 ns
    int VideoWidth;
    int VideoHeight;
    BOOL UserStopped;
    BOOL PositionSaved;
    int ABLoopState;                 // 0 none, 1 A set, 2 looping
    LONGLONG ABStart;
    LONGLONG ABEnd;
    int AudioStreamMap[VLM_AUDIO_STREAMS];
    int CurrentAudioStream;
};
extern GraphStateRecord GraphState;
