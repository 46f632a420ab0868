// Transport operations of the keys and mouse buttons: relative seek, mute,
// pause, the play-mode toggles and the audio stream digits. An operation
// whose interface is missing (no graph, no stream selector) does nothing.
#include <dshow.h>
#include "vlm_dx_control.h"
#include "vlm_dx.h"
#include "vlm_global.h"
#include "vlm_subwin.h"

#define VLM_VOLUME_SILENT (-10000)

int SeekRelative(int forward, int seconds)
{
    if (!GraphState.Seeking) return 1;
    LONGLONG position = 0;
    HRESULT hr = GraphState.Seeking->GetCurrentPosition(&position);
    if (FAILED(hr))
        return SetError(VLM_ERR_FATAL, "シーク：現在の再生位置の取得に失敗しました。", (DWORD)hr);
    GraphState.CurrentPosition = position;

    LONGLONG target = CalcSeekTarget(position, GraphState.StopPosition, forward, seconds,
                                     Settings.EndPlayTime);
    hr = GraphState.Seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, NULL,
                                          AM_SEEKING_NoPositioning);
    if (FAILED(hr)) return SetError(VLM_ERR_FATAL, "シーク：シークの実行に失敗しました。", (DWORD)hr);

    // A stopped graph shows the picture at the new position only once it
    // has been cued again.
    if (GraphState.UserStopped && GraphState.Control) {
        hr = GraphState.Control->StopWhenReady();
        if (FAILED(hr))
            return SetError(VLM_ERR_FATAL, "シーク：StopWhenReady の実行に失敗しました。", (DWORD)hr);
    }
    return CheckPlayTime();
}

int ToggleMute()
{
    if (!GraphState.BasicAudio) return 1;
    Settings.Mute = !Settings.Mute;
    HRESULT hr = GraphState.BasicAudio->put_Volume(Settings.Mute ? VLM_VOLUME_SILENT : 0);
    // E_NOTIMPL: a renderer without volume control; MUTE flips all the same.
    if (FAILED(hr) && hr != E_NOTIMPL)
        return SetError(VLM_ERR_FATAL, "消音：ボリュームの設定に失敗しました。", (DWORD)hr);
    RedrawOverlayStatus();
    return 1;
}

int TogglePause()
{
    if (!GraphState.Control) return 1;
    GraphState.UserStopped = !GraphState.UserStopped;
    if (GraphState.UserStopped) {
        HRESULT hr = GraphState.Control->Stop();
        if (FAILED(hr)) return SetError(VLM_ERR_FATAL, "停止：Stop の実行に失敗しました。", (DWORD)hr);
    } else {
        HRESULT hr = GraphState.Control->Run();
        if (FAILED(hr)) return SetError(VLM_ERR_FATAL, "停止：Run の実行に失敗しました。", (DWORD)hr);
    }
    RedrawOverlayStatus();
    return 1;
}

int ToggleFileLoop()
{
    Settings.FileLoop = !Settings.FileLoop;
    RedrawOverlayStatus();
    return 1;
}

int ToggleIntroPlay()
{
    Settings.IntroPlay = !Settings.IntroPlay;
    RedrawOverlayStatus();
    return 1;
}

int CycleSkipPlayMode()
{
    Settings.SkipPlayMode = (Settings.SkipPlayMode + 1) % 3;
    RedrawOverlayStatus();
    return 1;
}

int SwitchAudioStream(int slot)
{
    if (!GraphState.StreamSelect || slot < 0 || slot >= VLM_AUDIO_STREAMS) return 1;
    int stream = GraphState.AudioStreamMap[slot];
    if (stream == -1) return 1;
    GraphState.StreamSelect->Enable(stream, AMSTREAMSELECTENABLE_ENABLE);
    GraphState.CurrentAudioStream = slot;
    RedrawOverlayStatus();
    return 1;
}
