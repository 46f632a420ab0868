// Play-time control and transport operations against scripted graph
// interfaces: what is read, where it seeks, which call fails with which text.
#include <dshow.h>
#include "vlm_dx_control.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "support_files.h"
#include <gtest/gtest.h>
#include <algorithm>
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

// A stream selector with a scripted list of streams (their major types).
struct FakeStreamSelect : public IAMStreamSelect {
    std::vector<GUID> majors;
    HRESULT countResult = S_OK;
    int infoFailsAt = -1;
    int infos = 0;
    int refs = 0;
    std::vector<LONG> enabled;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return (ULONG)--refs; }
    HRESULT WINAPI Count(DWORD* count) override
    {
        *count = (DWORD)majors.size();
        return countResult;
    }
    HRESULT WINAPI Info(LONG index, AM_MEDIA_TYPE** type, DWORD*, LCID*, DWORD*, WCHAR**, IUnknown**,
                        IUnknown**) override
    {
        infos++;
        if (index == infoFailsAt) return E_FAIL;
        *type = (AM_MEDIA_TYPE*)CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
        ZeroMemory(*type, sizeof(AM_MEDIA_TYPE));
        (*type)->majortype = majors[(size_t)index];
        return S_OK;
    }
    HRESULT WINAPI Enable(LONG index, DWORD flags) override
    {
        EXPECT_EQ((DWORD)AMSTREAMSELECTENABLE_ENABLE, flags);
        enabled.push_back(index);
        return S_OK;
    }
};

// A filter of the graph: offers the selector, or no selector at all.
struct FakeFilter : public IBaseFilter {
    FakeStreamSelect* select = NULL;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (select == NULL || !IsEqualIID(iid, IID_IAMStreamSelect)) return E_NOINTERFACE;
        select->AddRef();
        *out = select;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override NOT_USED
    HRESULT STDMETHODCALLTYPE Stop() override NOT_USED
    HRESULT STDMETHODCALLTYPE Pause() override NOT_USED
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override NOT_USED
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override NOT_USED
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override NOT_USED
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins**) override NOT_USED
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override NOT_USED
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO*) override NOT_USED
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override NOT_USED
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override NOT_USED
};

// A graph that holds the given filters.
struct FakeGraph : public IGraphBuilder, public IEnumFilters {
    std::vector<FakeFilter*> filters;
    size_t next = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override NOT_USED
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override NOT_USED
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** out) override
    {
        next = 0;
        *out = this;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override NOT_USED
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override NOT_USED
    HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override NOT_USED
    HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override NOT_USED
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override NOT_USED
    HRESULT STDMETHODCALLTYPE Connect(IPin*, IPin*) override NOT_USED
    HRESULT STDMETHODCALLTYPE Render(IPin*) override NOT_USED
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR, LPCWSTR) override NOT_USED
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override NOT_USED
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR) override NOT_USED
    HRESULT STDMETHODCALLTYPE Abort() override NOT_USED
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override NOT_USED
    // IEnumFilters
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IBaseFilter** out, ULONG*) override
    {
        EXPECT_EQ(1u, count);
        if (next >= filters.size()) return S_FALSE;
        *out = filters[next++];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override NOT_USED
    HRESULT STDMETHODCALLTYPE Reset() override NOT_USED
    HRESULT STDMETHODCALLTYPE Clone(IEnumFilters**) override NOT_USED
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
    // The new state is stored before the position is read: a failure leaves
    // it, with the point of the failed read unchanged.
    struct Failure {
        int stateBefore;
        int isB;
        bool seekFails;
        const char* text;
        int stateAfter;
        LONGLONG start, end;
    };
    const Failure failures[] = {
        {0, 0, false, "A-B 区間ループ：開始位置の取得に失敗しました。(0x80004005)", 1, 3 * Sec, 4 * Sec},
        {1, 1, false, "A-B 区間ループ：終了位置の取得に失敗しました。(0x80004005)", 2, 3 * Sec, 4 * Sec},
        {1, 1, true, "A-B 区間ループ：シークの実行に失敗しました。(0x80004005)", 2, 3 * Sec, 20 * Sec},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.text);
        ClearError();
        seeking.position = 20 * Sec;
        seeking.readResult = f.seekFails ? S_OK : E_FAIL;
        seeking.seekResult = f.seekFails ? E_FAIL : S_OK;
        seeking.seeks.clear();
        GraphState.ABLoopState = f.stateBefore;
        GraphState.ABStart = 3 * Sec;
        GraphState.ABEnd = 4 * Sec;
        EXPECT_EQ(0, SetABPoint(f.isB));
        EXPECT_EQ(VLM_ERR_FATAL, Settings.ErrorCode);
        EXPECT_STREQ(f.text, Settings.ErrorText);
        EXPECT_EQ(f.stateAfter, GraphState.ABLoopState);
        EXPECT_EQ(f.start, GraphState.ABStart);
        EXPECT_EQ(f.end, GraphState.ABEnd);
        EXPECT_TRUE(seeking.seeks.empty());
    }
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

// ---- audio stream selection when a file starts

struct AudioCase {
    const char* what;
    int videoFirst;     // a video stream before the audio ones
    int audioStreams;
    int audioSelect;    // AUDIO_SELECT
    int kept;           // the selector is kept (two or more audio streams)
    int enabledSlot;    // slot of the stream enabled
};

const AudioCase kAudioCases[] = {
    {"two streams, the main one", 1, 2, 1, 1, 0},
    {"three streams, the second sub stream", 1, 3, 3, 1, 2},
    {"AUDIO_SELECT beyond the streams takes the last", 1, 3, 7, 1, 2},
    {"ten streams, the last", 0, 10, 10, 1, 9},
    {"twelve streams: only ten are mapped", 1, 12, 10, 1, 9},
    {"one stream: no selector", 1, 1, 1, 0, -1},
    {"no audio: no selector", 1, 0, 1, 0, -1},
};

TEST_F(GraphControlTest, SelectAudioStreamMapsAndEnables)
{
    for (const AudioCase& c : kAudioCases) {
        SCOPED_TRACE(c.what);
        FakeStreamSelect select;
        if (c.videoFirst) select.majors.push_back(MEDIATYPE_Video);
        for (int i = 0; i < c.audioStreams; i++) select.majors.push_back(MEDIATYPE_Audio);
        // The selector is found behind a filter without one.
        FakeFilter plain, splitter;
        splitter.select = &select;
        FakeGraph graph;
        graph.filters = {&plain, &splitter};
        Settings.AudioSelect = c.audioSelect;
        GraphState.CurrentAudioStream = 7;

        IAMStreamSelect* kept = (IAMStreamSelect*)1;
        EXPECT_EQ(c.kept, SelectAudioStream(&graph, &kept));
        EXPECT_EQ(c.kept ? &select : NULL, kept);
        EXPECT_EQ(c.kept, select.refs);   // a selector not kept is released
        // Streams beyond the tenth audio one are not even looked at.
        EXPECT_EQ(c.videoFirst + std::min(c.audioStreams, VLM_AUDIO_STREAMS), select.infos);
        for (int slot = 0; slot < VLM_AUDIO_STREAMS; slot++) {
            int expected = slot < c.audioStreams ? slot + c.videoFirst : -1;
            EXPECT_EQ(expected, GraphState.AudioStreamMap[slot]) << "slot " << slot;
        }
        if (c.kept) {
            EXPECT_EQ((std::vector<LONG>{c.enabledSlot + c.videoFirst}), select.enabled);
            EXPECT_EQ(c.enabledSlot, GraphState.CurrentAudioStream);
        } else {
            EXPECT_TRUE(select.enabled.empty());
            EXPECT_EQ(0, GraphState.CurrentAudioStream);
        }
    }
}

TEST_F(GraphControlTest, SelectAudioStreamWithoutAWorkingSelector)
{
    struct Broken {
        const char* what;
        bool noSelector;
        HRESULT countResult;
        int infoFailsAt;
    } cases[] = {
        {"no filter offers one", true, S_OK, -1},
        {"Count fails", false, E_FAIL, -1},
        {"Info fails", false, S_OK, 2},
    };
    for (const Broken& c : cases) {
        SCOPED_TRACE(c.what);
        FakeStreamSelect select;
        select.majors = {MEDIATYPE_Audio, MEDIATYPE_Audio, MEDIATYPE_Audio};
        select.countResult = c.countResult;
        select.infoFailsAt = c.infoFailsAt;
        FakeFilter filter;
        filter.select = c.noSelector ? NULL : &select;
        FakeGraph graph;
        graph.filters = {&filter};
        Settings.AudioSelect = 2;
        IAMStreamSelect* kept = (IAMStreamSelect*)1;
        EXPECT_EQ(0, SelectAudioStream(&graph, &kept));
        EXPECT_EQ(NULL, kept);
        EXPECT_EQ(0, select.refs);
        EXPECT_TRUE(select.enabled.empty());
        EXPECT_EQ(0, GraphState.CurrentAudioStream);
    }
}

}  // namespace
