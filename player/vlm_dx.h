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

// Full path of "VelmoraExp.log", beside the settings file in use; empty
// (nothing is logged) in configure mode.
extern char LogFilePath[VLM_PATH_CHARS];
// Path of the last file whose rendering succeeded; never cleared.
extern WCHAR LastRenderedFile[VLM_PATH_CHARS];
// The beep of LogException; tests replace it to observe the call.
extern BOOL (WINAPI *ExceptionBeep)(UINT type);
// Re-arms the stack's guard page after a caught stack overflow (nonzero
// when it could); _resetstkoflw, replaced by tests.
extern int (*ResetStackGuard)();

// Beeps (EXCEPTION_BEEP) and/or appends "<number> <current file>\r\n" to the
// log (EXCEPTION_LOG).
void LogException(int number);

// The settings file could not be written: "1300 <settings file>(0x<code>)"
// goes into the log once a run, whatever EXCEPTION_LOG says, since the
// screensaver has no other way to tell without covering the video.
#define VLM_LOG_UNSAVED_SETTINGS 1300
void LogUnsavedSettings(DWORD error);

// Runs op(context) once inside the exception guard. Whatever exception op
// leaves unhandled on this thread is caught: processor faults, exceptions
// raised with any code, C++ exceptions. One that op handles itself is not
// seen. Returns 1 and op's result in *result when op returned, 0 when an
// exception was caught. After a stack overflow the stack's guard page is
// re-armed; when that fails the result is VLM_GUARD_EXHAUSTED: another
// attempt could overflow past the end of the stack.
int RunGuardedOnce(int (*op)(void*), void* context, int* result);

// Runs op until it returns without an exception, at most
// VLM_GUARD_MAX_ATTEMPTS times. After every caught exception: LogException
// (number), then cleanup(context), guarded as a step, to release what op had
// obtained. Gives op's result, or VLM_GUARD_EXHAUSTED.
int RunGuarded(int number, int (*op)(void*), void (*cleanup)(void*), void* context);

// One step of a teardown: op(context) once inside the guard. An exception is
// logged under number and the step is abandoned, never repeated (a release
// that faulted must not release again). 1 when op returned.
int RunGuardedStep(int number, int (*op)(void*), void* context);
// Releases object (when not NULL) as such a step.
struct IUnknown;
void ReleaseGuarded(int number, IUnknown* object);

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

// ---- media graph (vlm_dx_graph.cpp)

// Builds the graph for path (UTF-16), places the video window on the main
// window, seeks to the start position and runs it. 0 with ErrorCode and
// ErrorText set; the graph is then already released.
int StartGraph(int kind, const WCHAR* path);
// Stops and releases the graph; with savePosition, records the stop
// position of the current entry once per file.
void StopGraph(BOOL savePosition);
// Stops the graph held in GraphState, drains its events, detaches its video
// window and releases and clears all eight slots; every call into the
// components is a guarded step logged under number.
void ReleaseGraph(int number);
// Sizes and centres the playing video again for the screen in force (after
// a display change); nothing without a video window.
void RefitVideoWindow();
// Reads where the running file stands now; the next StopGraph(TRUE)
// records that position, however long the graph plays on until then.
void HoldStopPosition();
// Turns the sound of the running graph off.
void SilenceGraph();
// Waits, at most VLM_FIRST_FRAME_WAIT_MS, until the running graph has its
// first frame on the screen (its change of state is complete).
void AwaitFirstFrame();
#define VLM_FIRST_FRAME_WAIT_MS 2000
// Records where the running file stands as its resume point and leaves it
// playing; the stop still records its own, later position.
void RecordPlayPosition();
// Clears the per-file play state; a looping A-B range survives AtEnd.
void ResetPlayState(int kind);
// Reads all pending graph events; TRUE when EC_COMPLETE was among them.
BOOL DrainGraphEvents();
// Display size of a width x height video by ASPECT_RATE, SPECIFY_SIZE and
// SIZE_PERCENT (*sizeW, *sizeH) and, when outW and outH are given, the size
// actually shown on the screen of ScreenMode (*outW, *outH).
void CalcDisplaySize(int width, int height, int* sizeW, int* sizeH, int* outW, int* outH);
// Top-left corner that centres an outW x outH video on the screen.
void CalcVideoPosition(int outW, int outH, int* left, int* top);
// Start position of the current entry for a request kind; 0 with ErrorText.
int CalcStartPosition(int kind, LONGLONG stopPosition, LONGLONG* start);
// Maps the audio streams of the graph into GraphState.AudioStreamMap and
// enables the one AUDIO_SELECT asks for; *streamSelect gets the selector it
// keeps (two or more audio streams) or NULL. 1 when one is kept.
int SelectAudioStream(IGraphBuilder* graph, IAMStreamSelect** streamSelect);
// Creates the filter graph manager of a build (CoCreateInstance of
// CLSID_FilterGraph); tests put their own in its place.
extern HRESULT (*CreateGraphBuilder)(IGraphBuilder** graph);
// Slot of map enabled for AUDIO_SELECT audioSelect (1 main, 2.. sub): the
// highest slot up to audioSelect - 1 that holds a stream; 0 when none does.
int ChooseAudioSlot(const int map[VLM_AUDIO_STREAMS], int audioSelect);

// MFShutdown at exit when a file needed Media Foundation, which starts
// with the first such file (vlm_dx_mfsource.cpp).
void ShutdownMediaFoundation();

// ---- play driver (vlm_dx_play.cpp)

// Set while FailurePrompt's question or the folder dialog is open; the main
// window then ignores input, timer and graph messages.
extern BOOL ModalPromptActive;
// Plays the file chosen for the request; 0 means the screensaver is to end.
int PlayFile(int kind, int index);
// Takes over the folder listed behind the playing file (at once when it is
// still being listed): the companions then show it whole, and a failed
// listing asks as a failed list build does. 0: the screensaver is to end.
int CompleteFolderList();
// The player's cursor: hidden while playing, shown for questions. Only
// state changes reach ShowCursor, so its display count stays balanced.
void HidePlayCursor();
void ShowPlayCursor();

// ---- resolution change (vlm_dx_resolution.cpp)

struct ScreenModeRecord;

// Entry point "DirectDrawCreate" of "ddraw.dll", looked up by CreateScreen
// when CHANGE_RESOLUTION is on; NULL when missing.
extern FARPROC DirectDrawCreateEntry;
// Probes the native size of path and changes the screen mode to fit it;
// a file without video leaves the mode alone.
int ProbeVideoSize(const WCHAR* path);
// Switches to the smallest mode that holds width x height and lays the
// windows out for it; nothing happens when that mode is already in force.
int ChangeScreenMode(DWORD width, DWORD height);
// Releases the DirectDraw object that holds a changed mode, if any.
void ReleaseDirectDraw();
// Gives the display device that was changed (else the playing monitor's)
// its registered mode back.
void RestoreDisplayMode();

// The mode choice over any mode list: read gives mode number index of list
// (FALSE past its end). Only modes of current's display flags and refresh
// rate count, with keepBitsPerPel only those of its colour depth too.
typedef BOOL (*DisplayModeReader)(void* list, DWORD index, ScreenModeRecord* mode);
enum { ModeKeep = 0, ModeChange = 1, ModeNoVga = 2, ModeNoDepth = 3 };
int ChooseDisplayMode(DisplayModeReader read, void* list, const ScreenModeRecord* current,
                      DWORD width, DWORD height, BOOL fixedVga, BOOL keepBitsPerPel,
                      ScreenModeRecord* chosen);
enum { ModeByDirectDraw = 1, ModeByDisplaySettings = 2 };
int ChooseModeMethod(DWORD width, DWORD height, BOOL onlyDirectDraw, BOOL onlyDisplaySettings,
                     BOOL directDrawAvailable);
