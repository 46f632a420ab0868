// The play driver on real folders of plain video files: which file each
// request plays, from where, and what it records. The paths that ask the
// user are covered by the playback tests under a display.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "support_ini.h"
#include "support_media.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_mainwin.h"
#include "vlm_util.h"

namespace {

const LONGLONG kSecond = VLM_UNITS_PER_SECOND;

class PlayDriverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(NULL); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override
    {
        root = MakeTestFolder("driver");
        first = root + "\\first";
        pinned = root + "\\pinned";
        CreateDirectoryA(first.c_str(), NULL);
        CreateDirectoryA(pinned.c_str(), NULL);
        // Twelve seconds each: long enough for every resume point used here.
        std::string clip = PlainVideo(64, 48, 60, 5);
        for (const char* name : {"c.avi", "a.avi", "b.avi"}) WriteFileBytes(first + "\\" + name, clip);
        WriteFileBytes(pinned + "\\y.avi", clip);

        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof(wc));
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "DriverTestWindow";
        RegisterClassA(&wc);
        MainWindow = CreateWindowExA(0, "DriverTestWindow", "driver", WS_POPUP | WS_VISIBLE, 0, 0,
                                     640, 480, NULL, NULL, wc.hInstance, NULL);
        if (!MainWindow) GTEST_SKIP() << "no display in this run";
    }

    void TearDown() override
    {
        StopGraph(FALSE);
        FreeMediaList();
        if (MainWindow) DestroyWindow(MainWindow);
        MainWindow = NULL;
    }

    // Loads the settings from an INI with these keys, as the player would.
    void Load(const IniPairs& pairs)
    {
        ini = root + "\\Velmora.ini";
        WriteFileBytes(ini, IniText(pairs));
        ZeroMemory(&Settings, sizeof(Settings));
        Settings.Heap = GetProcessHeap();
        ZeroMemory(&MediaFileList, sizeof(MediaFileList));
        ZeroMemory(&GraphState, sizeof(GraphState));
        ASSERT_EQ(LoadSettingsFrom(ini.c_str(), 0), 1) << Settings.ErrorText;
        ScreenMode.ScreenWidth = 640;
        ScreenMode.ScreenHeight = 480;
    }

    std::string Current() { return MediaFileList.current ? MediaFileList.current->name : "<none>"; }

    std::string root, first, pinned, ini;
};

TEST_F(PlayDriverTest, StartResumesTheRecordedFileThreeSecondsEarlier)
{
    Load({{"DIRNAME", first}, {"PLAYING", "b.avi"}, {"STOP_POSITION", "8"}});
    ASSERT_EQ(PlayFile(Start, 0), 1) << Settings.ErrorText;
    EXPECT_EQ(Current(), "b.avi");
    EXPECT_EQ(GraphState.CurrentPosition, 5 * kSecond);
    EXPECT_TRUE(GraphState.Graph != NULL);
}

TEST_F(PlayDriverTest, StepsMoveInNameOrderAndWrapFromTheStart)
{
    Load({{"DIRNAME", first}, {"PLAYING", "b.avi"}, {"STOP_POSITION", "8"}});
    ASSERT_EQ(PlayFile(Start, 0), 1);
    const char* expected[][2] = {{"1", "c.avi"}, {"1", "a.avi"}, {"0", "c.avi"}, {"0", "b.avi"}};
    for (const auto& e : expected) {
        StopGraph(FALSE);
        ASSERT_EQ(PlayFile(Step, atoi(e[0])), 1) << Settings.ErrorText;
        EXPECT_EQ(Current(), e[1]);
        // Only the start-type requests resume.
        EXPECT_EQ(GraphState.CurrentPosition, 0);
    }
    StopGraph(FALSE);
    ASSERT_EQ(PlayFile(ByNumber, 3), 1);
    EXPECT_EQ(Current(), "c.avi");
}

TEST_F(PlayDriverTest, EndOfFileKeepsALoopingRangeAndStartsAtA)
{
    Load({{"DIRNAME", first}, {"CONTINUOUS_PLAY", "FALSE"}});
    ASSERT_EQ(PlayFile(Start, 0), 1);
    EXPECT_EQ(Current(), "a.avi");
    GraphState.ABLoopState = 2;
    GraphState.ABStart = 2 * kSecond + 5000000;
    GraphState.ABEnd = 4 * kSecond;
    StopGraph(FALSE);
    ASSERT_EQ(PlayFile(AtEnd, 0), 1) << Settings.ErrorText;
    EXPECT_EQ(Current(), "a.avi");
    EXPECT_EQ(GraphState.ABLoopState, 2);
    EXPECT_EQ(GraphState.CurrentPosition, 2 * kSecond + 5000000);

    // Any other request clears the range.
    StopGraph(FALSE);
    ASSERT_EQ(PlayFile(Step, 1), 1);
    EXPECT_EQ(Current(), "b.avi");
    EXPECT_EQ(GraphState.ABLoopState, 0);
    EXPECT_EQ(GraphState.CurrentPosition, 0);
}

TEST_F(PlayDriverTest, PinnedFolderBecomesTheFolderAndResumesItsFile)
{
    Load({{"DIRNAME", first},
          {"PLAYING", "a.avi"},
          {"STOP_POSITION", "4"},
          {"HISTORY_DIRNAME01", pinned},
          {"HISTORY_FILENAME01", "y.avi"},
          {"HISTORY_STOPPOSITION01", "6"},
          {"HISTORY_FIXFLAG01", "TRUE"},
          {"HISTORY_DIRNAME02", first},
          {"HISTORY_FILENAME02", "a.avi"},
          {"HISTORY_STOPPOSITION02", "4"},
          {"HISTORY_FIXFLAG02", "FALSE"}});
    ASSERT_EQ(PlayFile(Start, 0), 1);
    EXPECT_EQ(Current(), "a.avi");

    int slot = FindSlot(HistoryLive, NthPinned, 1, -1, 1);
    ASSERT_GE(slot, 0);
    StopGraph(TRUE);
    ASSERT_EQ(PlayFile(HistorySwitch, slot), 1) << Settings.ErrorText;
    EXPECT_EQ(Current(), "y.avi");
    EXPECT_EQ(GraphState.CurrentPosition, 3 * kSecond);
    EXPECT_STREQ(Settings.DirName, pinned.c_str());
    EXPECT_FALSE(Settings.ProgramPlay);
    EXPECT_EQ(IniValue(ini, "DIRNAME"), pinned);
    EXPECT_EQ(IniValue(ini, "PLAYING"), "y.avi");
    // The folder left behind keeps the file that was playing there.
    EXPECT_EQ(IniValue(ini, "HISTORY_FILENAME02"), "a.avi");
}

TEST_F(PlayDriverTest, ProgramSwitchPlaysTheListFromItsResumePoint)
{
    Load({{"DIRNAME", first},
          {"PROGRAM_FILENAME01", first + "\\c.avi"},
          {"PROGRAM_FILENAME02", pinned + "\\y.avi"},
          {"PROGRAM_PLAY_NO", "2"},
          {"PROGRAM_STOPPOSITION", "7"}});
    ASSERT_TRUE(Settings.ProgramListNonEmpty);
    ASSERT_EQ(PlayFile(Start, 0), 1);
    StopGraph(TRUE);
    ASSERT_EQ(PlayFile(ProgramSwitch, 0), 1) << Settings.ErrorText;
    EXPECT_TRUE(Settings.ProgramPlay);
    EXPECT_STREQ(Settings.DirName, "");
    EXPECT_EQ(Current(), "y.avi");
    EXPECT_EQ(GraphState.CurrentPosition, 4 * kSecond);
    EXPECT_EQ(IniValue(ini, "PROGRAM_PLAY"), "TRUE");
    EXPECT_EQ(IniValue(ini, "DIRNAME"), "");

    // Stopping in program play records the entry and its position.
    StopGraph(TRUE);
    EXPECT_EQ(IniValue(ini, "PROGRAM_PLAY_NO"), "2");
    int seconds = atoi(IniValue(ini, "PROGRAM_STOPPOSITION").c_str());
    EXPECT_GE(seconds, 4);
    EXPECT_LE(seconds, 6);
}

// Counts the questions (dialog windows) created on this thread and refuses
// them, so that a question fails at once instead of waiting for a user.
int QuestionsAsked;

LRESULT CALLBACK RefuseQuestions(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        char name[16] = "";
        GetClassNameA((HWND)wParam, name, sizeof(name));
        if (lstrcmpA(name, "#32770") == 0) {
            QuestionsAsked++;
            return 1;
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

// A list or selection failure with code -1 ends the screensaver with its
// message and never asks; codes 1 to 4 ask.
TEST_F(PlayDriverTest, FatalListOrSelectionFailureEndsWithoutAQuestion)
{
    Load({{"DIRNAME", first}});
    // A heap filled up to the last entry-sized block: the scan's first
    // entry finds no room.
    HANDLE full = HeapCreate(0, 0, 256 * 1024);
    ASSERT_TRUE(full != NULL);
    while (HeapAlloc(full, 0, sizeof(MediaFileEntry)) != NULL) {
    }

    struct Case {
        const char* what;
        HANDLE heap;
        int kind, index;
        const char* dirName;
        int code;
        const char* text;
        int questions;
    } cases[] = {
        {"no memory for the list", full, Start, 0, NULL, VLM_ERR_FATAL, "メモリ不足あるいはヒープコラプション発生", 0},
        {"no such number", GetProcessHeap(), ByNumber, 9, NULL, VLM_ERR_FATAL,
         "指定のファイル番号の動画が見つかりません。", 0},
        {"missing folder", GetProcessHeap(), Start, 0, "Z:\\no such folder", VLM_ERR_NONE, "", 1},
    };
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseQuestions, NULL, GetCurrentThreadId());
    ASSERT_TRUE(hook != NULL);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Load({{"DIRNAME", c.dirName ? std::string(c.dirName) : first}});
        Settings.Heap = c.heap;
        QuestionsAsked = 0;
        EXPECT_EQ(PlayFile(c.kind, c.index), 0);
        EXPECT_EQ(QuestionsAsked, c.questions);
        EXPECT_EQ(Settings.ErrorCode, c.code);
        // The allocation failure may carry the system's code after the text.
        EXPECT_EQ(std::string(Settings.ErrorText).rfind(c.text, 0), 0u) << Settings.ErrorText;
        EXPECT_TRUE(GraphState.Graph == NULL);
        FreeMediaList();
    }
    UnhookWindowsHookEx(hook);
    Settings.Heap = GetProcessHeap();
    HeapDestroy(full);
}

}  // namespace
