// Creation and destruction work of the main window: the three companions
// with their classes and owner, the timer, the log path, and the mirror
// destruction; the companion toggles; the monitor that plays, the covers of
// the others and the mode choice on the playing monitor's own device.
#include <gtest/gtest.h>
#include <string>
#include <vector>
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

    // The log lies beside the settings file in use.
    std::string ini = Settings.SettingsPath;
    EXPECT_EQ(std::string(LogFilePath), ini.substr(0, ini.rfind('\\') + 1) + "VelmoraExp.log");

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

// ---- several monitors

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(Monitors, PlayMonitorByNumberMainFirstOthersInSystemOrder)
{
    // Main, right of it; a 1280x1024 left of the main one (negative origin).
    const RECT wide[] = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}, {-1280, 0, 0, 1024}};
    // The main monitor listed second.
    const RECT mainSecond[] = {{-800, 0, 0, 600}, {0, 0, 1024, 768}};
    struct {
        const RECT* rects;
        int count, mainIndex, setting, index;
    } cases[] = {
        {wide, 3, 0, 0, 0},  {wide, 3, 0, 1, 0},       {wide, 3, 0, 2, 1},
        {wide, 3, 0, 3, 2},  {wide, 3, 0, 4, 0},       {wide, 3, 0, 99, 0},  // gone: the main one
        {mainSecond, 2, 1, 0, 1}, {mainSecond, 2, 1, 2, 0}, {mainSecond, 2, 1, 3, 1},
        {wide, 1, 0, 2, 0},  {wide, 0, 0, 0, -1},                            // no list at all
    };
    for (const auto& c : cases) {
        int index = PlayMonitorIndex(c.count, c.mainIndex, c.setting);
        EXPECT_EQ(index, c.index) << c.count << " monitors, setting " << c.setting;
    }
    EXPECT_TRUE(SameRect(wide[PlayMonitorIndex(3, 0, 3)], RECT{-1280, 0, 0, 1024}));
    // The page's choices in order: main, then 2, 3...
    EXPECT_EQ(PlayMonitorSetting(0), 0);
    EXPECT_EQ(PlayMonitorSetting(1), 2);
    EXPECT_EQ(PlayMonitorSetting(2), 3);
}

TEST(Monitors, EveryOtherMonitorIsCoveredButNotAMirrorOfThePlayingOne)
{
    const RECT monitors[] = {{0, 0, 1024, 768}, {1024, 0, 2048, 768}, {-800, 0, 0, 600}, {0, 0, 1024, 768}};
    struct {
        int count;
        RECT playing;
        int covers;
        RECT first, last;
    } cases[] = {
        {1, {0, 0, 1024, 768}, 0},
        {2, {0, 0, 1024, 768}, 1, {1024, 0, 2048, 768}, {1024, 0, 2048, 768}},
        {2, {1024, 0, 2048, 768}, 1, {0, 0, 1024, 768}, {0, 0, 1024, 768}},
        {3, {-800, 0, 0, 600}, 2, {0, 0, 1024, 768}, {1024, 0, 2048, 768}},
        {4, {0, 0, 1024, 768}, 2, {1024, 0, 2048, 768}, {-800, 0, 0, 600}},  // the mirror shows the video
        {2, {0, 0, 640, 480}, 1, {1024, 0, 2048, 768}, {1024, 0, 2048, 768}},  // mode changed, same place
    };
    for (const auto& c : cases) {
        RECT covers[VLM_MONITORS_MAX];
        int n = CalcCoverRects(monitors, c.count, &c.playing, covers);
        ASSERT_EQ(n, c.covers) << c.count << " monitors, playing at " << c.playing.left;
        if (n == 0) continue;
        EXPECT_TRUE(SameRect(covers[0], c.first)) << c.count << " monitors";
        EXPECT_TRUE(SameRect(covers[n - 1], c.last)) << c.count << " monitors";
    }
}

struct DeviceModes {
    BOOL readable;                   // the device reports its current mode
    DEVMODEA current;
    std::vector<ScreenModeRecord> modes;
};

BOOL ReadDeviceList(void* list, DWORD index, ScreenModeRecord* mode)
{
    const DeviceModes* device = (const DeviceModes*)list;
    if (index >= device->modes.size()) return FALSE;
    *mode = device->modes[index];
    return TRUE;
}

DEVMODEA Current(DWORD w, DWORD h, DWORD rate = 60)
{
    DEVMODEA m = {};
    m.dmPelsWidth = w;
    m.dmPelsHeight = h;
    m.dmBitsPerPel = 32;
    m.dmDisplayFrequency = rate;
    return m;
}

ScreenModeRecord Listed(DWORD w, DWORD h, DWORD rate = 60)
{
    return ScreenModeRecord{32, w, h, 0, rate};
}

// The chain GetScreenMode and ChangeScreenMode follow: the monitor that
// plays, its device's current mode against the monitor's own size, then the
// choice among that device's modes only.
TEST(Monitors, ModeChoiceOnThePlayingMonitorsOwnDevice)
{
    const RECT rects[] = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}};
    DeviceModes mainDevice = {TRUE, Current(1920, 1080), {Listed(1280, 720), Listed(1920, 1080)}};
    DeviceModes second = {TRUE, Current(1280, 1024, 75),
                          {Listed(640, 480, 75), Listed(800, 600, 60), Listed(800, 600, 75),
                           Listed(1024, 768, 75), Listed(1280, 1024, 75)}};
    DeviceModes silent = {FALSE, {}, {}};  // Wine's second head: no modes
    DeviceModes* devices[] = {&mainDevice, &second};
    struct {
        DeviceModes* secondDevice;
        int setting;
        DWORD w, h;
        int result;
        DWORD cw, ch;
    } cases[] = {
        {&second, 2, 700, 500, ModeChange, 800, 600},      // its 75 Hz mode, not the 60 Hz one
        {&second, 2, 1000, 700, ModeChange, 1024, 768},
        {&second, 2, 1600, 1200, ModeKeep, 1280, 1024},    // its largest is in force
        {&second, 0, 700, 500, ModeChange, 1280, 720},     // the main device's list
        {&silent, 2, 700, 500, ModeKeep, 1280, 1024},      // nothing known: the screen stays
    };
    for (const auto& c : cases) {
        devices[1] = c.secondDevice;
        int play = PlayMonitorIndex(2, 0, c.setting);
        const DeviceModes* device = devices[play];
        ScreenModeRecord current = {};
        ChooseScreenMode(device->readable ? &device->current : NULL, rects[play].right - rects[play].left,
                         rects[play].bottom - rects[play].top, 32, &current);
        ScreenModeRecord chosen = {};
        int result = ChooseDisplayMode(ReadDeviceList, (void*)device, &current, c.w, c.h, FALSE, FALSE, &chosen);
        EXPECT_EQ(result, c.result) << "setting " << c.setting << ", " << c.w << "x" << c.h;
        if (result != ModeChange) {
            EXPECT_EQ(current.ScreenWidth, c.cw);
            continue;
        }
        EXPECT_EQ(chosen.ScreenWidth, c.cw) << c.w << "x" << c.h;
        EXPECT_EQ(chosen.ScreenHeight, c.ch) << c.w << "x" << c.h;
    }
}

TEST_F(ScreenTest, OneMonitorHasNoCoverAndAMissingMonitorMeansTheMainOne)
{
    Settings.PlayMonitor = 3;
    ASSERT_EQ(CreateScreen(window), 1) << Settings.ErrorText;
    EXPECT_EQ(ScreenMode.ScreenLeft, 0);
    EXPECT_EQ(ScreenMode.ScreenTop, 0);
    EXPECT_EQ((int)ScreenMode.ScreenWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_TRUE(PlayMonitorIsMain);
    EXPECT_TRUE(FindWindowA("CoverWindowClass", NULL) == NULL);
    DestroyScreen();
}

}  // namespace
