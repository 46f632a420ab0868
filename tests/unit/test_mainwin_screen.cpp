// Creation and destruction work of the main window: the three companions
// with their classes and owner, the timer, the log path, and the mirror
// destruction; the companion toggles.
#include <gtest/gtest.h>
#include <string>
#include "Quorlin.h"
#include "support_ini.h"
#include "vlm_dx.h"
#include "vlm_global.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

namespace {

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

RECT RectOf(HWND window)
{
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(window, &rect);
    return rect;
}

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(MakeTestFolder("screen") + "\\Velmora.ini");
        Settings.Instance = GetModuleHandleA(NULL);
        Settings.DispFontSize = 30;
        Settings.PlaylistFontSize = 12;
        Settings.MonitorPower = TRUE;  // leave the test machine's power state alone
        ZeroMemory(&GraphState, sizeof(GraphState));
        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof(wc));
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = Settings.Instance;
        wc.lpszClassName = "ScreenTestMain";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "ScreenTestMain", "main", WS_POPUP, 0, 0, 200, 100, NULL, NULL,
                                 wc.hInstance, NULL);
        if (!window) GTEST_SKIP() << "no display in this run";
    }

    void TearDown() override
    {
        if (window) DestroyWindow(window);
        MainWindow = NULL;
    }

    HWND window = NULL;
};

TEST_F(ScreenTest, CreatesCompanionsOwnedByTheMainWindowAndDestroysThem)
{
    ASSERT_EQ(CreateScreen(window), 1) << Settings.ErrorText;
    EXPECT_EQ(MainWindow, window);
    EXPECT_EQ(Settings.ErrorCode, 0);

    // The log lies beside the program.
    char expected[VLM_PATH_CHARS];
    ASSERT_TRUE(ProgramDirPath("VelmoraExp.log", expected));
    EXPECT_STREQ(LogFilePath, expected);

    struct {
        HWND companion;
        const char* cls;
    } companions[] = {
        {StatusOverlay, "FrontWindowClass"},
        {PlaylistWindow, "PlaylistWindowClass"},
        {KeyHelpWindow, "KeyHelpWindowClass"},
    };
    for (const auto& c : companions) {
        ASSERT_TRUE(c.companion != NULL) << c.cls;
        EXPECT_EQ(ClassOf(c.companion), c.cls);
        EXPECT_EQ(GetWindow(c.companion, GW_OWNER), window) << c.cls;
        EXPECT_TRUE(GetWindowLongA(c.companion, GWL_EXSTYLE) & WS_EX_TOPMOST) << c.cls;
        // Hidden: no overlay, no playlist, no key help asked for.
        EXPECT_FALSE(IsWindowVisible(c.companion)) << c.cls;
    }

    // PlayTimer runs on the main window: killing it succeeds only if it exists.
    EXPECT_TRUE(KillTimer(window, VLM_PLAY_TIMER));
    SetTimer(window, VLM_PLAY_TIMER, VLM_PLAY_TIMER_MS, NULL);

    HWND overlay = StatusOverlay, playlist = PlaylistWindow, keyHelp = KeyHelpWindow;
    DestroyScreen();
    EXPECT_TRUE(StatusOverlay == NULL && PlaylistWindow == NULL && KeyHelpWindow == NULL);
    EXPECT_FALSE(IsWindow(overlay));
    EXPECT_FALSE(IsWindow(playlist));
    EXPECT_FALSE(IsWindow(keyHelp));
    EXPECT_FALSE(KillTimer(window, VLM_PLAY_TIMER));

    // Undoing twice is harmless, and the screen can be made again.
    DestroyScreen();
    ASSERT_EQ(CreateScreen(window), 1) << Settings.ErrorText;
    DestroyScreen();
}

TEST_F(ScreenTest, DisplayKeptOnWhilePlayingUnlessMonitorPower)
{
    // SetThreadExecutionState gives the state before it: a probe that sets
    // a state of its own shows what creation and destruction asked for.
    const EXECUTION_STATE probe = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
    struct {
        BOOL monitorPower;
        EXECUTION_STATE whilePlaying, afterDestroy;
    } rows[] = {
        {FALSE, ES_CONTINUOUS | ES_DISPLAY_REQUIRED, ES_CONTINUOUS},   // 0x80000002, 0x80000000
        {TRUE, probe, probe},                                          // left alone
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.monitorPower);
        Settings.MonitorPower = r.monitorPower;
        SetThreadExecutionState(probe);
        ASSERT_EQ(CreateScreen(window), 1) << Settings.ErrorText;
        EXPECT_EQ(SetThreadExecutionState(probe), r.whilePlaying);
        DestroyScreen();
        EXPECT_EQ(SetThreadExecutionState(probe), r.afterDestroy);
    }
    SetThreadExecutionState(ES_CONTINUOUS);
}

TEST_F(ScreenTest, CompanionsShownAtStartAsTheSettingsSay)
{
    Settings.DispFilename = TRUE;
    Settings.PlaylistPosition = 2;
    ASSERT_EQ(CreateScreen(window), 1) << Settings.ErrorText;
    EXPECT_TRUE(IsWindowVisible(StatusOverlay));
    EXPECT_TRUE(IsWindowVisible(PlaylistWindow));
    RECT expected;
    CalcPlaylistRect(2, FALSE, (int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight, &expected);
    RECT actual = RectOf(PlaylistWindow);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
    EXPECT_FALSE(IsWindowVisible(KeyHelpWindow));
    DestroyScreen();
}

TEST_F(ScreenTest, TogglesChangeMemoryAndVisibility)
{
    ASSERT_EQ(CreateScreen(window), 1) << Settings.ErrorText;

    EXPECT_EQ(ToggleStatusOverlay(), 1);
    EXPECT_TRUE(Settings.DispFilename);
    EXPECT_TRUE(IsWindowVisible(StatusOverlay));
    EXPECT_EQ(ToggleStatusOverlay(), 1);
    EXPECT_FALSE(Settings.DispFilename);
    EXPECT_FALSE(IsWindowVisible(StatusOverlay));

    EXPECT_EQ(ToggleKeyHelp(), 1);
    EXPECT_TRUE(KeyHelpShown);
    EXPECT_TRUE(IsWindowVisible(KeyHelpWindow));
    EXPECT_EQ(ToggleKeyHelp(), 1);
    EXPECT_FALSE(KeyHelpShown);
    EXPECT_FALSE(IsWindowVisible(KeyHelpWindow));

    int width = (int)ScreenMode.ScreenWidth, height = (int)ScreenMode.ScreenHeight;
    for (int position : {1, 2, 3, 4, 0, 1}) {
        EXPECT_EQ(CyclePlaylistSize(), 1);
        EXPECT_EQ(Settings.PlaylistPosition, position);
        EXPECT_EQ(IsWindowVisible(PlaylistWindow) != FALSE, position != 0) << position;
        if (position == 0) continue;
        RECT expected, actual = RectOf(PlaylistWindow);
        CalcPlaylistRect(position, FALSE, width, height, &expected);
        EXPECT_EQ(actual.left, expected.left) << position;
        EXPECT_EQ(actual.right, expected.right) << position;
    }
    // Toggles never write the settings file.
    EXPECT_EQ(IniValue(Settings.SettingsPath, "DISP_FILENAME"), "<absent>");
    EXPECT_EQ(IniValue(Settings.SettingsPath, "PLAYLIST_POSITION"), "<absent>");
    DestroyScreen();
}

TEST_F(ScreenTest, KeyHelpIsCentredInItsSizeClass)
{
    ASSERT_EQ(CreateScreen(window), 1) << Settings.ErrorText;
    int width = (int)ScreenMode.ScreenWidth, height = (int)ScreenMode.ScreenHeight;
    RECT rect = RectOf(KeyHelpWindow);
    EXPECT_EQ(rect.right - rect.left, KeyHelpWidth);
    EXPECT_EQ(rect.bottom - rect.top, KeyHelpHeight);
    EXPECT_EQ(rect.left, width >= KeyHelpWidth ? (width - KeyHelpWidth) / 2 : 0);
    EXPECT_EQ(rect.top, height >= KeyHelpHeight ? (height - KeyHelpHeight) / 2 : 0);
    DestroyScreen();
}

struct KeyHelpCase {
    DWORD screenW, screenH;
    int width, height;
};

const KeyHelpCase kKeyHelpCases[] = {
    {1024, 768, 800, 600}, {800, 600, 800, 600}, {799, 600, 512, 384}, {640, 480, 512, 384},
    {512, 384, 512, 384},  {511, 384, 320, 230}, {320, 240, 320, 230}, {319, 240, 320, 200},
    {300, 200, 320, 200},  {1920, 500, 512, 384},
};

class KeyHelpClassTest : public ::testing::TestWithParam<KeyHelpCase> {};

TEST_P(KeyHelpClassTest, SizeClassByScreen)
{
    const KeyHelpCase& c = GetParam();
    ScreenMode.ScreenWidth = c.screenW;
    ScreenMode.ScreenHeight = c.screenH;
    LayoutKeyHelp();
    EXPECT_EQ(KeyHelpWidth, c.width) << c.screenW << "x" << c.screenH;
    EXPECT_EQ(KeyHelpHeight, c.height) << c.screenW << "x" << c.screenH;
}

INSTANTIATE_TEST_SUITE_P(Screens, KeyHelpClassTest, ::testing::ValuesIn(kKeyHelpCases));

}  // namespace
