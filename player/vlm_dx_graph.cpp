// Media graph: one DirectShow graph per file, the per-file play state, and
// the rules for the displayed size and the start position.
#include "vlm_dx.h"
#include "vlm_dx_mfsource.h"
#include "vlm_file.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"
#include <dshow.h>
#include <string.h>

GraphStateRecord GraphState;

static HRESULT CreateFilterGraph(IGraphBuilder** graph)
{
    return CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                            (void**)graph);
}

HRESULT (*CreateGraphBuilder)(IGraphBuilder** graph) = CreateFilterGraph;

namespace {

// Interfaces obtained by one build attempt. The exception guard can leave
// an attempt anywhere, so every pointer is stored here as soon as it exists.
struct GraphBuild {
    int kind;
    const WCHAR* path;
    IGraphBuilder* volatile graph;
    IMediaControl* volatile control;
    IMediaEventEx* volatile events;
    IMediaSeeking* volatile seeking;
    IVideoWindow* volatile videoWindow;
    IBasicVideo* volatile basicVideo;
    IBasicAudio* volatile basicAudio;
    IAMStreamSelect* volatile streamSelect;
};

// Hands the interfaces of the build to GraphState (all eight in one go) and
// empties the holders.
void StoreInterfaces(GraphBuild* build)
{
    GraphState.Graph = build->graph;
    GraphState.Control = build->control;
    GraphState.Events = build->events;
    GraphState.Seeking = build->seeking;
    GraphState.VideoWindow = build->videoWindow;
    GraphState.BasicVideo = build->basicVideo;
    GraphState.BasicAudio = build->basicAudio;
    GraphState.StreamSelect = build->streamSelect;
    build->graph = NULL;
    build->control = NULL;
    build->events = NULL;
    build->seeking = NULL;
    build->videoWindow = NULL;
    build->basicVideo = NULL;
    build->basicAudio = NULL;
    build->streamSelect = NULL;
}

// Releases whatever a failed or interrupted attempt had obtained.
void ReleaseBuild(void* context)
{
    StoreInterfaces((GraphBuild*)context);
    StopGraph(FALSE);
}

int BuildFailed(const char* message, HRESULT hr)
{
    return SetError(VLM_ERR_FILEFAILED, message, (DWORD)hr);
}

template <typename T>
HRESULT QueryGraph(IGraphBuilder* graph, REFIID iid, T** out)
{
    *out = NULL;
    return graph->QueryInterface(iid, (void**)out);
}

// The renderer's window at the display size of the video, centred on the
// screen in force.
HRESULT FitVideoWindow(IVideoWindow* video)
{
    int sizeW = 0, sizeH = 0, outW = 0, outH = 0;
    CalcDisplaySize(GraphState.VideoWidth, GraphState.VideoHeight, &sizeW, &sizeH, &outW, &outH);
    int left = 0, top = 0;
    CalcVideoPosition(outW, outH, &left, &top);
    return video->SetWindowPosition(left, top, outW, outH);
}

// The video steps: the renderer's window becomes a child of the main window,
// centred at the display size.
int PlaceVideoWindow(IVideoWindow* video)
{
    HWND main = MainWindow;
    HRESULT hr = video->put_MessageDrain((OAHWND)main);
    if (FAILED(hr)) return BuildFailed("イベント送付先の設定に失敗しました。", hr);

    hr = video->put_Owner((OAHWND)main);
    if (FAILED(hr)) return BuildFailed("ビデオウィンドウの親ウィンドウの指定に失敗しました。", hr);
    hr = video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    if (FAILED(hr))
        return BuildFailed("ビデオウィンドウのウィンドウスタイル設定に失敗しました。", hr);
    hr = FitVideoWindow(video);
    if (FAILED(hr)) return BuildFailed("ビデオウィンドウの位置の設定に失敗しました。", hr);
    hr = video->SetWindowForeground(OATRUE);
    if (FAILED(hr))
        return BuildFailed("Zオーダーの先頭へのビデオウィンドウ配置に失敗しました。", hr);
    hr = video->put_Visible(OATRUE);
    if (FAILED(hr)) return BuildFailed("ビデオウィンドウの表示に失敗しました。", hr);

    GraphState.VideoChildWindow = GetWindow(main, GW_CHILD);
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
    SetForegroundWindow(main);
    if (GraphState.VideoChildWindow) InvalidateRect(GraphState.VideoChildWindow, NULL, TRUE);
    return 1;
}

// One attempt at building and starting the graph; 1 when it runs.
int BuildGraphOnce(void* context)
{
    GraphBuild* build = (GraphBuild*)context;

    // RenderFile, or the Media Foundation source for what it cannot open.
    static const char* const renderMessages[] = {
        "IGraphBuilderインターフェースの生成に失敗しました。",
        "フィルタグラフの作成：RenderFile の起動に失敗しました。",
        "フィルタグラフの作成：Media Foundation によるデコードに失敗しました。",
    };
    int failedStep = 0;
    HRESULT hr = RenderMediaFile(&build->graph, build->path, VLM_EXC_GRAPHBUILD, &failedStep);
    if (FAILED(hr)) return BuildFailed(renderMessages[failedStep], hr);
    if (hr == S_OK) lstrcpynW(LastRenderedFile, build->path, VLM_PATH_CHARS);
    IGraphBuilder* graph = build->graph;

    IMediaControl* control;
    hr = QueryGraph(graph, IID_IMediaControl, &control);
    build->control = control;
    if (FAILED(hr)) return BuildFailed("IMediaControlインターフェースの取得に失敗しました。", hr);
    IMediaEventEx* events;
    hr = QueryGraph(graph, IID_IMediaEventEx, &events);
    build->events = events;
    if (FAILED(hr)) return BuildFailed("IMediaEventExインターフェースの取得に失敗しました。", hr);
    IMediaSeeking* seeking;
    hr = QueryGraph(graph, IID_IMediaSeeking, &seeking);
    build->seeking = seeking;
    if (FAILED(hr)) return BuildFailed("IMeidaSeekingインターフェースの取得に失敗しました。", hr);
    IVideoWindow* video;
    hr = QueryGraph(graph, IID_IVideoWindow, &video);
    build->videoWindow = video;
    if (FAILED(hr)) return BuildFailed("IVideoWindowインターフェースの取得に失敗しました。", hr);
    IBasicVideo* basicVideo;
    hr = QueryGraph(graph, IID_IBasicVideo, &basicVideo);
    build->basicVideo = basicVideo;
    if (FAILED(hr)) return BuildFailed("IBasicVideoインターフェースの取得に失敗しました。", hr);
    IBasicAudio* basicAudio;
    hr = QueryGraph(graph, IID_IBasicAudio, &basicAudio);
    build->basicAudio = basicAudio;
    if (FAILED(hr)) return BuildFailed("IBasicAudioインターフェースの取得に失敗しました。", hr);

    IAMStreamSelect* streamSelect = NULL;
    SelectAudioStream(graph, &streamSelect);
    build->streamSelect = streamSelect;

    hr = events->SetNotifyWindow((OAHWND)MainWindow, WM_APP_GRAPHNOTIFY, 0);
    if (FAILED(hr)) return BuildFailed("SetNotifyWindow によるウィンドウの登録に失敗しました。", hr);

    // A graph without a sound device has no volume control; that is no reason
    // to refuse the file.
    hr = basicAudio->put_Volume(Settings.Mute ? -10000 : 0);
    if (FAILED(hr) && hr != E_NOTIMPL)
        return BuildFailed("オーディオ信号のボリュームの設定に失敗しました。", hr);

    LONGLONG stop = 0;
    hr = seeking->GetStopPosition(&stop);
    if (FAILED(hr)) return BuildFailed("再生が停止する時間の取得に失敗しました。", hr);
    GraphState.StopPosition = stop;

    long width = 0, height = 0;
    hr = basicVideo->GetVideoSize(&width, &height);
    if (FAILED(hr) && hr != E_NOINTERFACE)
        return BuildFailed("ビデオ本来のサイズの取得に失敗しました。", hr);
    if (hr == E_NOINTERFACE) {
        GraphState.VideoWidth = 0;
        GraphState.VideoHeight = 0;
        GraphState.VideoChildWindow = NULL;
    } else {
        GraphState.VideoWidth = (int)width;
        GraphState.VideoHeight = (int)height;
        if (!PlaceVideoWindow(video)) return 0;
    }

    LONGLONG start = 0;
    if (!CalcStartPosition(build->kind, GraphState.StopPosition, &start)) return 0;
    if (start != 0 && GraphState.StopPosition > start) {
        LONGLONG current = start;
        hr = seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, NULL,
                                   AM_SEEKING_NoPositioning);
        if (FAILED(hr)) return BuildFailed("再生：シークの実行に失敗しました。", hr);
        GraphState.CurrentPosition = start;
    }

    LayoutStatusOverlay();
    if (StatusOverlay) InvalidateRect(StatusOverlay, NULL, TRUE);
    PlaylistFollow(build->kind);

    hr = control->Run();
    if (FAILED(hr)) return BuildFailed("再生：Run の起動に失敗しました。", hr);

    SetFocus(MainWindow);
    StoreInterfaces(build);
    return 1;
}

template <typename T>
void ReleaseInterface(T*& slot)
{
    if (slot) slot->Release();
    slot = NULL;
}

void FreeMediaType(AM_MEDIA_TYPE* type)
{
    if (type == NULL) return;
    if (type->cbFormat != 0 && type->pbFormat != NULL) CoTaskMemFree(type->pbFormat);
    if (type->pUnk != NULL) type->pUnk->Release();
    CoTaskMemFree(type);
}

}  // namespace

int StartGraph(int kind, const WCHAR* path)
{
    GraphBuild build;
    ZeroMemory(&build, sizeof(build));
    build.kind = kind;
    build.path = path;
    int result = RunGuarded(VLM_EXC_GRAPHBUILD, BuildGraphOnce, ReleaseBuild, &build);
    if (result == 1) return 1;
    if (result == VLM_GUARD_EXHAUSTED) {
        // The guard has released every attempt's interfaces already.
        return SetError(VLM_ERR_FILEFAILED,
                        "フィルタグラフの構築中に例外が繰り返し発生しました。", 0);
    }
    ReleaseBuild(&build);
    return 0;
}

static int RefitVideo(void*)
{
    if (GraphState.VideoWindow && GraphState.VideoWidth > 0) FitVideoWindow(GraphState.VideoWindow);
    return 1;
}

void RefitVideoWindow()
{
    RunGuardedStep(VLM_EXC_GRAPHBUILD, RefitVideo, NULL);
}

// Whole seconds played of the current file; 0 after a failure or without a
// graph. Read while the graph still stands where it is: a stopped graph may
// already report 0.
static int ReadPlayedSeconds(void* seconds)
{
    LONGLONG position = 0;
    if (Settings.ErrorCode != VLM_ERR_NONE || GraphState.Seeking == NULL ||
        FAILED(GraphState.Seeking->GetCurrentPosition(&position)))
        return 1;
    GraphState.CurrentPosition = position;
    *(int*)seconds = (int)(position / VLM_UNITS_PER_SECOND);
    return 1;
}

static int PlayedSeconds()
{
    int seconds = 0;
    RunGuardedStep(VLM_EXC_GRAPHBUILD, ReadPlayedSeconds, &seconds);
    return seconds;
}

static int StopControl(void*)
{
    if (GraphState.Control) GraphState.Control->Stop();
    return 1;
}

static int DrainEvents(void*)
{
    DrainGraphEvents();
    return 1;
}

// Detach the renderer's window first so that it never outlives its owner or
// sends to a window that is going away.
static int DetachVideoWindow(void*)
{
    if (GraphState.VideoWindow) {
        GraphState.VideoWindow->put_Visible(OAFALSE);
        GraphState.VideoWindow->put_Owner((OAHWND)NULL);
    }
    return 1;
}

// A decoder that faults while it stops or goes away is logged and left
// behind; the rest of the graph is still released, and the slots are empty
// for the next file either way.
void ReleaseGraph(int number)
{
    static int (*const steps[])(void*) = {StopControl, DrainEvents, DetachVideoWindow};
    for (auto step : steps) RunGuardedStep(number, step, NULL);

    IUnknown* held[] = {GraphState.StreamSelect, GraphState.BasicAudio, GraphState.BasicVideo,
                        GraphState.VideoWindow,  GraphState.Seeking,    GraphState.Events,
                        GraphState.Control,      GraphState.Graph};
    GraphState.StreamSelect = NULL;
    GraphState.BasicAudio = NULL;
    GraphState.BasicVideo = NULL;
    GraphState.VideoWindow = NULL;
    GraphState.Seeking = NULL;
    GraphState.Events = NULL;
    GraphState.Control = NULL;
    GraphState.Graph = NULL;
    for (IUnknown* object : held) ReleaseGuarded(number, object);
}

// The position HoldStopPosition read, which the next stop records.
static BOOL PositionHeld;
static int HeldSeconds;

void HoldStopPosition()
{
    if (GraphState.PositionSaved || MediaFileList.current == NULL) return;
    HeldSeconds = PlayedSeconds();
    PositionHeld = TRUE;
}

static int MuteGraph(void*)
{
    if (GraphState.BasicAudio) GraphState.BasicAudio->put_Volume(-10000);
    return 1;
}

static int CueGraph(void*)
{
    OAFilterState state;
    if (GraphState.Control) GraphState.Control->GetState(VLM_FIRST_FRAME_WAIT_MS, &state);
    return 1;
}

void AwaitFirstFrame()
{
    RunGuardedStep(VLM_EXC_GRAPHBUILD, CueGraph, NULL);
}

void SilenceGraph()
{
    RunGuardedStep(VLM_EXC_GRAPHBUILD, MuteGraph, NULL);
}

void StopGraph(BOOL savePosition)
{
    MediaFileEntry* entry = MediaFileList.current;
    int seconds = 0;
    if (savePosition && !GraphState.PositionSaved && entry) seconds = PositionHeld ? HeldSeconds : PlayedSeconds();
    PositionHeld = FALSE;

    ReleaseGraph(VLM_EXC_GRAPHBUILD);

    if (savePosition && !GraphState.PositionSaved && entry) {
        SaveStopPosition(entry, seconds);
        GraphState.PositionSaved = TRUE;
    }
}

void RecordPlayPosition()
{
    MediaFileEntry* entry = MediaFileList.current;
    if (GraphState.PositionSaved || GraphState.Seeking == NULL || entry == NULL) return;
    SaveStopPosition(entry, PlayedSeconds());
}

void ResetPlayState(int kind)
{
    PositionHeld = FALSE;
    GraphState.StopPosition = 0;
    GraphState.CurrentPosition = 0;
    GraphState.VideoWidth = 0;
    GraphState.VideoHeight = 0;
    GraphState.UserStopped = FALSE;
    GraphState.PositionSaved = FALSE;
    if (!(kind == AtEnd && GraphState.ABLoopState == 2)) {
        GraphState.ABLoopState = 0;
        GraphState.ABStart = 0;
        GraphState.ABEnd = 0;
    }
}

BOOL DrainGraphEvents()
{
    if (GraphState.Events == NULL) return FALSE;
    BOOL complete = FALSE;
    long code;
    LONG_PTR param1, param2;
    while (SUCCEEDED(GraphState.Events->GetEvent(&code, &param1, &param2, 0))) {
        GraphState.Events->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE) complete = TRUE;
    }
    return complete;
}

void CalcDisplaySize(int width, int height, int* sizeW, int* sizeH, int* outW, int* outH)
{
    if (sizeW == NULL || sizeH == NULL) return;

    // Lengthen one side until the ratio is reached; never shorten a side.
    int w = width, h = height;
    int ratioX = 0, ratioY = 0;
    switch (Settings.AspectRate) {
    case 1: ratioX = 4; ratioY = 3; break;
    case 2: ratioX = 16; ratioY = 9; break;
    case 3: ratioX = Settings.AspectRatioX; ratioY = Settings.AspectRatioY; break;
    }
    if (ratioX > 0 && ratioY > 0) {
        if (width * ratioY < height * ratioX) {
            w = height * ratioX / ratioY;
        } else {
            h = width * ratioY / ratioX;
        }
    }

    if (Settings.SpecifySize) {
        *sizeW = w * Settings.SizePercent / 100;
        *sizeH = h * Settings.SizePercent / 100;
    } else {
        *sizeW = w;
        *sizeH = h;
    }
    if (outW == NULL || outH == NULL) return;

    DWORD screenW = ScreenMode.ScreenWidth, screenH = ScreenMode.ScreenHeight;
    BOOL fit;
    if ((DWORD)*sizeW > screenW || (DWORD)*sizeH > screenH)
        fit = TRUE;
    else if (Settings.ChangeResolution)
        fit = Settings.Expand;
    else
        fit = !Settings.SpecifySize;

    // A degenerate size (a renderer reporting 0) cannot be scaled; showing
    // it as it is avoids dividing by zero.
    if (fit && w > 0 && h > 0) {
        DWORD uw = (DWORD)w, uh = (DWORD)h;
        if (uh * screenW <= uw * screenH) {
            *outW = (int)screenW;
            *outH = (int)(uh * screenW / uw);
        } else {
            *outW = (int)(uw * screenH / uh);
            *outH = (int)screenH;
        }
    } else if (fit) {
        *outW = 0;
        *outH = 0;
    } else {
        *outW = *sizeW;
        *outH = *sizeH;
    }
}

void CalcVideoPosition(int outW, int outH, int* left, int* top)
{
    *left = (int)((ScreenMode.ScreenWidth - (DWORD)outW) / 2);
    *top = (int)((ScreenMode.ScreenHeight - (DWORD)outH) / 2);
}

int CalcStartPosition(int kind, LONGLONG stopPosition, LONGLONG* start)
{
    const MediaFileEntry* entry = MediaFileList.current;
    if (entry == NULL)
        return SetError(VLM_ERR_FATAL, "再生中動画のメモリブロックのポインタが不正です。", 0);
    if ((LONGLONG)entry->startSeconds * VLM_UNITS_PER_SECOND > stopPosition)
        return SetError(VLM_ERR_FILEFAILED, "開始時間が全体の時間を越えています。", 0);
    if (Settings.IntroPlay && (LONGLONG)Settings.IntroStartPosition * VLM_UNITS_PER_SECOND > stopPosition)
        return SetError(VLM_ERR_FILEFAILED, "イントロ再生の開始時間が全体の時間を越えています。", 0);

    int seconds = 0;
    if ((kind == Start || kind == AfterFolderSelect || kind == ProgramSwitch ||
         kind == HistorySwitch) &&
        Settings.ContinuousPlay) {
        int resume = Settings.ProgramPlay ? Settings.ProgramStopPosition : Settings.StopPosition;
        seconds = resume > 3 ? resume - 3 : 0;
    }
    if (seconds < entry->startSeconds) seconds = entry->startSeconds;
    if (Settings.IntroPlay && seconds < Settings.IntroStartPosition)
        seconds = Settings.IntroStartPosition;

    LONGLONG position = (LONGLONG)seconds * VLM_UNITS_PER_SECOND;
    if (GraphState.ABLoopState == 2 && position < GraphState.ABStart) position = GraphState.ABStart;
    *start = position;
    return 1;
}

int ChooseAudioSlot(const int map[VLM_AUDIO_STREAMS], int audioSelect)
{
    int slot = audioSelect - 1;
    if (slot >= VLM_AUDIO_STREAMS) slot = VLM_AUDIO_STREAMS - 1;
    for (; slot > 0; slot--)
        if (map[slot] != -1) return slot;
    return 0;
}

int SelectAudioStream(IGraphBuilder* graph, IAMStreamSelect** streamSelect)
{
    IAMStreamSelect* select = NULL;
    IEnumFilters* filters = NULL;
    if (SUCCEEDED(graph->EnumFilters(&filters)) && filters) {
        IBaseFilter* filter = NULL;
        while (select == NULL && filters->Next(1, &filter, NULL) == S_OK) {
            if (FAILED(filter->QueryInterface(IID_IAMStreamSelect, (void**)&select))) select = NULL;
            filter->Release();
        }
        filters->Release();
    }

    GraphState.CurrentAudioStream = 0;
    for (int i = 0; i < VLM_AUDIO_STREAMS; i++) GraphState.AudioStreamMap[i] = -1;

    DWORD count = 0;
    if (select && FAILED(select->Count(&count))) ReleaseInterface(select);

    int mapped = 0;
    for (DWORD i = 0; select && i < count && mapped < VLM_AUDIO_STREAMS; i++) {
        AM_MEDIA_TYPE* type = NULL;
        if (FAILED(select->Info((long)i, &type, NULL, NULL, NULL, NULL, NULL, NULL))) {
            ReleaseInterface(select);
            break;
        }
        if (type && IsEqualGUID(type->majortype, MEDIATYPE_Audio))
            GraphState.AudioStreamMap[mapped++] = (int)i;
        FreeMediaType(type);
    }

    if (select && GraphState.AudioStreamMap[1] == -1) ReleaseInterface(select);
    if (select) {
        int slot = ChooseAudioSlot(GraphState.AudioStreamMap, Settings.AudioSelect);
        select->Enable(GraphState.AudioStreamMap[slot], AMSTREAMSELECTENABLE_ENABLE);
        GraphState.CurrentAudioStream = slot;
    }
    *streamSelect = select;
    return select ? 1 : 0;
}
