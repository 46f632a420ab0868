// Play-time control and transport operations against scripted graph
// interfaces: what is read, where it seeks, which call fails with which text.
#include <dshow.h>
#include "vlm_dx_control.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "support_files.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const LONGLONG Sec = 10000000LL;

#define NOT_USED { return E_NOTIMPL; }

// The objects live in the test; reference counting is not exercised here.
struct FakeSeeking : public IMediaSeeking {
    LONGLONG position = 0;
    HRESULT readResult = S_OK;
    HRESULT seekResult = S_OK;
    int reads = 0;
    std::vector<LONGLONG> seeks;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD*) override NOT_USED
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD*) override NOT_USED
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override
    {
        reads++;
        if (FAILED(readResult)) return readResult;
        *current = position;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override
    {
        EXPECT_EQ((DWORD)AM_SEEKING_AbsolutePositioning, currentFlags);
        EXPECT_EQ(nullptr, stop);
        EXPECT_EQ((DWORD)AM_SEEKING_NoPositioning, stopFlags);
        if (FAILED(seekResult)) return seekResult;
        seeks.push_back(*current);
        position = *current;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG*, LONGLONG*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG*, LONGLONG*) override NOT_USED
    HRESULT STDMETHODCALLTYPE SetRate(double) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetRate(double*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG*) override NOT_USED
};

struct FakeControl : public IMediaControl {
    std::string calls;
    HRESULT result = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override NOT_USED
    HRESULT STDMETHODCALLTYPE Run() override { calls += "run "; return result; }
    HRESULT STDMETHODCALLTYPE Pause() override { calls += "pause "; return result; }
    HRESULT STDMETHODCALLTYPE Stop() override { calls += "stop "; return result; }
    HRESULT STDMETHODCALLTYPE GetState(LONG, OAFilterState*) override NOT_USED
    HRESULT STDMETHODCALLTYPE RenderFile(BSTR) override NOT_USED
    HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR, IDispatch**) override NOT_USED
    HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch**) override NOT_USED
    HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch**) override NOT_USED
    HRESULT STDMETHODCALLTYPE StopWhenReady() override { calls += "cue "; return result; }
};

struct FakeAudio : public IBasicAudio {
    std::vector<long> volumes;
    HRESULT result = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override NOT_USED
    HRESULT WINAPI put_Volume(__LONG32 volume) override
    {
        volumes.push_back(volume);
        return result;
    }
    HRESULT WINAPI get_Volume(__LONG32*) override NOT_USED
    HRESULT WINAPI put_Balance(__LONG32) override NOT_USED
    HRESULT WINAPI get_Balance(__LONG32*) override NOT_USED
};

struct FakeStreamSelect : public IAMStreamSelect {
    std::vector<LONG> enabled;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT WINAPI Count(DWORD*) override NOT_USED
    HRESULT WINAPI Info(LONG, AM_MEDIA_TYPE**, DWORD*, LCID*, DWORD*, WCHAR**, IUnknown**,
                        IUnknown**) override NOT_USED
    HRESULT WINAPI Enable(LONG index, DWORD flags) override
    {
        EXPECT_EQ((DWORD)AMSTREAMSELECTENABLE_ENABLE, flags);
        enabled.push_back(index);
        return S_OK;
    }
};

class GraphControlTest : public ::testing::Test {
protected:
    FakeSeeking seeking;
    FakeControl control;
    FakeAudio audio;
    FakeStreamSelect streams;
    MediaFileEntry entry;

    void SetUp() override
    {
        ZeroMemory(&GraphState, sizeof(GraphState));
        GraphState.Seeking = &seeking;
        GraphState.Control = &control;
        GraphState.BasicAudio = &audio;
        GraphState.StopPosition = 100 * Sec;
        for (int& slot : GraphState.AudioStreamMap) slot = -1;

        ZeroMemory(&entry, sizeof(entry));
        entry.id = 4;
        entry.playNo = 1;
        entry.endSeconds = -1;
        lstrcpyA(entry.name, "clip.avi");
        ZeroMemory(&MediaFileList, sizeof(MediaFileList));
        MediaFileList.count = 1;
        MediaFileList.head = MediaFileList.tail = MediaFileList.current = &entry;

        Settings.DispFilename = FALSE;
        Settings.IntroPlay = FALSE;
        Settings.IntroStartPosition = 0;
        Settings.IntroEndPosition = 10;
        Settings.FileLoop = FALSE;
        Settings.SkipPlayMode = 0;
        Settings.SkipNumber = 3;
        Settings.SkipTime = 900;
        Settings.SkipPlayTime = 2;
        Settings.EndPlayTime = 10;
        Settings.Mute = FALSE;
        Settings.ProgramPlay = FALSE;
        Settings.SettingsPath[0] = '\0';
        ClearError();
    }
    void TearDown() override
    {
        ZeroMemory(&GraphState, sizeof(GraphState));
        ZeroMemory(&MediaFileList, sizeof(MediaFileList));
    }
};

// ---- CheckPlayTime

TEST_F(GraphControlTest, NothingToDoLeavesTheGraphAlone)
{
    seeking.position = 50 * Sec;
    EXPECT_EQ(1, CheckPlayTime());
    EXPECT_EQ(0, seeking.reads);
    EXPECT_TRUE(seeking.seeks.empty());
}

TEST_F(GraphControlTest, NoGraphOrNoEntryDoesNothing)
{
    Settings.DispFilename = TRUE;
    entry.startSeconds = 30;
    MediaFileList.current = NULL;
    EXPECT_EQ(1, CheckPlayTime());
    EXPECT_EQ(0, seeking.reads);

    MediaFileList.current = &entry;
    GraphState.Seeking = NULL;
    EXPECT_EQ(1, CheckPlayTime());
    EXPECT_EQ(0, seeking.reads);
}

TEST_F(GraphControlTest, TimeDisplayAloneOnlyReads)
{
    Settings.DispFilename = TRUE;
    seeking.position = 42 * Sec;
    EXPECT_EQ(1, CheckPlayTime());
    EXPECT_EQ(1, seeking.reads);
    EXPECT_EQ(42 * Sec, GraphState.CurrentPosition);
    EXPECT_TRUE(seeking.seeks.empty());
}

TEST_F(GraphControlTest, BelowTheEntryStartSeeksToIt)
{
    entry.startSeconds = 30;
    seeking.position = 10 * Sec;
    EXPECT_EQ(1, CheckPlayTime());
    ASSERT_EQ(1u, seeking.seeks.size());
    EXPECT_EQ(30 * Sec, seeking.seeks[0]);
    EXPECT_EQ(30 * Sec, GraphState.CurrentPosition);
}

TEST_F(GraphControlTest, PausedFileIsNotMoved)
{
    entry.startSeconds = 30;
    GraphState.UserStopped = TRUE;
    seeking.position = 10 * Sec;
    EXPECT_EQ(1, CheckPlayTime());
    EXPECT_EQ(1, seeking.reads);
    EXPECT_TRUE(seeking.seeks.empty());
}

TEST_F(GraphControlTest, IntroWithFileLoopSeeksBack)
{
    Settings.IntroPlay = TRUE;
    Settings.FileLoop = TRUE;
    seeking.position = 11 * Sec;
    EXPECT_EQ(1, CheckPlayTime());
    ASSERT_EQ(1u, seeking.seeks.size());
    EXPECT_EQ(0, seeking.seeks[0]);
}

TEST_F(GraphControlTest, RangePlayTakesPrecedenceOverSkipPlay)
{
    Settings.SkipPlayMode = 1;
    entry.startSeconds = 1;
    seeking.position = 5 * Sec;   // inside the range, past a skip head
    EXPECT_EQ(1, CheckPlayTime());
    EXPECT_TRUE(seeking.seeks.empty());
}

TEST_F(GraphControlTest, SkipPlayJumpsToTheNextPart)
{
    Settings.SkipPlayMode = 1;
    GraphState.StopPosition = 90 * Sec;
    seeking.position = 3 * Sec;
    EXPECT_EQ(1, CheckPlayTime());
    ASSERT_EQ(1u, seeking.seeks.size());
    EXPECT_EQ(30 * Sec, seeking.seeks[0]);
}

TEST_F(GraphControlTest, SkipPlayOnAZeroLengthFileDoesNothing)
{
    Settings.SkipPlayMode = 1;
    GraphState.StopPosition = 0;
    seeking.position = 0;
    EXPECT_EQ(1, CheckPlayTime());
    EXPECT_TRUE(seeking.seeks.empty());
}

struct FailureCase {
    const char* what;
    int readFails;
    int start, intro, loop, skip;
    LONGLONG position;
    const char* text;
};

TEST_F(GraphControlTest, FailuresAreFatalWithTheirText)
{
    const FailureCase rows[] = {
        {"read", 1, 30, 0, 0, 0, 10 * Sec, "CheckPlayTime：現在の再生位置の取得に失敗しました。(0x80004005)"},
        {"up to the start", 0, 30, 0, 0, 0, 10 * Sec, "CheckPlayTime：シークの実行に失敗しました(1)。(0x80004005)"},
        {"loop back", 0, 0, 1, 1, 0, 11 * Sec, "CheckPlayTime：シークの実行に失敗しました(2)。(0x80004005)"},
        {"skip", 0, 0, 0, 0, 1, 3 * Sec, "CheckPlayTime：シークの実行に失敗しました(3)。(0x80004005)"},
    };
    for (const auto& r : rows) {
        ClearError();
        seeking.readResult = r.readFails ? E_FAIL : S_OK;
        seeking.seekResult = E_FAIL;
        seeking.position = r.position;
        GraphState.CurrentPosition = 7;
        entry.startSeconds = r.start;
        Settings.IntroPlay = r.intro;
        Settings.FileLoop = r.loop;
        Settings.SkipPlayMode = r.skip;
        EXPECT_EQ(0, CheckPlayTime()) << r.what;
        EXPECT_EQ(VLM_ERR_FATAL, Settings.ErrorCode) << r.what;
        EXPECT_STREQ(r.text, Settings.ErrorText) << r.what;
        // A failed seek leaves the position that was read.
        EXPECT_EQ(r.readFails ? 7 : r.position, GraphState.CurrentPosition) << r.what;
    }
}

// ---- A-B loop

TEST_F(GraphControlTest, AThenBLoopsFromA)
{
    seeking.position = 12 * Sec;
    EXPECT_EQ(1, SetABPoint(0));
    EXPECT_EQ(1, GraphState.ABLoopState);
    EXPECT_EQ(12 * Sec, GraphState.ABStart);

    seeking.position = 47 * Sec;
    EXPECT_EQ(1, SetABPoint(1));
    EXPECT_EQ(2, GraphState.ABLoopState);
    EXPECT_EQ(47 * Sec, GraphState.ABEnd);
    ASSERT_EQ(1u, seeking.seeks.size());
    EXPECT_EQ(12 * Sec, seeking.seeks[0]);
    EXPECT_EQ(12 * Sec, GraphState.CurrentPosition);

    // The loop then holds the position between A and B.
    seeking.position = 48 * Sec;
    EXPECT_EQ(1, CheckPlayTime());
    ASSERT_EQ(2u, seeking.seeks.size());
    EXPECT_EQ(12 * Sec, seeking.seeks[1]);
}

TEST_F(GraphControlTest, CancelsAndIgnoresWithoutReading)
{
    EXPECT_EQ(1, SetABPoint(1));   // B first: nothing
    EXPECT_EQ(0, GraphState.ABLoopState);
    EXPECT_EQ(0, seeking.reads);

    EXPECT_EQ(1, SetABPoint(0));
    EXPECT_EQ(1, SetABPoint(0));   // A again cancels
    EXPECT_EQ(0, GraphState.ABLoopState);
    EXPECT_EQ(1, seeking.reads);

    EXPECT_EQ(1, SetABPoint(0));
    EXPECT_EQ(1, SetABPoint(1));
    EXPECT_EQ(1, SetABPoint(1));   // B while looping cancels
    EXPECT_EQ(0, GraphState.ABLoopState);
    EXPECT_EQ(3, seeking.reads);
}

TEST_F(GraphControlTest, ABFailuresHaveTheirTexts)
{
    seeking.readResult = E_FAIL;
    EXPECT_EQ(0, SetABPoint(0));
    EXPECT_STREQ("A-B 区間ループ：開始位置の取得に失敗しました。(0x80004005)", Settings.ErrorText);

    ClearError();
    GraphState.ABLoopState = 1;
    EXPECT_EQ(0, SetABPoint(1));
    EXPECT_STREQ("A-B 区間ループ：終了位置の取得に失敗しました。(0x80004005)", Settings.ErrorText);

    ClearError();
    seeking.readResult = S_OK;
    seeking.seekResult = E_FAIL;
    GraphState.ABLoopState = 1;
    EXPECT_EQ(0, SetABPoint(1));
    EXPECT_EQ(VLM_ERR_FATAL, Settings.ErrorCode);
    EXPECT_STREQ("A-B 区間ループ：シークの実行に失敗しました。(0x80004005)", Settings.ErrorText);
}

TEST_F(GraphControlTest, NoGraphNoABPoint)
{
    GraphState.Seeking = NULL;
    EXPECT_EQ(1, SetABPoint(0));
    EXPECT_EQ(0, GraphState.ABLoopState);
}

TEST_F(GraphControlTest, SaveRangeOnlyWhileLooping)
{
    std::string ini = FileTestFolder("control-graph") + "\\Velmora.ini";
    lstrcpyA(Settings.SettingsPath, ini.c_str());
    GraphState.ABLoopState = 1;
    GraphState.ABStart = 129 * Sec / 10;
    GraphState.ABEnd = 472 * Sec / 10;
    EXPECT_EQ(1, SaveABRange());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ini.c_str()));

    GraphState.ABLoopState = 2;
    EXPECT_EQ(1, SaveABRange());
    EXPECT_EQ(12, (int)GetPrivateProfileIntA(VLM_INI_SECTION, "INTRO_START_POSITION", -1, ini.c_str()));
    EXPECT_EQ(47, (int)GetPrivateProfileIntA(VLM_INI_SECTION, "INTRO_END_POSITION", -1, ini.c_str()));
    // Memory keeps its values until the settings are loaded again.
    EXPECT_EQ(0, Settings.IntroStartPosition);
    EXPECT_EQ(10, Settings.IntroEndPosition);

    Settings.ProgramPlay = TRUE;
    EXPECT_EQ(1, SaveABRange());
    EXPECT_EQ(12, (int)GetPrivateProfileIntA(VLM_INI_SECTION, "PROGRAM_STA_POSITION04", -1, ini.c_str()));
    EXPECT_EQ(47, (int)GetPrivateProfileIntA(VLM_INI_SECTION, "PROGRAM_END_POSITION04", -1, ini.c_str()));
    EXPECT_EQ(0, entry.startSeconds);
    EXPECT_EQ(-1, entry.endSeconds);
}

// ---- relative seek

TEST_F(GraphControlTest, SeekForwardAndBack)
{
    const struct { LONGLONG from; int forward; LONGLONG to; } rows[] = {
        {10 * Sec, 1, 40 * Sec}, {75 * Sec, 1, 90 * Sec}, {95 * Sec, 1, 90 * Sec}, {20 * Sec, 0, 0},
    };
    for (const auto& r : rows) {
        seeking.seeks.clear();
        seeking.position = r.from;
        EXPECT_EQ(1, SeekRelative(r.forward, 30));
        ASSERT_EQ(1u, seeking.seeks.size());
        EXPECT_EQ(r.to, seeking.seeks[0]);
    }
    EXPECT_EQ("", control.calls);
}

TEST_F(GraphControlTest, SeekAppliesTheRangeAtOnce)
{
    entry.startSeconds = 30;
    seeking.position = 40 * Sec;
    EXPECT_EQ(1, SeekRelative(0, 30));
    ASSERT_EQ(2u, seeking.seeks.size());
    EXPECT_EQ(10 * Sec, seeking.seeks[0]);
    EXPECT_EQ(30 * Sec, seeking.seeks[1]);
}

TEST_F(GraphControlTest, SeekWhilePausedCuesTheNewPictureAndStaysPut)
{
    entry.startSeconds = 30;
    GraphState.UserStopped = TRUE;
    seeking.position = 40 * Sec;
    EXPECT_EQ(1, SeekRelative(0, 30));
    EXPECT_EQ("cue ", control.calls);
    ASSERT_EQ(1u, seeking.seeks.size());
    EXPECT_EQ(10 * Sec, seeking.seeks[0]);
}

TEST_F(GraphControlTest, SeekFailures)
{
    seeking.readResult = E_FAIL;
    EXPECT_EQ(0, SeekRelative(1, 30));
    EXPECT_STREQ("シーク：現在の再生位置の取得に失敗しました。(0x80004005)", Settings.ErrorText);

    ClearError();
    seeking.readResult = S_OK;
    seeking.seekResult = E_FAIL;
    EXPECT_EQ(0, SeekRelative(1, 30));
    EXPECT_STREQ("シーク：シークの実行に失敗しました。(0x80004005)", Settings.ErrorText);

    ClearError();
    seeking.seekResult = S_OK;
    control.result = E_FAIL;
    GraphState.UserStopped = TRUE;
    EXPECT_EQ(0, SeekRelative(1, 30));
    EXPECT_EQ(VLM_ERR_FATAL, Settings.ErrorCode);
    EXPECT_STREQ("シーク：StopWhenReady の実行に失敗しました。(0x80004005)", Settings.ErrorText);
}

// ---- mute, pause, toggles, audio streams

TEST_F(GraphControlTest, MuteSetsTheVolume)
{
    EXPECT_EQ(1, ToggleMute());
    EXPECT_TRUE(Settings.Mute);
    EXPECT_EQ(1, ToggleMute());
    EXPECT_FALSE(Settings.Mute);
    EXPECT_EQ((std::vector<long>{-10000, 0}), audio.volumes);
}

TEST_F(GraphControlTest, MuteWithoutVolumeControlStillFlips)
{
    audio.result = E_NOTIMPL;
    EXPECT_EQ(1, ToggleMute());
    EXPECT_TRUE(Settings.Mute);
    EXPECT_EQ(0, Settings.ErrorCode);
}

TEST_F(GraphControlTest, MuteFailure)
{
    audio.result = E_FAIL;
    EXPECT_EQ(0, ToggleMute());
    EXPECT_TRUE(Settings.Mute);
    EXPECT_STREQ("消音：ボリュームの設定に失敗しました。(0x80004005)", Settings.ErrorText);
}

TEST_F(GraphControlTest, PauseStopsAndRuns)
{
    EXPECT_EQ(1, TogglePause());
    EXPECT_TRUE(GraphState.UserStopped);
    EXPECT_EQ(1, TogglePause());
    EXPECT_FALSE(GraphState.UserStopped);
    EXPECT_EQ("stop run ", control.calls);
}

TEST_F(GraphControlTest, PauseFailures)
{
    control.result = E_FAIL;
    EXPECT_EQ(0, TogglePause());
    EXPECT_TRUE(GraphState.UserStopped);
    EXPECT_STREQ("停止：Stop の実行に失敗しました。(0x80004005)", Settings.ErrorText);
    ClearError();
    EXPECT_EQ(0, TogglePause());
    EXPECT_FALSE(GraphState.UserStopped);
    EXPECT_STREQ("停止：Run の実行に失敗しました。(0x80004005)", Settings.ErrorText);
}

TEST_F(GraphControlTest, WithoutAGraphNothingFlips)
{
    ZeroMemory(&GraphState, sizeof(GraphState));
    EXPECT_EQ(1, ToggleMute());
    EXPECT_EQ(1, TogglePause());
    EXPECT_EQ(1, SeekRelative(1, 30));
    EXPECT_EQ(1, SwitchAudioStream(0));
    EXPECT_FALSE(Settings.Mute);
    EXPECT_FALSE(GraphState.UserStopped);
}

TEST_F(GraphControlTest, PlayModeToggles)
{
    EXPECT_EQ(1, ToggleFileLoop());
    EXPECT_TRUE(Settings.FileLoop);
    EXPECT_EQ(1, ToggleFileLoop());
    EXPECT_FALSE(Settings.FileLoop);
    EXPECT_EQ(1, ToggleIntroPlay());
    EXPECT_TRUE(Settings.IntroPlay);

    int modes[4];
    for (int i = 0; i < 4; i++) {
        modes[i] = Settings.SkipPlayMode;
        if (i < 3) EXPECT_EQ(1, CycleSkipPlayMode());
    }
    EXPECT_EQ(0, modes[0]);
    EXPECT_EQ(1, modes[1]);
    EXPECT_EQ(2, modes[2]);
    EXPECT_EQ(0, modes[3]);
}

TEST_F(GraphControlTest, AudioDigits)
{
    GraphState.StreamSelect = &streams;
    GraphState.AudioStreamMap[0] = 1;
    GraphState.AudioStreamMap[1] = 3;
    EXPECT_EQ(1, SwitchAudioStream(1));      // digit 2
    EXPECT_EQ(1, GraphState.CurrentAudioStream);
    EXPECT_EQ(1, SwitchAudioStream(2));      // digit 3: no third stream
    EXPECT_EQ(1, GraphState.CurrentAudioStream);
    EXPECT_EQ(1, SwitchAudioStream(9));      // digit 0
    EXPECT_EQ(1, SwitchAudioStream(-1));
    EXPECT_EQ(1, SwitchAudioStream(10));
    EXPECT_EQ(1, SwitchAudioStream(0));      // digit 1
    EXPECT_EQ(0, GraphState.CurrentAudioStream);
    EXPECT_EQ((std::vector<LONG>{3, 1}), streams.enabled);

    GraphState.StreamSelect = NULL;          // one audio stream: no selector
    EXPECT_EQ(1, SwitchAudioStream(1));
    EXPECT_EQ(0, GraphState.CurrentAudioStream);
}

}  // namespace
