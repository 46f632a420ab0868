// The media graph on real files: a sound-only file the test writes itself
// and a file that is no media at all.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <windows.h>
#include <mmsystem.h>
#include "support_ini.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

namespace {

const LONGLONG kSecond = VLM_UNITS_PER_SECOND;

void PutLE(std::string& out, unsigned value, int bytes)
{
    for (int i = 0; i < bytes; i++) out.push_back((char)((value >> (8 * i)) & 0xFF));
}

// A PCM WAV file of silence: 8 kHz, mono, 8 bits.
std::string SilentWave(int seconds)
{
    unsigned samples = 8000u * (unsigned)seconds;
    std::string wav = "RIFF";
    PutLE(wav, 36 + samples, 4);
    wav += "WAVEfmt ";
    PutLE(wav, 16, 4);
    PutLE(wav, 1, 2);     // PCM
    PutLE(wav, 1, 2);     // mono
    PutLE(wav, 8000, 4);  // samples per second
    PutLE(wav, 8000, 4);  // bytes per second
    PutLE(wav, 1, 2);     // block align
    PutLE(wav, 8, 2);     // bits per sample
    wav += "data";
    PutLE(wav, samples, 4);
    wav.append(samples, (char)0x80);
    return wav;
}

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

TEST_F(GraphPlayTest, ResumeAtOrBeyondTheEndIsNotSought)
{
    REQUIRE_SOUND_DEVICE();
    std::wstring path = Wide(UseFile("short.wav", SilentWave(2)));
    Settings.StopPosition = 30;
    ResetPlayState(Start);
    ASSERT_EQ(StartGraph(Start, path.c_str()), 1) << Settings.ErrorText;
    EXPECT_EQ(GraphState.CurrentPosition, 0);
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

TEST_F(GraphPlayTest, FailedFileIsRecordedAtZero)
{
    REQUIRE_SOUND_DEVICE();
    std::wstring path = Wide(UseFile("tone.wav", SilentWave(12)));
    Settings.StopPosition = 8;
    ResetPlayState(Start);
    ASSERT_EQ(StartGraph(Start, path.c_str()), 1);
    SetError(VLM_ERR_FILEFAILED, "x", 0);
    StopGraph(TRUE);
    EXPECT_EQ(IniValue(ini, "PLAYING"), "tone.wav");
    EXPECT_EQ(IniValue(ini, "STOP_POSITION"), "0");
}

TEST_F(GraphPlayTest, EntryStartBeyondTheFileFailsTheFile)
{
    REQUIRE_SOUND_DEVICE();
    std::wstring path = Wide(UseFile("tone.wav", SilentWave(2)));
    entry.startSeconds = 5;
    ResetPlayState(Step);
    EXPECT_EQ(StartGraph(Step, path.c_str()), 0);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FILEFAILED);
    EXPECT_STREQ(Settings.ErrorText, "開始時間が全体の時間を越えています。");
    EXPECT_TRUE(NoInterfaces());
}

TEST_F(GraphPlayTest, EndOfFileIsReported)
{
    REQUIRE_SOUND_DEVICE();
    std::wstring path = Wide(UseFile("tone.wav", SilentWave(1)));
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
