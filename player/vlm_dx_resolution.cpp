// Resolution change: before a file plays, learn its native video size in a
// throw-away graph and switch the playing monitor to the smallest display
// mode of its own device that holds it, through DirectDraw (main monitor
// only) or the display settings, then lay every window out for the new size.
#include "vlm_dx.h"
#include "vlm_dx_mfsource.h"
#include "vlm_mainwin.h"
#include "vlm_util.h"
#include <ddraw.h>
#include <dshow.h>

// Looked up by CreateScreen in "ddraw.dll"; the library is never linked.
FARPROC DirectDrawCreateEntry;

typedef HRESULT(WINAPI* DirectDrawCreateProc)(GUID* driver, IDirectDraw** object, IUnknown* outer);

// Held while a mode set through DirectDraw is in force: releasing it gives
// the mode back.
static IDirectDraw* DirectDrawObject;

// The device whose mode was changed through the display settings; the
// monitor list may have changed since, so it is remembered by name.
static char ChangedDevice[CCHDEVICENAME];

void ReleaseDirectDraw()
{
    if (DirectDrawObject) DirectDrawObject->Release();
    DirectDrawObject = NULL;
}

void RestoreDisplayMode()
{
    const char* device = ChangedDevice[0] ? ChangedDevice : PlayMonitorDevice;
    ChangeDisplaySettingsExA(device[0] ? device : NULL, NULL, NULL, 0, NULL);
    ChangedDevice[0] = '\0';
}

// ---- the choice of mode

static BOOL SameModeKind(const ScreenModeRecord* mode, const ScreenModeRecord* current)
{
    return mode->ScreenDisplayFlags == current->ScreenDisplayFlags &&
           mode->ScreenFrequency == current->ScreenFrequency;
}

int ChooseDisplayMode(DisplayModeReader read, void* list, const ScreenModeRecord* current,
                      DWORD width, DWORD height, BOOL fixedVga, BOOL keepBitsPerPel,
                      ScreenModeRecord* chosen)
{
    BOOL anyMode = FALSE, haveChoice = FALSE;
    DWORD choiceW = 0, choiceH = 0, largestW = 0, largestH = 0;
    ScreenModeRecord mode;
    for (DWORD index = 0; read(list, index, &mode); index++) {
        if (!SameModeKind(&mode, current)) continue;
        if (keepBitsPerPel && mode.ScreenBitsPerPel != current->ScreenBitsPerPel) continue;
        anyMode = TRUE;
        BOOL take;
        if (fixedVga)
            take = mode.ScreenWidth == 640 && mode.ScreenHeight == 480;
        else
            take = mode.ScreenWidth >= width && mode.ScreenHeight >= height &&
                   (!haveChoice || (mode.ScreenWidth <= choiceW && mode.ScreenHeight <= choiceH));
        if (take) {
            haveChoice = TRUE;
            choiceW = mode.ScreenWidth;
            choiceH = mode.ScreenHeight;
        }
        if (mode.ScreenWidth >= largestW && mode.ScreenHeight >= largestH) {
            largestW = mode.ScreenWidth;
            largestH = mode.ScreenHeight;
        }
    }
    if (!haveChoice) {
        if (fixedVga) return ModeNoVga;
        // No mode of the current kind at all (the size came from the system
        // metrics): nothing to compare with, so the screen stays as it is.
        if (!anyMode) return ModeKeep;
        // Nothing holds the video: the largest mode, the video shown reduced.
        choiceW = largestW;
        choiceH = largestH;
    }

    DWORD bits = current->ScreenBitsPerPel;
    if (!keepBitsPerPel) {
        bits = 0;
        for (DWORD index = 0; read(list, index, &mode); index++) {
            if (SameModeKind(&mode, current) && mode.ScreenWidth == choiceW &&
                mode.ScreenHeight == choiceH && mode.ScreenBitsPerPel > bits)
                bits = mode.ScreenBitsPerPel;
        }
        if (bits == 0) return ModeNoDepth;
    }

    ZeroMemory(chosen, sizeof(*chosen));
    chosen->ScreenWidth = choiceW;
    chosen->ScreenHeight = choiceH;
    chosen->ScreenBitsPerPel = bits;
    chosen->ScreenDisplayFlags = current->ScreenDisplayFlags;
    chosen->ScreenFrequency = current->ScreenFrequency;
    if (choiceW == current->ScreenWidth && choiceH == current->ScreenHeight &&
        bits == current->ScreenBitsPerPel)
        return ModeKeep;
    return ModeChange;
}

int ChooseModeMethod(DWORD width, DWORD height, BOOL onlyDirectDraw, BOOL onlyDisplaySettings,
                     BOOL directDrawAvailable)
{
    int method;
    if (onlyDirectDraw && !onlyDisplaySettings)
        method = ModeByDirectDraw;
    else if (onlyDisplaySettings && !onlyDirectDraw)
        method = ModeByDisplaySettings;
    else
        method = (width < 640 || height < 480) ? ModeByDirectDraw : ModeByDisplaySettings;
    if (method == ModeByDirectDraw && !directDrawAvailable) method = ModeByDisplaySettings;
    return method;
}

// list: the display device's name, empty for the main screen.
static BOOL ReadDeviceMode(void* list, DWORD index, ScreenModeRecord* mode)
{
    const char* device = (const char*)list;
    DEVMODEA settings;
    ZeroMemory(&settings, sizeof(settings));
    settings.dmSize = sizeof(settings);
    if (!EnumDisplaySettingsExA(device[0] ? device : NULL, index, &settings, 0)) return FALSE;
    ScreenModeOfSettings(&settings, mode);
    return TRUE;
}

// ---- setting the mode

static int SetModeByDirectDraw(const ScreenModeRecord* mode)
{
    if (DirectDrawObject == NULL) {
        IDirectDraw* object = NULL;
        HRESULT hr = ((DirectDrawCreateProc)(void*)DirectDrawCreateEntry)(NULL, &object, NULL);
        if (FAILED(hr) || object == NULL)
            return SetError(VLM_ERR_FATAL, "DirectDraw オブジェクトの生成に失敗しました。", (DWORD)hr);
        hr = object->SetCooperativeLevel(MainWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
        if (FAILED(hr)) {
            object->Release();
            return SetError(VLM_ERR_FATAL, "DirectDraw : 協調レベルの設定に失敗しました。", (DWORD)hr);
        }
        DirectDrawObject = object;
    }
    HRESULT hr = DirectDrawObject->SetDisplayMode(mode->ScreenWidth, mode->ScreenHeight,
                                                  mode->ScreenBitsPerPel);
    if (FAILED(hr)) {
        ReleaseDirectDraw();
        return SetError(VLM_ERR_FATAL, "DirectDraw : ディスプレイの解像度の設定に失敗しました。",
                        (DWORD)hr);
    }
    return 1;
}

static int SetModeByDisplaySettings(const ScreenModeRecord* mode)
{
    // DirectDraw gives its mode back on release; let that settle first.
    if (DirectDrawObject) {
        ReleaseDirectDraw();
        Sleep(500);
    }
    DEVMODEA settings;
    ZeroMemory(&settings, sizeof(settings));
    settings.dmSize = sizeof(settings);
    settings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    settings.dmBitsPerPel = mode->ScreenBitsPerPel;
    settings.dmPelsWidth = mode->ScreenWidth;
    settings.dmPelsHeight = mode->ScreenHeight;
    LONG result = ChangeDisplaySettingsExA(PlayMonitorDevice[0] ? PlayMonitorDevice : NULL, &settings, NULL,
                                           CDS_FULLSCREEN, NULL);
    if (result == DISP_CHANGE_SUCCESSFUL) {
        lstrcpynA(ChangedDevice, PlayMonitorDevice, CCHDEVICENAME);
        return 1;
    }
    if (result == DISP_CHANGE_RESTART)
        return SetError(VLM_ERR_FATAL, "自動解像度変更に失敗しました（手動変更・再起動が必要）。",
                        (DWORD)result);
    return SetError(VLM_ERR_FATAL, "ChangeDisplaySettings : 解像度の変更に失敗しました。",
                    (DWORD)result);
}

// The mode the playing monitor's device is in now. ScreenMode may still hold
// the size from before a change that the monitor list has not caught up with.
static ScreenModeRecord DeviceModeNow()
{
    ScreenModeRecord mode = ScreenMode;
    DEVMODEA settings;
    if (ReadPlayDeviceSettings(&settings) && settings.dmPelsWidth != 0) ScreenModeOfSettings(&settings, &mode);
    return mode;
}

int ChangeScreenMode(DWORD width, DWORD height)
{
    ScreenModeRecord chosen;
    ScreenModeRecord current = DeviceModeNow();
    switch (ChooseDisplayMode(ReadDeviceMode, PlayMonitorDevice, &current, width, height,
                              Settings.FixedVga, Settings.BitsPerPelUnchange, &chosen)) {
    case ModeKeep:
        return 1;
    case ModeNoVga:
        return SetError(VLM_ERR_FATAL, "解像度変更：VGAサイズ(640x480)が使用できません。", 0);
    case ModeNoDepth:
        return SetError(VLM_ERR_FATAL, "解像度変更：使用できる色数が見つかりませんでした。", 0);
    }

    // Park the cursor where the new centre will be before the screen
    // changes: the pointer position the system reports while it changes
    // (late, on some systems) must not read as mouse travel.
    ScreenCentre.x = ScreenMode.ScreenLeft + (LONG)(chosen.ScreenWidth / 2);
    ScreenCentre.y = ScreenMode.ScreenTop + (LONG)(chosen.ScreenHeight / 2);
    SetCursorPos(ScreenCentre.x, ScreenCentre.y);

    // DirectDraw here drives the main display only.
    int method = ChooseModeMethod(chosen.ScreenWidth, chosen.ScreenHeight, Settings.OnlyReschByDdraw,
                                  Settings.OnlyReschByCds, DirectDrawCreateEntry != NULL && PlayMonitorIsMain);
    // A mode given back late by what the last file left (its renderer, a
    // DirectDraw object) can undo a change that reported success: the
    // device is asked until it shows the mode, and the change is made once
    // more before giving up. The monitor's new size may reach this process
    // later still, so the device's mode sizes the windows now and the
    // display change message corrects the rest.
    ScreenModeRecord now;
    for (int attempt = 0;; attempt++) {
        int changed = method == ModeByDirectDraw ? SetModeByDirectDraw(&chosen)
                                                 : SetModeByDisplaySettings(&chosen);
        if (!changed) return 0;
        BOOL shown = FALSE;
        for (int waited = 0; !shown && waited <= 1000; waited += 50) {
            now = DeviceModeNow();
            shown = now.ScreenWidth == chosen.ScreenWidth && now.ScreenHeight == chosen.ScreenHeight &&
                    now.ScreenBitsPerPel == chosen.ScreenBitsPerPel;
            if (!shown) Sleep(50);
        }
        if (shown) break;
        if (attempt == 1) return SetError(VLM_ERR_FATAL, "解像度の変更に失敗しました。", 0);
    }
    if (!GetScreenMode(MainWindow)) return 0;
    now.ScreenLeft = ScreenMode.ScreenLeft;
    now.ScreenTop = ScreenMode.ScreenTop;
    ScreenMode = now;

    return LayoutScreenWindows();
}

// ---- the size probe

namespace {

// What one probe attempt holds; the guard can leave an attempt anywhere,
// so every pointer is stored as soon as it exists.
struct SizeProbe {
    const WCHAR* path;
    IGraphBuilder* volatile graph;
    IBasicVideo* volatile basicVideo;
};

// The probe's interfaces go through GraphState's slots to StopGraph, the
// one place that releases a graph.
void ReleaseSizeProbe(void* context)
{
    SizeProbe* probe = (SizeProbe*)context;
    if (probe->graph == NULL && probe->basicVideo == NULL) return;
    GraphState.Graph = probe->graph;
    GraphState.BasicVideo = probe->basicVideo;
    probe->graph = NULL;
    probe->basicVideo = NULL;
    StopGraph(FALSE);
}

int ProbeFailed(SizeProbe* probe, const char* message, HRESULT hr)
{
    ReleaseSizeProbe(probe);
    return SetError(VLM_ERR_FILEFAILED, message, (DWORD)hr);
}

int ProbeSizeOnce(void* context)
{
    SizeProbe* probe = (SizeProbe*)context;

    static const char* const renderMessages[] = {
        "IGraphBuilderインターフェースの生成に失敗しました．",
        "フィルタグラフの作成：RenderFile の起動に失敗しました．",
        "フィルタグラフの作成：Media Foundation によるデコードに失敗しました．",
    };
    int failedStep = 0;
    HRESULT hr = RenderMediaFile(&probe->graph, probe->path, VLM_EXC_SIZEPROBE, &failedStep);
    if (FAILED(hr)) return ProbeFailed(probe, renderMessages[failedStep], hr);
    IGraphBuilder* graph = probe->graph;
    IBasicVideo* basicVideo = NULL;
    hr = graph->QueryInterface(IID_IBasicVideo, (void**)&basicVideo);
    probe->basicVideo = basicVideo;
    if (FAILED(hr)) return ProbeFailed(probe, "IBasicVideoインターフェースの取得に失敗しました．", hr);
    long nativeW = 0, nativeH = 0;
    hr = basicVideo->GetVideoSize(&nativeW, &nativeH);
    if (FAILED(hr) && hr != E_NOINTERFACE)
        return ProbeFailed(probe, "ビデオ本来のサイズの取得に失敗しました．", hr);
    ReleaseSizeProbe(probe);

    // Sound only: any mode will do.
    if (hr == E_NOINTERFACE) return 1;

    int wantW = 0, wantH = 0;
    CalcDisplaySize((int)nativeW, (int)nativeH, &wantW, &wantH, NULL, NULL);
    return ChangeScreenMode((DWORD)wantW, (DWORD)wantH);
}

}  // namespace

int ProbeVideoSize(const WCHAR* path)
{
    SizeProbe probe;
    probe.path = path;
    probe.graph = NULL;
    probe.basicVideo = NULL;
    int result = RunGuarded(VLM_EXC_SIZEPROBE, ProbeSizeOnce, ReleaseSizeProbe, &probe);
    if (result == VLM_GUARD_EXHAUSTED)
        return SetError(VLM_ERR_FILEFAILED,
                        "ビデオ本来のサイズの取得中に例外が繰り返し発生しました．", 0);
    ReleaseSizeProbe(&probe);
    return result;
}
