// The status overlay: its rectangles, paint kinds, time and information
// texts, the state letter, and the real window with its input forwarding.
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_subwin.h"
#include "vlm_util.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const LONGLONG Sec = 10000000LL;

// ---- rectangles and paint kinds

const OverlayWidths Widths = {64, 40, 150, 100, 12};

TEST(OverlayRects, ShortFileUsesTheShortWidths)
{
    RECT timeRect, statusRect;
    CalcOverlayRects(3599 * Sec + Sec - 1, 31, &Widths, &timeRect, &statusRect);
    EXPECT_EQ(0, timeRect.left);
    EXPECT_EQ(0, timeRect.top);
    EXPECT_EQ(40, timeRect.right);
    EXPECT_EQ(31, timeRect.bottom);
    EXPECT_EQ(100, statusRect.left);
    EXPECT_EQ(112, statusRect.right);
    EXPECT_EQ(0, statusRect.top);
    EXPECT_EQ(31, statusRect.bottom);
}

TEST(OverlayRects, OneHourMovesTheLetterRight)
{
    RECT timeRect, statusRect;
    CalcOverlayRects(3600 * Sec, 31, &Widths, &timeRect, &statusRect);
    EXPECT_EQ(64, timeRect.right);
    EXPECT_EQ(150, statusRect.left);
    EXPECT_EQ(162, statusRect.right);
}

TEST(OverlayPaintKind, ByUpdateRectangle)
{
    RECT timeRect = {0, 0, 40, 31}, statusRect = {100, 0, 112, 31};
    const struct { RECT update; int kind; } rows[] = {
        {{0, 0, 40, 31}, OverlayPaintTime},
        {{5, 2, 30, 20}, OverlayPaintTime},
        {{0, 0, 41, 31}, OverlayPaintAll},
        {{100, 0, 112, 31}, OverlayPaintLetter},
        {{99, 0, 112, 31}, OverlayPaintAll},
        {{0, 0, 1024, 31}, OverlayPaintAll},
        {{30, 0, 105, 31}, OverlayPaintAll},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.kind, ChooseOverlayPaintKind(&r.update, &timeRect, &statusRect))
            << r.update.left << "," << r.update.right;
}

// ---- time texts

struct TimeCase {
    LONGLONG current, stop;
    int withTotal;
    const char* text;
};

const TimeCase TimeCases[] = {
    {0, 0, 1, "00:00 / 00:00"},
    {0, 0, 0, "00:00"},
    {(59 * 60 + 58) * Sec, (59 * 60 + 59) * Sec, 1, "59:58 / 59:59"},
    {(59 * 60 + 58) * Sec, (59 * 60 + 59) * Sec, 0, "59:58"},
    {(59 * 60 + 59) * Sec + Sec - 1, 3600 * Sec - 1, 1, "59:59 / 59:59"},
    {(59 * 60 + 59) * Sec, 3600 * Sec, 1, "00:59:59 / 01:00:00"},
    {(59 * 60 + 59) * Sec, 3600 * Sec, 0, "00:59:59"},
    {3725 * Sec, 7384 * Sec, 1, "01:02:05 / 02:03:04"},
    // Hours modulo 100.
    {(100 * 3600 + 61) * Sec, (123 * 3600 + 4 * 60 + 5) * Sec, 1, "00:01:01 / 23:04:05"},
    {(199 * 3600) * Sec, (250 * 3600) * Sec, 0, "99:00:00"},
};

class OverlayTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(OverlayTimeTest, Text)
{
    const TimeCase& c = GetParam();
    char text[VLM_OVERLAY_TIME_CHARS];
    FormatOverlayTime(c.current, c.stop, c.withTotal, text);
    EXPECT_STREQ(c.text, text);
}

INSTANTIATE_TEST_SUITE_P(Cases, OverlayTimeTest, ::testing::ValuesIn(TimeCases));

// ---- information text

TEST(OverlayInfo, AllParts)
{
    OverlayInfoInputs in = {TRUE, 1024, 768, 32, TRUE, 640, 480, 3, 12, "動画ファイル.avi"};
    char text[VLM_OVERLAY_INFO_CHARS];
    FormatOverlayInfo(&in, text);
    EXPECT_STREQ("(1024x768 32bit) [640x480] (3/12) 動画ファイル.avi", text);
}

TEST(OverlayInfo, EmptyWithoutDisplaysAndEntry)
{
    OverlayInfoInputs in = {FALSE, 1024, 768, 32, FALSE, 640, 480, 3, 12, NULL};
    char text[VLM_OVERLAY_INFO_CHARS];
    text[0] = 'x';
    FormatOverlayInfo(&in, text);
    EXPECT_STREQ("", text);
}

TEST(OverlayInfo, EntryWithEmptyNameShowsTheNumbersOnly)
{
    OverlayInfoInputs in = {FALSE, 0, 0, 0, FALSE, 0, 0, 1, 1, ""};
    char text[VLM_OVERLAY_INFO_CHARS];
    FormatOverlayInfo(&in, text);
    EXPECT_STREQ("(1/1) ", text);
}

TEST(OverlayInfo, NumbersAreCutToTheirWidths)
{
    OverlayInfoInputs in = {TRUE, 123456, 100001, 1032, TRUE, 200000, 99999, 100003, 250000, NULL};
    char text[VLM_OVERLAY_INFO_CHARS];
    FormatOverlayInfo(&in, text);
    EXPECT_STREQ("(23456x1 32bit) [0x99999] ", text);
}

TEST(OverlayInfo, LongestTextFits)
{
    std::string name(259, 'n');
    name[0] = '\x83';   // a lead byte at the start of a long name
    OverlayInfoInputs in = {TRUE, 99999, 99999, 999, TRUE, 99999, 99999, 99999, 99999, name.c_str()};
    char text[VLM_OVERLAY_INFO_CHARS];
    FormatOverlayInfo(&in, text);
    std::string expected = "(99999x99999 999bit) [99999x99999] (99999/99999) " + name;
    EXPECT_EQ(expected, std::string(text));
    EXPECT_LT(expected.size(), (size_t)VLM_OVERLAY_INFO_CHARS);
}

// ---- state letter

struct LetterCase {
    const char* what;
    StateLetterInputs in;
    char letter;
    COLORREF colour;
};

// audioDispPriority, hasStreamSelect, currentAudioStream, userStopped,
// abLoopState, introPlay, skipPlayMode, fileLoop, mute
const LetterCase LetterCases[] = {
    {"nothing", {FALSE, FALSE, 0, FALSE, 0, FALSE, 0, FALSE, FALSE}, 0, 0},
    {"paused beats the A-B loop", {FALSE, FALSE, 0, TRUE, 2, TRUE, 1, TRUE, TRUE}, 'S', RGB(255, 0, 0)},
    {"looping", {FALSE, TRUE, 1, FALSE, 2, TRUE, 1, TRUE, TRUE}, 'B', RGB(0, 255, 0)},
    {"A set", {FALSE, TRUE, 1, FALSE, 1, TRUE, 2, TRUE, TRUE}, 'A', RGB(0, 255, 0)},
    {"intro", {FALSE, TRUE, 1, FALSE, 0, TRUE, 2, TRUE, TRUE}, 'I', RGB(0, 255, 255)},
    {"skip by number", {FALSE, TRUE, 1, FALSE, 0, FALSE, 1, TRUE, TRUE}, 'K', RGB(175, 238, 238)},
    {"skip by time", {FALSE, TRUE, 1, FALSE, 0, FALSE, 2, TRUE, TRUE}, 'K', RGB(176, 196, 222)},
    {"file loop", {FALSE, TRUE, 1, FALSE, 0, FALSE, 0, TRUE, TRUE}, 'L', RGB(0, 0, 255)},
    {"mute", {FALSE, TRUE, 1, FALSE, 0, FALSE, 0, FALSE, TRUE}, 'Q', RGB(153, 0, 255)},
    {"audio last", {FALSE, TRUE, 1, FALSE, 0, FALSE, 0, FALSE, FALSE}, '2', RGB(255, 153, 255)},
    {"audio first with priority", {TRUE, TRUE, 4, TRUE, 2, TRUE, 1, TRUE, TRUE}, '5', RGB(255, 153, 255)},
    {"priority without a selector", {TRUE, FALSE, 4, TRUE, 2, TRUE, 1, TRUE, TRUE}, 'S', RGB(255, 0, 0)},
    {"priority without a selector, nothing else", {TRUE, FALSE, 4, FALSE, 0, FALSE, 0, FALSE, FALSE}, 0, 0},
    {"tenth stream", {FALSE, TRUE, 9, FALSE, 0, FALSE, 0, FALSE, FALSE}, '0', RGB(255, 153, 255)},
    {"ninth stream", {FALSE, TRUE, 8, FALSE, 0, FALSE, 0, FALSE, FALSE}, '9', RGB(255, 153, 255)},
    {"first stream", {FALSE, TRUE, 0, FALSE, 0, FALSE, 0, FALSE, FALSE}, '1', RGB(255, 153, 255)},
    {"stream out of range", {FALSE, TRUE, 10, FALSE, 0, FALSE, 0, FALSE, FALSE}, '1', RGB(255, 153, 255)},
    {"negative stream", {FALSE, TRUE, -1, FALSE, 0, FALSE, 0, FALSE, FALSE}, '1', RGB(255, 153, 255)},
};

class StateLetterTest : public ::testing::TestWithParam<LetterCase> {};

TEST_P(StateLetterTest, LetterAndColour)
{
    const LetterCase& c = GetParam();
    COLORREF colour = RGB(1, 2, 3);
    EXPECT_EQ(c.letter, ChooseStateLetter(&c.in, &colour)) << c.what;
    if (c.letter) EXPECT_EQ(c.colour, colour) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, StateLetterTest, ::testing::ValuesIn(LetterCases));

// ---- the window

// Records the messages posted to a stand-in main window.
UINT LastMessage;
WPARAM LastWParam;
LPARAM LastLParam;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_LBUTTONDOWN ||
        message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN || message == WM_MOUSEMOVE) {
        LastMessage = message;
        LastWParam = wParam;
        LastLParam = lParam;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class OverlayWindowTest : public ::testing::Test {
protected:
    HWND owner = NULL;
    void SetUp() override
    {
        ZeroMemory(&GraphState, sizeof(GraphState));
        Settings.Instance = GetModuleHandleA(NULL);
        Settings.DispFontSize = 30;
        Settings.DispFilename = FALSE;
        ClearError();
        ScreenMode.ScreenWidth = 800;
        ScreenMode.ScreenHeight = 600;
        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof(wc));
        wc.lpfnWndProc = RecorderProc;
        wc.hInstance = Settings.Instance;
        wc.lpszClassName = "OverlayTestOwner";
        RegisterClassA(&wc);
        owner = CreateWindowExA(0, "OverlayTestOwner", "owner", WS_POPUP, 0, 0, 100, 100, NULL,
                                NULL, Settings.Instance, NULL);
        if (!owner) GTEST_SKIP() << "no window station in this run";
    }
    void TearDown() override
    {
        DestroyStatusOverlay();
        if (owner) DestroyWindow(owner);
    }
    void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
};

TEST_F(OverlayWindowTest, CreatedHiddenWithItsClassAndBarHeight)
{
    ASSERT_EQ(1, CreateStatusOverlay(owner)) << Settings.ErrorText;
    ASSERT_NE((HWND)NULL, StatusOverlay);
    char name[64];
    GetClassNameA(StatusOverlay, name, sizeof(name));
    EXPECT_STREQ("FrontWindowClass", name);
    GetWindowTextA(StatusOverlay, name, sizeof(name));
    EXPECT_STREQ("Velmora", name);
    EXPECT_FALSE(IsWindowVisible(StatusOverlay));
    EXPECT_TRUE(GetWindowLongA(StatusOverlay, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(owner, GetWindow(StatusOverlay, GW_OWNER));

    RECT rect;
    GetWindowRect(StatusOverlay, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(800, rect.right);
    // The bar is one pixel taller than the font, whatever font was found.
    HDC dc = GetDC(StatusOverlay);
    LOGFONTA lf;
    ZeroMemory(&lf, sizeof(lf));
    lf.lfHeight = 30;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpyA(lf.lfFaceName, "MS UI Gothic");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(StatusOverlay, dc);
    EXPECT_EQ(tm.tmHeight + 1, rect.bottom - rect.top);
}

TEST_F(OverlayWindowTest, ShownAtOnceWhenTheTimeDisplayIsOn)
{
    Settings.DispFilename = TRUE;
    ASSERT_EQ(1, CreateStatusOverlay(owner)) << Settings.ErrorText;
    EXPECT_TRUE(IsWindowVisible(StatusOverlay));
}

TEST_F(OverlayWindowTest, InputGoesToTheMainWindow)
{
    ASSERT_EQ(1, CreateStatusOverlay(owner));
    const struct { UINT message; WPARAM w; LPARAM l; } rows[] = {
        {WM_KEYDOWN, 'S', 0x001F0001},
        {WM_SYSKEYDOWN, VK_F4, 0x203E0001},
        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6)},
        {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(7, 8)},
        {WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(9, 10)},
        {WM_MOUSEMOVE, 0, MAKELPARAM(300, 4)},
    };
    for (const auto& r : rows) {
        LastMessage = 0;
        EXPECT_EQ(0, SendMessageA(StatusOverlay, r.message, r.w, r.l));
        Pump();
        EXPECT_EQ(r.message, LastMessage);
        EXPECT_EQ(r.w, LastWParam);
        EXPECT_EQ(r.l, LastLParam);
    }
}

TEST_F(OverlayWindowTest, CreatedAgainAfterDestruction)
{
    ASSERT_EQ(1, CreateStatusOverlay(owner));
    DestroyStatusOverlay();
    EXPECT_EQ((HWND)NULL, StatusOverlay);
    ASSERT_EQ(1, CreateStatusOverlay(owner)) << Settings.ErrorText;
    EXPECT_NE((HWND)NULL, StatusOverlay);
    // Redraws without an overlay must not invalidate every window (a null
    // window to InvalidateRect means all of them): the owner, shown and
    // painted, stays valid.
    DestroyStatusOverlay();
    ShowWindow(owner, SW_SHOWNA);
    UpdateWindow(owner);
    Pump();
    ValidateRect(owner, NULL);
    ASSERT_FALSE(GetUpdateRect(owner, NULL, FALSE));
    RedrawOverlayTime();
    RedrawOverlayStatus();
    ResizeStatusOverlay();
    EXPECT_FALSE(GetUpdateRect(owner, NULL, FALSE));
    EXPECT_EQ((HWND)NULL, StatusOverlay);
}

// Counts the pixels of the bar in colour, in the columns [from, to).
int CountPixels(HWND window, COLORREF colour, int from, int to)
{
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = 0; y < client.bottom; y++)
        for (int x = from; x < to && x < client.right; x++)
            if (GetPixel(dc, x, y) == colour) count++;
    ReleaseDC(window, dc);
    return count;
}

TEST_F(OverlayWindowTest, PaintsTimeAndTheLetterInItsColour)
{
    Settings.DispFilename = TRUE;
    ASSERT_EQ(1, CreateStatusOverlay(owner));
    GraphState.StopPosition = 100 * Sec;
    GraphState.CurrentPosition = 42 * Sec;
    LayoutStatusOverlay();
    SetWindowPos(StatusOverlay, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    GraphState.UserStopped = TRUE;
    InvalidateRect(StatusOverlay, NULL, TRUE);
    UpdateWindow(StatusOverlay);
    Pump();
    EXPECT_GT(CountPixels(StatusOverlay, RGB(255, 0, 0), 0, 400), 10);
    EXPECT_GT(CountPixels(StatusOverlay, RGB(0, 0, 0), 0, 400), 10);

    // Only the letter box is redrawn: now no state, so no red remains.
    GraphState.UserStopped = FALSE;
    RedrawOverlayStatus();
    UpdateWindow(StatusOverlay);
    Pump();
    EXPECT_EQ(0, CountPixels(StatusOverlay, RGB(255, 0, 0), 0, 400));
    EXPECT_GT(CountPixels(StatusOverlay, RGB(0, 0, 0), 0, 400), 10);
}

// The bar's pixels in the columns [from, to), row by row.
std::vector<COLORREF> BarPixels(HWND window, int from, int to)
{
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; y++)
        for (int x = from; x < to && x < client.right; x++) pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return pixels;
}

TEST_F(OverlayWindowTest, TimeUpdateRedrawsTheCurrentTimeOnly)
{
    Settings.DispFilename = TRUE;
    ASSERT_EQ(1, CreateStatusOverlay(owner));
    SetWindowPos(StatusOverlay, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RECT client;
    GetClientRect(StatusOverlay, &client);
    const int h = client.bottom;
    GraphState.StopPosition = 100 * Sec;
    GraphState.CurrentPosition = 42 * Sec;
    LayoutStatusOverlay();
    InvalidateRect(StatusOverlay, NULL, TRUE);
    UpdateWindow(StatusOverlay);
    Pump();
    std::vector<COLORREF> timeBefore = BarPixels(StatusOverlay, 0, 2 * h);
    std::vector<COLORREF> totalBefore = BarPixels(StatusOverlay, 4 * h, 8 * h);

    // "00:43 / 03:20" would differ in both halves; a time update shows 00:43 only.
    GraphState.StopPosition = 200 * Sec;
    GraphState.CurrentPosition = 43 * Sec;
    RedrawOverlayTime();
    UpdateWindow(StatusOverlay);
    Pump();
    EXPECT_NE(timeBefore, BarPixels(StatusOverlay, 0, 2 * h));
    EXPECT_EQ(totalBefore, BarPixels(StatusOverlay, 4 * h, 8 * h));

    // The next full repaint shows the new total.
    InvalidateRect(StatusOverlay, NULL, TRUE);
    UpdateWindow(StatusOverlay);
    Pump();
    EXPECT_NE(totalBefore, BarPixels(StatusOverlay, 4 * h, 8 * h));
}

TEST_F(OverlayWindowTest, ResizeFollowsTheScreenWidth)
{
    ASSERT_EQ(1, CreateStatusOverlay(owner));
    RECT before;
    GetWindowRect(StatusOverlay, &before);
    ScreenMode.ScreenWidth = 640;
    ResizeStatusOverlay();
    RECT after;
    GetWindowRect(StatusOverlay, &after);
    EXPECT_EQ(640, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
}

}  // namespace
