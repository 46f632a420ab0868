// Playlist and key help rules, the key help texts of the built player, and
// the choice of display mode with the size probe that leads to it.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "support_ini.h"
#include "support_media.h"
#include "support_resources.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

namespace {

TEST(PlaylistRule, RectangleByPositionAndSide)
{
    struct {
        int position;
        BOOL left;
        int w, h;
        RECT rect;
        int shown;
    } cases[] = {
        {1, FALSE, 1024, 768, {768, 0, 1024, 768}, 1}, {2, FALSE, 1024, 768, {512, 0, 1024, 768}, 1},
        {3, FALSE, 1024, 768, {256, 0, 1024, 768}, 1}, {4, FALSE, 1024, 768, {0, 0, 1024, 768}, 1},
        {0, FALSE, 1024, 768, {768, 0, 1024, 768}, 0}, {1, TRUE, 1024, 768, {0, 0, 256, 768}, 1},
        {3, TRUE, 1024, 768, {0, 0, 768, 768}, 1},     {4, TRUE, 1024, 768, {0, 0, 1024, 768}, 1},
        {0, TRUE, 1024, 768, {0, 0, 256, 768}, 0},
        // 1023 wide: quarters of 255, the panel ends 3 pixels short of the edge.
        {1, FALSE, 1023, 767, {765, 0, 1020, 767}, 1}, {2, FALSE, 1023, 767, {511, 0, 1022, 767}, 1},
        {3, FALSE, 1023, 767, {255, 0, 1020, 767}, 1},
    };
    for (const auto& c : cases) {
        Settings.PlaylistPosition = c.position;
        Settings.PlaylistLeftSide = c.left;
        ScreenMode.ScreenWidth = c.w;
        ScreenMode.ScreenHeight = c.h;
        RECT rect;
        EXPECT_EQ(PlacePlaylist(&rect), c.shown) << c.position << " " << c.left << " " << c.w;
        EXPECT_TRUE(EqualRect(&rect, &c.rect))
            << c.position << " " << c.left << " " << c.w << ": " << rect.left << "," << rect.right;
    }
}

TEST(PlaylistRule, TopRowFollowsTheNewFile)
{
    struct {
        int kind, top, playNo, rows, expected;
    } cases[] = {
        {Step, 1, 5, 7, 1},           // still visible: no scroll
        {AtEnd, 3, 9, 7, 3},          // the last visible row
        {ByNumber, 3, 10, 7, 4},      // one below: ends on the last row
        {Step, 5, 2, 7, 1},           // above the top: from the start, it fits
        {Step, 20, 30, 7, 24},        // wrapped round above
        {Step, 0, 3, 7, 1},           // nothing shown yet
        {AfterFolderSelect, 1, 5, 7, 1},
        {HistorySwitch, 1, 12, 7, 6},  // folder switch: the file on the last row
        {ProgramSwitch, 6, 8, 7, 2},
        {Start, 1, 20, 7, 14},
        {Start, 1, 7, 7, 1},
        {Start, 1, 3, 0, 3},          // no whole row: the file is the top
    };
    for (const auto& c : cases)
        EXPECT_EQ(CalcPlaylistTop(c.kind, c.top, c.playNo, c.rows), c.expected)
            << c.kind << " top " << c.top << " file " << c.playNo << " rows " << c.rows;
}

TEST(PlaylistRule, SelectionMovesAndScrollsAtTheEdges)
{
    struct {
        BOOL down;
        int top, selected, count, rows;
        int moved, newTop, newSelected, scroll, repaintRow;
    } cases[] = {
        {TRUE, 1, 3, 10, 7, 1, 1, 4, 0, 2},
        {TRUE, 1, 7, 10, 7, 1, 2, 8, -1, 5},   // last visible row: the band moves up
        {TRUE, 4, 10, 10, 7, 0},               // last file
        {FALSE, 1, 3, 10, 7, 1, 1, 2, 0, 1},
        {FALSE, 4, 4, 10, 7, 1, 3, 3, 1, 0},   // first visible row: the band moves down
        {FALSE, 1, 1, 10, 7, 0},               // first file
        {TRUE, 0, 0, 10, 7, 0},                // nothing shown yet
    };
    for (const auto& c : cases) {
        PlaylistMove move = {};
        int moved = CalcPlaylistMove(c.down, c.top, c.selected, c.count, c.rows, &move);
        EXPECT_EQ(moved, c.moved) << c.down << " " << c.selected;
        if (!moved) continue;
        EXPECT_EQ(move.top, c.newTop) << c.down << " " << c.selected;
        EXPECT_EQ(move.selected, c.newSelected) << c.down << " " << c.selected;
        EXPECT_EQ(move.scroll, c.scroll) << c.down << " " << c.selected;
        EXPECT_EQ(move.repaintRow, c.repaintRow) << c.down << " " << c.selected;
    }
}

TEST(KeyHelpRule, SizeClassAndCentredPlace)
{
    struct {
        int w, h, dpi;
        KeyHelpLayout layout;
        POINT origin;
    } cases[] = {
        {1024, 768, 96, {800, 600, 26, 5, 232, 2, 30}, {112, 84}},
        {640, 480, 96, {512, 384, 16, 10, 155, 2, 19}, {64, 48}},
        {320, 240, 96, {320, 230, 10, 5, 95, 3, 11}, {0, 5}},
        {300, 200, 96, {320, 200, 10, 5, 95, 0, 10}, {0, 0}},
        {800, 599, 96, {512, 384, 16, 10, 155, 2, 19}, {144, 107}},
        // At 150 % a screen 1.5 times as large looks as 1024x768 does at 100 %.
        {1536, 1152, 144, {1200, 900, 39, 8, 348, 3, 45}, {168, 126}},
        // 1024x768 at 150 % holds what 683x512 holds at 100 %.
        {1024, 768, 144, {768, 576, 24, 15, 233, 3, 29}, {128, 96}},
        {1199, 899, 144, {768, 576, 24, 15, 233, 3, 29}, {215, 161}},
        {1920, 1080, 120, {1000, 750, 33, 6, 290, 3, 38}, {460, 165}},
        {1024, 768, 0, {800, 600, 26, 5, 232, 2, 30}, {112, 84}},
    };
    for (const auto& c : cases) {
        KeyHelpLayout layout;
        CalcKeyHelpLayout(c.w, c.h, c.dpi, &layout);
        EXPECT_EQ(memcmp(&layout, &c.layout, sizeof(layout)), 0) << c.w << "x" << c.h << " at " << c.dpi;
        POINT origin = CalcCentredOrigin(c.w, c.h, layout.width, layout.height);
        EXPECT_EQ(origin.x, c.origin.x) << c.w << "x" << c.h << " at " << c.dpi;
        EXPECT_EQ(origin.y, c.origin.y) << c.w << "x" << c.h << " at " << c.dpi;
    }
}

// The class fitted to the text: at every scaling each row of the shipped
// texts lies whole in the panel, its key name clear of the description.
TEST(KeyHelpRule, NoRowIsCutAtAnyScaling)
{
    Settings.Instance = PlayerResources();
    ASSERT_EQ(LoadKeyHelpTexts(), 1) << Settings.ErrorText;
    HDC dc = GetDC(NULL);
    for (int dpi : {96, 120, 144, 192}) {
        KeyHelpLayout k;
        HGDIOBJ old = SelectObject(dc, LayoutKeyHelpForText(1024 * dpi / 96, 768 * dpi / 96, dpi, &k));
        for (int row = 0; row < VLM_KEYHELP_ROWS; row++) {
            SIZE name = {0, 0}, text = {0, 0};
            GetTextExtentPoint32A(dc, KeyHelpNames[row], lstrlenA(KeyHelpNames[row]), &name);
            GetTextExtentPoint32A(dc, KeyHelpDescriptions[row], lstrlenA(KeyHelpDescriptions[row]), &text);
            EXPECT_LT(k.keyX + name.cx, k.descriptionX) << dpi << " DPI, row " << row + 1;
            EXPECT_LE(k.descriptionX + text.cx, k.width - 2 * SystemMetricForDpi(SM_CXEDGE, dpi))
                << dpi << " DPI, row " << row + 1;
        }
        DeleteObject(SelectObject(dc, old));
    }
    ReleaseDC(NULL, dc);
}

// Sizes for 100 % at a monitor's DPI; an unknown DPI leaves them alone.
TEST(DpiRule, ScaleForDpi)
{
    struct {
        int value, dpi, scaled;
    } cases[] = {
        {12, 96, 12}, {12, 144, 18}, {15, 120, 19}, {1, 144, 2}, {2, 144, 3},
        {-12, 144, -18}, {26, 192, 52}, {30, 0, 30}, {30, -1, 30},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
}

// The string table as the built player carries it, read as code page 932.
TEST(KeyHelpTexts, LoadedFromThePlayersStringTable)
{
    HMODULE player = PlayerResources();
    ASSERT_TRUE(player != NULL) << "Quorlin.exe beside the test";
    Settings.Instance = player;
    ASSERT_EQ(LoadKeyHelpTexts(), 1) << Settings.ErrorText;
    EXPECT_STREQ(KeyHelpTitle, "スクリーンセーバー動作中の有効なキー操作");
    const char* rows[VLM_KEYHELP_ROWS][2] = {
        {"スペース or ↓", "次のファイルを再生します"},
        {"BS or ↑", "前のファイルを再生します"},
        {"→ [+Shift][+Ctrl]", "後に移動します（秒数は「シークタイム調整」参照）"},
        {"← [+Shift][+Ctrl]", "前に移動します（秒数は「シークタイム調整」参照）"},
        {"Esc", "フォルダ選択画面表示"},
        {"Home", "プログラム再生実行"},
        {"F1～12 [+Sh][+Ct]", "フォルダ切替"},
        {"“F”", "再生時間・ファイル名の表示・非表示の切替"},
        {"“P”", "プレイリストの表示（4種類）・非表示の切替"},
        {"", "（プレイリスト表示中 ↑↓で移動，Enter で決定）"},
        {"数字キー", "1キー：主音声, 2～9, 0キー：副音声1～9 の切替"},
        {"“Q”", "消音の ON / OFF の切替"},
        {"“L”", "1 ファイルのループ再生の ON / OFF の切替"},
        {"“I”", "イントロ再生の ON / OFF の切替"},
        {"“K”", "スキップ再生の 分割数 / 時間幅 / しない の切替"},
        {"“A” or “B” or “W”", "A-B 区間ループの開始点(A)，終了点(B)，保存(W)"},
        {"“S”", "ポーズ / 実行状態の切替（マウスクリックでも同様）"},
        {"“H”", "本説明文の表示"},
        {"", ""},
        {"", ""},
    };
    for (int i = 0; i < VLM_KEYHELP_ROWS; i++) {
        EXPECT_STREQ(KeyHelpNames[i], rows[i][0]) << "row " << i + 1;
        EXPECT_STREQ(KeyHelpDescriptions[i], rows[i][1]) << "row " << i + 1;
    }
    // A module without the table leaves every slot empty and is no error.
    Settings.Instance = GetModuleHandleA(NULL);
    EXPECT_EQ(LoadKeyHelpTexts(), 1);
    EXPECT_STREQ(KeyHelpTitle, "");
    EXPECT_STREQ(KeyHelpDescriptions[0], "");
}

// ---- display modes

struct ModeList {
    std::vector<ScreenModeRecord> modes;
};

BOOL ReadListed(void* list, DWORD index, ScreenModeRecord* mode)
{
    const ModeList* l = (const ModeList*)list;
    if (index >= l->modes.size()) return FALSE;
    *mode = l->modes[index];
    return TRUE;
}

ScreenModeRecord Mode(DWORD w, DWORD h, DWORD bits = 32, DWORD rate = 60)
{
    return ScreenModeRecord{bits, w, h, 0, rate};
}

TEST(ModeChoice, SmallestHoldingModeElseTheLargest)
{
    ModeList three = {{Mode(640, 480, 16), Mode(640, 480), Mode(800, 600, 16), Mode(800, 600),
                       Mode(1024, 768), Mode(320, 240, 32, 75)}};
    ModeList tallLater = {{Mode(800, 600), Mode(720, 900), Mode(1024, 768)}};
    ModeList noVga = {{Mode(800, 600), Mode(1024, 768)}};
    ModeList fewDepths = {{Mode(800, 600, 16), Mode(1024, 768)}};
    ModeList otherRate = {{Mode(640, 480, 32, 75)}};
    ScreenModeRecord current = Mode(1024, 768);
    struct {
        ModeList* list;
        DWORD w, h;
        BOOL vga, keepBits;
        int result;
        DWORD cw, ch, bits;
    } cases[] = {
        {&three, 700, 500, FALSE, FALSE, ModeChange, 800, 600, 32},
        {&three, 640, 480, FALSE, FALSE, ModeChange, 640, 480, 32},
        {&three, 1200, 900, FALSE, FALSE, ModeKeep, 1024, 768, 32},  // the largest, in force
        {&three, 320, 240, FALSE, FALSE, ModeChange, 640, 480, 32},  // 75 Hz does not count
        {&three, 320, 240, TRUE, FALSE, ModeChange, 640, 480, 32},
        {&three, 1024, 768, TRUE, FALSE, ModeChange, 640, 480, 32},
        {&tallLater, 700, 500, FALSE, FALSE, ModeChange, 800, 600, 32},
        {&noVga, 320, 240, TRUE, FALSE, ModeNoVga},
        {&fewDepths, 700, 500, FALSE, TRUE, ModeKeep, 1024, 768, 32},  // 16-bit 800x600 left out
        {&fewDepths, 700, 500, FALSE, FALSE, ModeChange, 800, 600, 16},
        {&otherRate, 320, 240, FALSE, FALSE, ModeKeep},  // nothing comparable: stay
        {&otherRate, 320, 240, TRUE, FALSE, ModeNoVga},
    };
    for (const auto& c : cases) {
        ScreenModeRecord chosen = {};
        int result = ChooseDisplayMode(ReadListed, c.list, &current, c.w, c.h, c.vga, c.keepBits,
                                       &chosen);
        EXPECT_EQ(result, c.result) << c.w << "x" << c.h << " vga " << c.vga;
        if (result != ModeChange) continue;
        EXPECT_EQ(chosen.ScreenWidth, c.cw) << c.w << "x" << c.h;
        EXPECT_EQ(chosen.ScreenHeight, c.ch) << c.w << "x" << c.h;
        EXPECT_EQ(chosen.ScreenBitsPerPel, c.bits) << c.w << "x" << c.h;
    }
    // A largest mode that is not the current one is switched to.
    ScreenModeRecord small = Mode(640, 480);
    ScreenModeRecord chosen = {};
    EXPECT_EQ(ChooseDisplayMode(ReadListed, &three, &small, 1200, 900, FALSE, FALSE, &chosen),
              ModeChange);
    EXPECT_EQ(chosen.ScreenWidth, 1024u);
}

TEST(ModeChoice, MethodBySizeAndFlags)
{
    struct {
        DWORD w, h;
        BOOL ddraw, cds, available;
        int method;
    } cases[] = {
        {320, 240, FALSE, FALSE, TRUE, ModeByDirectDraw},
        {800, 600, FALSE, FALSE, TRUE, ModeByDisplaySettings},
        {320, 240, TRUE, TRUE, TRUE, ModeByDirectDraw},
        {800, 600, TRUE, TRUE, TRUE, ModeByDisplaySettings},
        {640, 400, FALSE, FALSE, TRUE, ModeByDirectDraw},
        {800, 600, TRUE, FALSE, TRUE, ModeByDirectDraw},
        {320, 240, FALSE, TRUE, TRUE, ModeByDisplaySettings},
        {320, 240, TRUE, FALSE, FALSE, ModeByDisplaySettings},  // no ddraw.dll
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseModeMethod(c.w, c.h, c.ddraw, c.cds, c.available), c.method)
            << c.w << "x" << c.h << " " << c.ddraw << c.cds << c.available;
}

// The probe on real files. The current mode is made one that no listed
// mode shares, so the test machine's own mode never changes: with
// FIXED_VGA a video then reaches the VGA message, a sound file does not.
class SizeProbeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(NULL); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void SetUp() override
    {
        folder = MakeTestFolder("probe");
        ResetSettings(folder + "\\Velmora.ini");
        Settings.FixedVga = TRUE;
        Settings.ExceptionLog = TRUE;
        lstrcpyA(LogFilePath, (folder + "\\VelmoraExp.log").c_str());
        ZeroMemory(&GraphState, sizeof(GraphState));
        ScreenMode = Mode(1024, 768, 32, 12345);
    }
    void TearDown() override
    {
        CreateGraphBuilder = saved;
        LogFilePath[0] = '\0';
        RemoveTree(folder);
    }
    std::wstring File(const char* name, const std::string& bytes)
    {
        std::string path = folder + "\\" + name;
        WriteFileBytes(path, bytes);
        WCHAR wide[VLM_PATH_CHARS];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, VLM_PATH_CHARS);
        return wide;
    }
    std::string folder;
    HRESULT (*saved)(IGraphBuilder**) = CreateGraphBuilder;
};

HRESULT FaultingCreate(IGraphBuilder** graph)
{
    volatile int* nowhere = NULL;
    *nowhere = 1;
    return E_FAIL;
}

TEST_F(SizeProbeTest, VideoSoundGarbageAndRecurringFault)
{
    EXPECT_EQ(ProbeVideoSize(File("plain.avi", PlainVideo(64, 48, 5, 5)).c_str()), 0);
    EXPECT_STREQ(Settings.ErrorText, "解像度変更：VGAサイズ(640x480)が使用できません。");
    EXPECT_TRUE(GraphState.Graph == NULL && GraphState.BasicVideo == NULL);

    ClearError();
    EXPECT_EQ(ProbeVideoSize(File("tone.wav", SilentWave(2)).c_str()), 1) << Settings.ErrorText;
    EXPECT_TRUE(GraphState.Graph == NULL && GraphState.BasicVideo == NULL);

    EXPECT_EQ(ProbeVideoSize(File("broken.avi", "RIFF" + std::string(4096, 'x')).c_str()), 0);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FILEFAILED);
    const char* render = "フィルタグラフの作成：RenderFile の起動に失敗しました．(0x";
    EXPECT_EQ(strncmp(Settings.ErrorText, render, strlen(render)), 0) << Settings.ErrorText;
    EXPECT_EQ(ReadFileBytes(LogFilePath), "");

    ClearError();
    CreateGraphBuilder = FaultingCreate;
    EXPECT_EQ(ProbeVideoSize(File("any.avi", PlainVideo(64, 48, 5, 5)).c_str()), 0);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FILEFAILED);
    EXPECT_STREQ(Settings.ErrorText, "ビデオ本来のサイズの取得中に例外が繰り返し発生しました．");
    EXPECT_EQ(ReadFileBytes(LogFilePath), "1220 \r\n1220 \r\n1220 \r\n");
}

}  // namespace
