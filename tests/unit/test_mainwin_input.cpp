// Input rules of the main window: debounce, folder keys, mouse reach, digit
// keys, and the playlist placement the P key cycles through.
#include <gtest/gtest.h>
#include <objbase.h>
#include <string.h>
#include <string>
#include <vector>
#include "support_ini.h"
#include "support_media.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

namespace {

struct DebounceCase {
    DWORD now, last;
    BOOL ignored;
};

const DebounceCase kDebounceCases[] = {
    {1000, 1000, TRUE},        {1499, 1000, TRUE},       {1500, 1000, FALSE},
    {9000, 1000, FALSE},       {400, 0, TRUE},           {500, 0, FALSE},
    // The tick count wraps after 49.7 days.
    {100, 0xFFFFFF00u, TRUE},  {300, 0xFFFFFF00u, FALSE}, {0, 0xFFFFFE0Du, TRUE},
    {0, 0xFFFFFE0Cu, FALSE},
};

class DebounceTest : public ::testing::TestWithParam<DebounceCase> {};

TEST_P(DebounceTest, FiveHundredMilliseconds)
{
    const DebounceCase& c = GetParam();
    EXPECT_EQ(KeyDebounced(c.now, c.last), c.ignored) << c.now << " after " << c.last;
}

INSTANTIATE_TEST_SUITE_P(Ticks, DebounceTest, ::testing::ValuesIn(kDebounceCases));

struct FolderKeyCase {
    int key;
    BOOL shift, ctrl;
    int number;
};

const FolderKeyCase kFolderKeyCases[] = {
    {VK_F1, FALSE, FALSE, 1},   {VK_F12, FALSE, FALSE, 12}, {VK_F1, TRUE, FALSE, 13},
    {VK_F12, TRUE, FALSE, 24},  {VK_F1, FALSE, TRUE, 25},   {VK_F1, TRUE, TRUE, 37},
    {VK_F12, TRUE, TRUE, 48},   {VK_F4, FALSE, FALSE, 4},   {VK_F13, FALSE, FALSE, 13},
    {VK_F24, FALSE, FALSE, 24}, {VK_F13, TRUE, FALSE, 13},  {VK_F13, FALSE, TRUE, 37},
    {VK_F24, TRUE, TRUE, 48},   {VK_F1 - 1, FALSE, FALSE, 0}, {VK_F24 + 1, TRUE, TRUE, 0},
    {'A', FALSE, FALSE, 0},
};

class FolderKeyTest : public ::testing::TestWithParam<FolderKeyCase> {};

TEST_P(FolderKeyTest, NumberOfPinnedFolder)
{
    const FolderKeyCase& c = GetParam();
    EXPECT_EQ(FolderKeyNumber(c.key, c.shift, c.ctrl), c.number)
        << "key " << c.key << " shift " << c.shift << " ctrl " << c.ctrl;
}

INSTANTIATE_TEST_SUITE_P(Keys, FolderKeyTest, ::testing::ValuesIn(kFolderKeyCases));

struct ReachCase {
    int x, y, reach;
    BOOL within;
};

// Centre (512, 384).
const ReachCase kReachCases[] = {
    {512, 384, 0, TRUE},   {513, 384, 0, FALSE},  {512, 383, 0, FALSE},
    {612, 484, 100, TRUE}, {412, 284, 100, TRUE}, {613, 384, 100, FALSE},
    {512, 283, 100, FALSE}, {611, 283, 100, FALSE}, {0, 0, 999, TRUE},
    {1511, 384, 999, TRUE}, {1512, 384, 999, FALSE},
};

class ReachTest : public ::testing::TestWithParam<ReachCase> {};

TEST_P(ReachTest, SquareAroundTheCentre)
{
    const ReachCase& c = GetParam();
    POINT centre = {512, 384};
    POINT at = {c.x, c.y};
    EXPECT_EQ(MouseWithinReach(centre, at, c.reach), c.within) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(Points, ReachTest, ::testing::ValuesIn(kReachCases));

// MOUSE_WIDTH is a distance at 100 %: the cursor travels as far at any scaling.
TEST(ReachAtDpi, OneRowPerScaling)
{
    const struct { int dpi, reach; } cases[] = {{96, 100}, {120, 125}, {144, 150}, {192, 200}};
    for (const auto& c : cases) EXPECT_EQ(MouseReach(100, c.dpi), c.reach) << c.dpi;
}

TEST(DigitKeys, SlotsOfMainAndKeypadDigits)
{
    const int main[] = {9, 0, 1, 2, 3, 4, 5, 6, 7, 8};  // keys '0'..'9'
    for (int digit = 0; digit <= 9; digit++) {
        EXPECT_EQ(DigitKeySlot('0' + digit), main[digit]) << digit;
        EXPECT_EQ(DigitKeySlot(VK_NUMPAD0 + digit), main[digit]) << digit;
    }
    EXPECT_EQ(DigitKeySlot('0' - 1), -1);
    EXPECT_EQ(DigitKeySlot('A'), -1);
    EXPECT_EQ(DigitKeySlot(VK_NUMPAD9 + 1), -1);
}

struct PlaylistCase {
    int position;
    BOOL leftSide;
    int screenW, screenH;
    RECT rect;
    int shown;
};

const PlaylistCase kPlaylistCases[] = {
    {1, FALSE, 1024, 768, {768, 0, 1024, 768}, 1},  {2, FALSE, 1024, 768, {512, 0, 1024, 768}, 1},
    {3, FALSE, 1024, 768, {256, 0, 1024, 768}, 1},  {4, FALSE, 1024, 768, {0, 0, 1024, 768}, 1},
    {0, FALSE, 1024, 768, {768, 0, 1024, 768}, 0},  {1, TRUE, 1024, 768, {0, 0, 256, 768}, 1},
    {3, TRUE, 1024, 768, {0, 0, 768, 768}, 1},      {4, TRUE, 1024, 768, {0, 0, 1024, 768}, 1},
    // A width that is not a multiple of 4 leaves the panel short of the edge.
    {1, FALSE, 1023, 600, {765, 0, 1020, 600}, 1},  {3, FALSE, 1023, 600, {255, 0, 1020, 600}, 1},
};

class PlaylistPlaceTest : public ::testing::TestWithParam<PlaylistCase> {};

TEST_P(PlaylistPlaceTest, RectangleByPosition)
{
    const PlaylistCase& c = GetParam();
    RECT rect = {-1, -1, -1, -1};
    EXPECT_EQ(CalcPlaylistRect(c.position, c.leftSide, c.screenW, c.screenH, &rect), c.shown);
    EXPECT_EQ(rect.left, c.rect.left);
    EXPECT_EQ(rect.top, c.rect.top);
    EXPECT_EQ(rect.right, c.rect.right);
    EXPECT_EQ(rect.bottom, c.rect.bottom);
}

INSTANTIATE_TEST_SUITE_P(Positions, PlaylistPlaceTest, ::testing::ValuesIn(kPlaylistCases));

// ---- the message loop

// Scripted GetMessageA: each call takes the next row, writes its message
// (garbage for a failure, as a failing call may leave) and gives its result.
struct LoopStep {
    BOOL result;
    UINT message;
    WPARAM wParam;
};
std::vector<LoopStep> LoopScript;
size_t LoopCalls;

BOOL WINAPI ScriptedGetMessage(LPMSG msg, HWND, UINT, UINT)
{
    const LoopStep& step = LoopScript[LoopCalls++];
    if (step.result < 0) {
        memset(msg, 0xCD, sizeof(*msg));
    } else {
        ZeroMemory(msg, sizeof(*msg));
        msg->message = step.message;
        msg->wParam = step.wParam;
    }
    return step.result;
}

TEST(MessageLoop, QuitCodeOnlyFromTheQuitMessage)
{
    struct {
        const char* what;
        std::vector<LoopStep> script;
        int code;
    } cases[] = {
        {"quit", {{0, WM_QUIT, 7}}, 7},
        {"messages, then quit", {{1, WM_NULL, 99}, {1, WM_NULL, 5}, {0, WM_QUIT, 3}}, 3},
        {"failing at once", {{-1, 0, 0}}, 0},
        {"failing after a message", {{1, WM_NULL, 99}, {-1, 0, 0}}, 0},
    };
    for (const auto& c : cases) {
        LoopScript = c.script;
        LoopCalls = 0;
        GetLoopMessage = ScriptedGetMessage;
        EXPECT_EQ(RunMessageLoop(), c.code) << c.what;
        EXPECT_EQ(LoopCalls, c.script.size()) << c.what;
    }
    GetLoopMessage = GetMessageA;

    // The real one: the code posted with the quit message.
    PostQuitMessage(12);
    EXPECT_EQ(RunMessageLoop(), 12);
}

// ---- the end of the session

std::string EndSessionIni, StopPositionAtTeardown;

// The main window's procedure, with a look at the settings file when the
// teardown begins: the system may kill a process that tears down slowly.
LRESULT CALLBACK EndSessionWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) StopPositionAtTeardown = IniValue(EndSessionIni, "STOP_POSITION");
    if (message == WM_ENDSESSION || message == WM_DESTROY) return MainWindowProc(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(EndSession, ResumePointIsWrittenBeforeTheTeardown)
{
    CoInitialize(NULL);
    std::string folder = MakeTestFolder("endsession");
    WriteFileBytes(folder + "\\b.avi", PlainVideo(64, 48, 60, 5));  // 12 s
    EndSessionIni = folder + "\\Velmora.ini";
    WriteFileBytes(EndSessionIni, IniText({{"DIRNAME", folder}, {"PLAYING", "b.avi"}, {"STOP_POSITION", "8"}}));
    ZeroMemory(&Settings, sizeof(Settings));
    Settings.Heap = GetProcessHeap();
    ZeroMemory(&MediaFileList, sizeof(MediaFileList));
    ZeroMemory(&GraphState, sizeof(GraphState));
    ASSERT_EQ(LoadSettingsFrom(EndSessionIni.c_str(), 0), 1) << Settings.ErrorText;
    ScreenMode.ScreenWidth = 640;
    ScreenMode.ScreenHeight = 480;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = EndSessionWindow;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "EndSessionTestWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "end", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, NULL, NULL,
                                  wc.hInstance, NULL);
    ASSERT_TRUE(window != NULL);
    MainWindow = window;
    ASSERT_EQ(PlayFile(Start, 0), 1) << Settings.ErrorText;  // resumes at 5 s

    SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(IsWindow(window));
    int seen = atoi(StopPositionAtTeardown.c_str());
    EXPECT_TRUE(seen >= 5 && seen < 8) << StopPositionAtTeardown;
    EXPECT_EQ(IniValue(EndSessionIni, "PLAYING"), "b.avi");
    EXPECT_TRUE(GraphState.Graph == NULL);
    RemoveTree(folder);
    CoUninitialize();
}

}  // namespace
