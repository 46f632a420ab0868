// The media graph on real files: a sound-only file the test writes itself
// and a file that is no media at all.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <windows.h>
#include <mmsystem.h>
#include "support_ini.h"
#include "support_media.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"
#include <dshow.h>

namespace {

const LONGLONG kSecond = VLM_UNITS_PER_SECOND;

std::wstring Wide(const std::string& text)
{
    WCHAR buffer[VLM_PATH_CHARS];
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer, VLM_PATH_CHARS);
    return buffer;
}

class GraphPlayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(NULL); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override
    {
        folder = MakeTestFolder("graph");
        ini = folder + "\\Velmora.ini";
        WriteFileBytes(ini, IniText({{"PLAYING", ""}, {"STOP_POSITION", "0"}}));
        ResetSettings(ini);
        // An empty history: no folder to update besides PLAYING/STOP_POSITION.
        HistoryLinks& links = Settings.FolderHistory.live;
        links.usedHead = links.usedTail = links.freeHead = links.freeTail = -1;
        Settings.ContinuousPlay = TRUE;
        Settings.AudioSelect = 1;
        ZeroMemory(&GraphState, sizeof(GraphState));
        ZeroMemory(&ScreenMode, sizeof(ScreenMode));
        ScreenMode.ScreenWidth = 640;
        ScreenMode.ScreenHeight = 480;
        LastRenderedFile[0] = L'\0';

        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof(wc));
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "GraphTestWindow";
        RegisterClassA(&wc);
        MainWindow = CreateWindowExA(0, "GraphTestWindow", "graph", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                     NULL, wc.hInstance, NULL);
        ASSERT_TRUE(MainWindow != NULL);

        ZeroMemory(&MediaFileList, sizeof(MediaFileList));
        ZeroMemory(&entry, sizeof(entry));
        entry.id = entry.playNo = 1;
        entry.endSeconds = -1;
    }

    void TearDown() override
    {
        StopGraph(FALSE);
        ZeroMemory(&MediaFileList, sizeof(MediaFileList));
        DestroyWindow(MainWindow);
        MainWindow = NULL;
    }

    // Makes name in the scratch folder the current entry; gives its path.
    std::string UseFile(const char* name, const std::string& bytes)
    {
        std::string path = folder + "\\" + name;
        WriteFileBytes(path, bytes);
        lstrcpyA(entry.name, name);
        lstrcpyA(entry.path, path.c_str());
        MediaFileList.head = MediaFileList.tail = MediaFileList.current = &entry;
        MediaFileList.count = 1;
        return path;
    }

    bool NoInterfaces()
    {
        return !GraphState.Graph && !GraphState.Control && !GraphState.Events &&
               !GraphState.Seeking && !GraphState.VideoWindow && !GraphState.BasicVideo &&
               !GraphState.BasicAudio && !GraphState.StreamSelect;
    }

    // A sound file renders only with an audio output device. Without one
    // (a machine with no sound card and no null device configured) the
    // tests that need one say so instead of failing on the environment.
    std::string folder, ini;
    MediaFileEntry entry;
};

#define REQUIRE_SOUND_DEVICE()                                                         \
    if (waveOutGetNumDevs() == 0)                                                      \
    GTEST_SKIP() << "no audio output device (give Wine one, e.g. an ALSA null device)"

TEST_F(GraphPlayTest, SoundOnlyFilePlaysWithoutVideoAndResumes)
{
    REQUIRE_SOUND_DEVICE();
    std::wstring path = Wide(UseFile("tone.wav", SilentWave(12)));
    Settings.StopPosition = 8;  // resume 3 seconds before, at 5 s
    GraphState.VideoChildWindow = (HWND)1;  // left over from an earlier file

    ResetPlayState(Start);
    ASSERT_EQ(StartGraph(Start, path.c_str()), 1) << Settings.ErrorText;
    EXPECT_EQ(Settings.ErrorCode, 0);
    EXPECT_TRUE(GraphState.Graph && GraphState.Control && GraphState.Events && GraphState.Seeking &&
                GraphState.VideoWindow && GraphState.BasicVideo && GraphState.BasicAudio);
    // One audio stream keeps no stream selector.
    EXPECT_TRUE(GraphState.StreamSelect == NULL);
    EXPECT_EQ(GraphState.VideoWidth, 0);
    EXPECT_EQ(GraphState.VideoHeight, 0);
    EXPECT_TRUE(GraphState.VideoChildWindow == NULL);
    EXPECT_NEAR((double)GraphState.StopPosition, (double)(12 * kSecond), (double)kSecond / 10);
    EXPECT_EQ(GraphState.CurrentPosition, 5 * kSecond);
    EXPECT_EQ(wcscmp(LastRenderedFile, path.c_str()), 0);

    StopGraph(TRUE);
    EXPECT_TRUE(NoInterfaces());
    EXPECT_TRUE(GraphState.PositionSaved);
    EXPECT_EQ(IniValue(ini, "PLAYING"), "tone.wav");
    int saved = atoi(IniValue(ini, "STOP_POSITION").c_str());
    EXPECT_GE(saved, 5);
    EXPECT_LE(saved, 7);

    // The position is recorded once per file: a second stop writes nothing.
    WritePrivateProfileStringA("VELMORA", "STOP_POSITION", "999", ini.c_str());
    StopGraph(TRUE);
    EXPECT_EQ(IniValue(ini, "STOP_POSITION"), "999");
}

TEST_F(GraphPlayTest, GarbageFileFailsWithRenderMessageAndReleasesAll)
{
    lstrcpyW(LastRenderedFile, L"Z:\\earlier.avi");
    std::string junk(4096, 'x');
    std::wstring path = Wide(UseFile("broken.avi", "RIFF" + junk));
    ResetPlayState(Step);
    EXPECT_EQ(StartGraph(Step, path.c_str()), 0);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FILEFAILED);
    const char* message = "フィルタグラフの作成：RenderFile の起動に失敗しました。(0x";
    EXPECT_EQ(strncmp(Settings.ErrorText, message, strlen(message)), 0) << Settings.ErrorText;
    EXPECT_TRUE(NoInterfaces());
    // The last file that did render stays the probe's file.
    EXPECT_EQ(wcscmp(LastRenderedFile, L"Z:\\earlier.avi"), 0);
}

}  // namespace

namespace {

// The video steps need a real window on a display.
class GraphVideoTest : public GraphPlayTest {
protected:
    void SetUp() override
    {
        GraphPlayTest::SetUp();
        DestroyWindow(MainWindow);
        MainWindow = CreateWindowExA(0, "GraphTestWindow", "graph", WS_POPUP | WS_VISIBLE, 0, 0,
                                     640, 480, NULL, NULL, GetModuleHandleA(NULL), NULL);
        if (!MainWindow) GTEST_SKIP() << "no display in this run";
    }

    RECT ChildRect(HWND child)
    {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(NULL, MainWindow, (POINT*)&rect, 2);
        return rect;
    }
};

TEST_F(GraphVideoTest, VideoWindowIsAChildCentredAtTheDisplaySize)
{
    std::wstring path = Wide(UseFile("plain.avi", PlainVideo(160, 120, 10, 5)));
    struct {
        BOOL specifySize;
        int percent;
        RECT rect;
    } cases[] = {
        {FALSE, 100, {0, 0, 640, 480}},
        {TRUE, 50, {280, 210, 360, 270}},
        {TRUE, 200, {160, 120, 480, 360}},
    };
    for (const auto& c : cases) {
        Settings.SpecifySize = c.specifySize;
        Settings.SizePercent = c.percent;
        ResetPlayState(Step);
        ASSERT_EQ(StartGraph(Step, path.c_str()), 1) << Settings.ErrorText;
        EXPECT_EQ(GraphState.VideoWidth, 160);
        EXPECT_EQ(GraphState.VideoHeight, 120);
        HWND child = GraphState.VideoChildWindow;
        ASSERT_TRUE(child != NULL);
        EXPECT_EQ(GetParent(child), MainWindow);
        EXPECT_TRUE(IsWindowVisible(child));
        RECT rect = ChildRect(child);
        EXPECT_EQ(rect.left, c.rect.left) << c.percent;
        EXPECT_EQ(rect.top, c.rect.top) << c.percent;
        EXPECT_EQ(rect.right, c.rect.right) << c.percent;
        EXPECT_EQ(rect.bottom, c.rect.bottom) << c.percent;

        // Stopping takes the renderer's window away from the main window.
        StopGraph(FALSE);
        EXPECT_TRUE(GetWindow(MainWindow, GW_CHILD) == NULL);
    }
}

TEST_F(GraphVideoTest, FileWithoutSoundPlaysMutedThoughVolumeIsNotImplemented)
{
    std::wstring path = Wide(UseFile("plain.avi", PlainVideo(160, 120, 10, 5)));
    Settings.Mute = TRUE;
    ResetPlayState(Step);
    ASSERT_EQ(StartGraph(Step, path.c_str()), 1) << Settings.ErrorText;
    ASSERT_TRUE(GraphState.BasicAudio != NULL);
    // No renderer takes a volume: the build accepted exactly this answer.
    EXPECT_EQ(GraphState.BasicAudio->put_Volume(0), E_NOTIMPL);
    EXPECT_EQ(Settings.ErrorCode, 0);
}

TEST_F(GraphVideoTest, VideoFileResumesAndRecordsItsStopOnce)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 60, 5)));
    Settings.StopPosition = 8;  // resume 3 seconds before, at 5 s
    ResetPlayState(Start);
    ASSERT_EQ(StartGraph(Start, path.c_str()), 1) << Settings.ErrorText;
    EXPECT_NEAR((double)GraphState.StopPosition, (double)(12 * kSecond), (double)kSecond / 10);
    EXPECT_EQ(GraphState.CurrentPosition, 5 * kSecond);

    StopGraph(TRUE);
    EXPECT_EQ(IniValue(ini, "PLAYING"), "clip.avi");
    int saved = atoi(IniValue(ini, "STOP_POSITION").c_str());
    EXPECT_GE(saved, 5);
    EXPECT_LE(saved, 7);
    WritePrivateProfileStringA("VELMORA", "STOP_POSITION", "999", ini.c_str());
    StopGraph(TRUE);
    EXPECT_EQ(IniValue(ini, "STOP_POSITION"), "999");
}

TEST_F(GraphVideoTest, PositionRecordedWhilePlayingLeavesPlayAndTheStopRecordsItsOwn)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 60, 5)));
    // Nothing plays yet: nothing to record.
    RecordPlayPosition();
    EXPECT_EQ(IniValue(ini, "PLAYING"), "");

    Settings.StopPosition = 8;  // resume at 5 s
    ResetPlayState(Start);
    ASSERT_EQ(StartGraph(Start, path.c_str()), 1) << Settings.ErrorText;
    RecordPlayPosition();
    EXPECT_EQ(IniValue(ini, "PLAYING"), "clip.avi");
    int recorded = atoi(IniValue(ini, "STOP_POSITION").c_str());
    EXPECT_GE(recorded, 5);
    EXPECT_LE(recorded, 7);
    EXPECT_FALSE(GraphState.PositionSaved);
    OAFilterState state = State_Stopped;
    ASSERT_TRUE(GraphState.Control != NULL);
    GraphState.Control->GetState(1000, &state);
    EXPECT_EQ(state, State_Running);

    LONGLONG later = 10 * kSecond;
    ASSERT_TRUE(SUCCEEDED(GraphState.Seeking->SetPositions(&later, AM_SEEKING_AbsolutePositioning, NULL,
                                                           AM_SEEKING_NoPositioning)));
    StopGraph(TRUE);
    int stopped = atoi(IniValue(ini, "STOP_POSITION").c_str());
    EXPECT_GE(stopped, 10);
    EXPECT_LE(stopped, 11);

    // After the stop has recorded, a late request changes nothing.
    RecordPlayPosition();
    EXPECT_EQ(atoi(IniValue(ini, "STOP_POSITION").c_str()), stopped);
}

TEST_F(GraphVideoTest, ResumeAtOrBeyondTheEndIsNotSought)
{
    std::wstring path = Wide(UseFile("short.avi", PlainVideo(64, 48, 10, 5)));
    Settings.StopPosition = 30;
    ResetPlayState(Start);
    ASSERT_EQ(StartGraph(Start, path.c_str()), 1) << Settings.ErrorText;
    EXPECT_EQ(GraphState.CurrentPosition, 0);
}

TEST_F(GraphVideoTest, FailedFileIsRecordedAtZero)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 60, 5)));
    Settings.StopPosition = 8;
    ResetPlayState(Start);
    ASSERT_EQ(StartGraph(Start, path.c_str()), 1);
    SetError(VLM_ERR_FILEFAILED, "x", 0);
    StopGraph(TRUE);
    EXPECT_EQ(IniValue(ini, "PLAYING"), "clip.avi");
    EXPECT_EQ(IniValue(ini, "STOP_POSITION"), "0");
}

TEST_F(GraphVideoTest, EntryStartBeyondTheFileFailsTheFile)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 10, 5)));
    entry.startSeconds = 5;
    ResetPlayState(Step);
    EXPECT_EQ(StartGraph(Step, path.c_str()), 0);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FILEFAILED);
    EXPECT_STREQ(Settings.ErrorText, "開始時間が全体の時間を越えています。");
    EXPECT_TRUE(NoInterfaces());
}

TEST_F(GraphVideoTest, EndOfFileIsReported)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 5, 5)));
    ResetPlayState(Step);
    ASSERT_EQ(StartGraph(Step, path.c_str()), 1);
    // The graph posts its notification to the main window; wait for it.
    bool complete = false;
    DWORD until = GetTickCount() + 10000;
    while (!complete && GetTickCount() < until) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_APP_GRAPHNOTIFY && msg.hwnd == MainWindow)
                complete = complete || DrainGraphEvents();
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
    EXPECT_TRUE(complete);
}

}  // namespace

namespace {

// ---- exceptions inside the build

int GraphCreations;
int FaultingCreations;  // this many creations fault before real ones

HRESULT FaultingCreate(IGraphBuilder** graph)
{
    GraphCreations++;
    if (GraphCreations <= FaultingCreations) {
        // A processor fault, as a broken decoder would raise it.
        volatile int* nowhere = NULL;
        *nowhere = 1;
    }
    return CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                            (void**)graph);
}

// A component that probes memory and catches its own fault.
HRESULT ProbingCreate(IGraphBuilder** graph)
{
    GraphCreations++;
    if (!IsBadReadPtr((void*)16, 4)) return E_UNEXPECTED;
    return CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                            (void**)graph);
}

HRESULT RefusingCreate(IGraphBuilder** graph)
{
    GraphCreations++;
    *graph = NULL;
    return E_OUTOFMEMORY;
}

class GraphGuardTest : public GraphVideoTest {
protected:
    void SetUp() override
    {
        GraphVideoTest::SetUp();
        if (IsSkipped()) return;
        GraphCreations = 0;
        FaultingCreations = 0;
        Settings.ExceptionLog = TRUE;
        Settings.ExceptionBeep = FALSE;
        lstrcpyA(LogFilePath, (folder + "\\VelmoraExp.log").c_str());
    }
    void TearDown() override
    {
        CreateGraphBuilder = saved;
        LogFilePath[0] = '\0';
        GraphVideoTest::TearDown();
    }
    HRESULT (*saved)(IGraphBuilder**) = CreateGraphBuilder;
};

TEST_F(GraphGuardTest, FaultThatRecursGivesUpAfterThreeAttempts)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 10, 5)));
    CreateGraphBuilder = FaultingCreate;
    FaultingCreations = 1000;
    ResetPlayState(Step);
    EXPECT_EQ(StartGraph(Step, path.c_str()), 0);
    EXPECT_EQ(GraphCreations, VLM_GUARD_MAX_ATTEMPTS);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FILEFAILED);
    EXPECT_STREQ(Settings.ErrorText, "フィルタグラフの構築中に例外が繰り返し発生しました。");
    EXPECT_TRUE(GraphState.Graph == NULL && GraphState.Control == NULL);
    EXPECT_EQ(ReadFileBytes(LogFilePath), "585 clip.avi\r\n585 clip.avi\r\n585 clip.avi\r\n");
}

TEST_F(GraphGuardTest, FaultOnceThenTheFreshStartPlays)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 10, 5)));
    CreateGraphBuilder = FaultingCreate;
    FaultingCreations = 1;
    ResetPlayState(Step);
    EXPECT_EQ(StartGraph(Step, path.c_str()), 1) << Settings.ErrorText;
    EXPECT_EQ(GraphCreations, 2);
    EXPECT_EQ(Settings.ErrorCode, 0);
    EXPECT_TRUE(GraphState.Graph != NULL);
    EXPECT_EQ(ReadFileBytes(LogFilePath), "585 clip.avi\r\n");
}

TEST_F(GraphGuardTest, FaultHandledByTheComponentPlaysWithoutALogLine)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 10, 5)));
    CreateGraphBuilder = ProbingCreate;
    ResetPlayState(Step);
    EXPECT_EQ(StartGraph(Step, path.c_str()), 1) << Settings.ErrorText;
    EXPECT_EQ(GraphCreations, 1);
    EXPECT_EQ(Settings.ErrorCode, 0);
    EXPECT_EQ(GetFileAttributesA(LogFilePath), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GraphGuardTest, FailingResultIsNoExceptionAndNotRetried)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 10, 5)));
    CreateGraphBuilder = RefusingCreate;
    ResetPlayState(Step);
    EXPECT_EQ(StartGraph(Step, path.c_str()), 0);
    EXPECT_EQ(GraphCreations, 1);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FILEFAILED);
    EXPECT_STREQ(Settings.ErrorText, "IGraphBuilderインターフェースの生成に失敗しました。(0x8007000e)");
    EXPECT_EQ(ReadFileBytes(LogFilePath), "");
}

}  // namespace

namespace {

// Handles of this process, counted by duplicating every handle value (the
// system's own count is not available everywhere).
DWORD CountOwnHandles()
{
    DWORD count = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) {
        HANDLE copy = NULL;
        if (DuplicateHandle(GetCurrentProcess(), (HANDLE)value, GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            count++;
            CloseHandle(copy);
        }
    }
    return count;
}

void PumpMessages(DWORD milliseconds)
{
    DWORD until = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    } while ((LONG)(until - GetTickCount()) > 0);
}

// The media graph of the platform may itself keep handles per graph; a bare
// create, render and release of the same file shows how many. The player's
// whole file change must keep no more than that.
TEST_F(GraphVideoTest, FileChangesKeepNoHandlesBeyondThePlatformsOwn)
{
    std::wstring path = Wide(UseFile("clip.avi", PlainVideo(64, 48, 10, 5)));
    const int kCycles = 20;

    auto bareCycle = [&]() {
        IGraphBuilder* graph = NULL;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER,
                                               IID_IGraphBuilder, (void**)&graph)));
        graph->RenderFile(path.c_str(), NULL);
        graph->Release();
    };
    auto playerCycle = [&]() {
        ResetPlayState(Step);
        ASSERT_EQ(StartGraph(Step, path.c_str()), 1) << Settings.ErrorText;
        PumpMessages(50);
        StopGraph(TRUE);
    };
    for (int i = 0; i < 3; i++) {  // first use of every code path
        bareCycle();
        playerCycle();
    }

    DWORD before = CountOwnHandles();
    for (int i = 0; i < kCycles; i++) bareCycle();
    long platform = (long)CountOwnHandles() - (long)before;

    before = CountOwnHandles();
    for (int i = 0; i < kCycles; i++) playerCycle();
    long player = (long)CountOwnHandles() - (long)before;

    EXPECT_LE(player, platform + 10) << "platform keeps " << platform << " for " << kCycles
                                     << " graphs";
}

}  // namespace
