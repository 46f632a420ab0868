// Display size, video position, start position, audio slot and play state
// rules of the media graph, and the failure prompt's texts.
#include <gtest/gtest.h>
#include <string.h>
#include "support_ini.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_mainwin.h"
#include "vlm_util.h"

namespace {

const LONGLONG kSecond = VLM_UNITS_PER_SECOND;

// ---- CalcDisplaySize and CalcVideoPosition

struct SizeCase {
    const char* what;
    int screenW, screenH;
    int aspectRate, ratioX, ratioY;
    BOOL specifySize;
    int percent;
    BOOL changeResolution, expand;
    int width, height;
    int sizeW, sizeH, outW, outH, left, top;
};

const SizeCase kSizeCases[] = {
    {"4:3 video fills a 4:3 screen", 1024, 768, 0, 16, 9, FALSE, 100, FALSE, FALSE, 640, 480,
     640, 480, 1024, 768, 0, 0},
    {"720x480 at 4:3 is widened to 720x540", 1024, 768, 1, 16, 9, FALSE, 100, FALSE, FALSE, 720,
     480, 720, 540, 1024, 768, 0, 0},
    {"1920x1080 on 1280x1024 is letterboxed", 1280, 1024, 0, 16, 9, FALSE, 100, FALSE, FALSE, 1920,
     1080, 1920, 1080, 1280, 720, 0, 152},
    {"50 percent is shown as it is, centred", 1024, 768, 0, 16, 9, TRUE, 50, FALSE, FALSE, 640, 480,
     320, 240, 320, 240, 352, 264},
    {"16:9 lengthens the width of a 4:3 video", 1024, 768, 2, 16, 9, FALSE, 100, FALSE, FALSE, 640,
     480, 853, 480, 1024, 576, 0, 96},
    {"custom 2:1 lengthens the width", 1024, 768, 3, 2, 1, TRUE, 100, FALSE, FALSE, 300, 300, 600,
     300, 600, 300, 212, 234},
    {"custom 1:2 lengthens the height", 1024, 768, 3, 1, 2, TRUE, 100, FALSE, FALSE, 300, 300, 300,
     600, 300, 600, 362, 84},
    {"an unknown aspect value follows the file", 1024, 768, 4, 16, 9, TRUE, 100, FALSE, FALSE, 300,
     200, 300, 200, 300, 200, 362, 284},
    {"4:3 on a tall video lengthens the width, never shortens", 1024, 768, 1, 16, 9, TRUE, 100,
     FALSE, FALSE, 480, 720, 960, 720, 960, 720, 32, 24},
    {"a tall video touches top and bottom", 1024, 768, 0, 16, 9, FALSE, 100, FALSE, FALSE, 480,
     1000, 480, 1000, 368, 768, 328, 0},
    {"a video larger than the screen fits even with SPECIFY_SIZE", 1024, 768, 0, 16, 9, TRUE, 100,
     FALSE, FALSE, 2000, 1000, 2000, 1000, 1024, 512, 0, 128},
    {"200 percent beyond the screen fits the unscaled size", 1024, 768, 0, 16, 9, TRUE, 200, FALSE,
     FALSE, 640, 480, 1280, 960, 1024, 768, 0, 0},
    {"percentages truncate", 1024, 768, 0, 16, 9, TRUE, 33, FALSE, FALSE, 333, 333, 109, 109, 109,
     109, 457, 329},
    {"mode change without EXPAND keeps the size", 1024, 768, 0, 16, 9, FALSE, 100, TRUE, FALSE, 640,
     480, 640, 480, 640, 480, 192, 144},
    {"mode change with EXPAND fills the screen", 1024, 768, 0, 16, 9, FALSE, 100, TRUE, TRUE, 640,
     480, 640, 480, 1024, 768, 0, 0},
    {"mode change without EXPAND still fits a large video", 1024, 768, 0, 16, 9, FALSE, 100, TRUE,
     FALSE, 1920, 1080, 1920, 1080, 1024, 576, 0, 96},
    {"EXPAND fits the aspect size, not the percentage", 1024, 768, 0, 16, 9, TRUE, 50, TRUE, TRUE,
     640, 480, 320, 240, 1024, 768, 0, 0},
    {"exactly the screen size is no reason to fit with SPECIFY_SIZE", 1024, 768, 0, 16, 9, TRUE,
     100, FALSE, FALSE, 1024, 768, 1024, 768, 1024, 768, 0, 0},
    {"one pixel wider than the screen fits", 1024, 768, 0, 16, 9, TRUE, 100, FALSE, FALSE, 1025,
     100, 1025, 100, 1024, 99, 0, 334},
    {"a zero size is not divided by", 1024, 768, 0, 16, 9, FALSE, 100, FALSE, FALSE, 0, 0, 0, 0, 0,
     0, 512, 384},
};

class DisplaySizeTest : public ::testing::TestWithParam<SizeCase> {
protected:
    void SetUp() override
    {
        ZeroMemory(&Settings, sizeof(Settings));
        ZeroMemory(&ScreenMode, sizeof(ScreenMode));
    }
};

TEST_P(DisplaySizeTest, SizeOutputAndCentre)
{
    const SizeCase& c = GetParam();
    ScreenMode.ScreenWidth = (DWORD)c.screenW;
    ScreenMode.ScreenHeight = (DWORD)c.screenH;
    Settings.AspectRate = c.aspectRate;
    Settings.AspectRatioX = c.ratioX;
    Settings.AspectRatioY = c.ratioY;
    Settings.SpecifySize = c.specifySize;
    Settings.SizePercent = c.percent;
    Settings.ChangeResolution = c.changeResolution;
    Settings.Expand = c.expand;

    int sizeW = -7, sizeH = -7, outW = -7, outH = -7;
    CalcDisplaySize(c.width, c.height, &sizeW, &sizeH, &outW, &outH);
    EXPECT_EQ(sizeW, c.sizeW) << c.what;
    EXPECT_EQ(sizeH, c.sizeH) << c.what;
    EXPECT_EQ(outW, c.outW) << c.what;
    EXPECT_EQ(outH, c.outH) << c.what;
    EXPECT_LE(outW, c.screenW) << c.what;
    EXPECT_LE(outH, c.screenH) << c.what;

    int left = -7, top = -7;
    CalcVideoPosition(outW, outH, &left, &top);
    EXPECT_EQ(left, c.left) << c.what;
    EXPECT_EQ(top, c.top) << c.what;

    // Without the screen outputs only the requested size is worked out.
    int onlyW = -7, onlyH = -7, untouched = -7;
    CalcDisplaySize(c.width, c.height, &onlyW, &onlyH, &untouched, NULL);
    EXPECT_EQ(onlyW, c.sizeW);
    EXPECT_EQ(onlyH, c.sizeH);
    EXPECT_EQ(untouched, -7);
}

INSTANTIATE_TEST_SUITE_P(Rules, DisplaySizeTest, ::testing::ValuesIn(kSizeCases));

TEST(DisplaySize, MissingSizeOutputDoesNothing)
{
    ZeroMemory(&Settings, sizeof(Settings));
    ScreenMode.ScreenWidth = 1024;
    ScreenMode.ScreenHeight = 768;
    int sizeW = -7, outW = -7, outH = -7;
    CalcDisplaySize(640, 480, &sizeW, NULL, &outW, &outH);
    EXPECT_EQ(sizeW, -7);
    EXPECT_EQ(outW, -7);
    EXPECT_EQ(outH, -7);
}

// ---- CalcStartPosition

MediaFileEntry TestEntry;

struct StartCase {
    const char* what;
    int kind;
    BOOL continuous;
    BOOL programPlay;
    int stopSeconds;         // STOP_POSITION
    int programStopSeconds;  // PROGRAM_STOPPOSITION
    int entryStart;
    BOOL introPlay;
    int introStart;
    int abState;
    LONGLONG abStart;
    LONGLONG stopPosition;   // of the file
    int result;
    LONGLONG start;
    int errorCode;
    const char* message;
};

const StartCase kStartCases[] = {
    {"resume backs off three seconds", Start, TRUE, FALSE, 10, 0, 0, FALSE, 0, 0, 0, 60 * kSecond,
     1, 7 * kSecond, 0, ""},
    {"a stop at three seconds resumes at 0", Start, TRUE, FALSE, 3, 0, 0, FALSE, 0, 0, 0,
     60 * kSecond, 1, 0, 0, ""},
    {"a stop at four seconds resumes at one", Start, TRUE, FALSE, 4, 0, 0, FALSE, 0, 0, 0,
     60 * kSecond, 1, 1 * kSecond, 0, ""},
    {"a negative stop resumes at 0", Start, TRUE, FALSE, -20, 0, 0, FALSE, 0, 0, 0, 60 * kSecond, 1,
     0, 0, ""},
    {"after the folder dialog the resume point applies", AfterFolderSelect, TRUE, FALSE, 10, 0, 0,
     FALSE, 0, 0, 0, 60 * kSecond, 1, 7 * kSecond, 0, ""},
    {"a pinned folder resumes", HistorySwitch, TRUE, FALSE, 30, 0, 0, FALSE, 0, 0, 0, 60 * kSecond,
     1, 27 * kSecond, 0, ""},
    {"program play resumes at its own point", ProgramSwitch, TRUE, TRUE, 10, 20, 0, FALSE, 0, 0, 0,
     60 * kSecond, 1, 17 * kSecond, 0, ""},
    {"program play ignores the folder's point", Start, TRUE, TRUE, 40, 2, 0, FALSE, 0, 0, 0,
     60 * kSecond, 1, 0, 0, ""},
    {"the end of a file starts the next at 0", AtEnd, TRUE, FALSE, 10, 0, 0, FALSE, 0, 0, 0,
     60 * kSecond, 1, 0, 0, ""},
    {"next and previous start at 0", Step, TRUE, FALSE, 10, 0, 0, FALSE, 0, 0, 0, 60 * kSecond, 1,
     0, 0, ""},
    {"a playlist choice starts at 0", ByNumber, TRUE, FALSE, 10, 0, 0, FALSE, 0, 0, 0, 60 * kSecond,
     1, 0, 0, ""},
    {"without CONTINUOUS_PLAY the start is 0", Start, FALSE, FALSE, 10, 0, 0, FALSE, 0, 0, 0,
     60 * kSecond, 1, 0, 0, ""},
    {"the entry start is a lower bound", Start, TRUE, FALSE, 10, 0, 30, FALSE, 0, 0, 0, 60 * kSecond,
     1, 30 * kSecond, 0, ""},
    {"a resume beyond the entry start wins", Start, TRUE, FALSE, 20, 0, 5, FALSE, 0, 0, 0,
     60 * kSecond, 1, 17 * kSecond, 0, ""},
    {"intro start is a lower bound", Step, TRUE, FALSE, 0, 0, 0, TRUE, 12, 0, 0, 60 * kSecond, 1,
     12 * kSecond, 0, ""},
    {"intro start below the entry start", Step, TRUE, FALSE, 0, 0, 20, TRUE, 12, 0, 0, 60 * kSecond,
     1, 20 * kSecond, 0, ""},
    {"a looping A-B range starts at A at the earliest", AtEnd, TRUE, FALSE, 0, 0, 0, FALSE, 0, 2,
     25 * kSecond + 5000000, 60 * kSecond, 1, 25 * kSecond + 5000000, 0, ""},
    {"a resume beyond A is kept", Start, TRUE, FALSE, 20, 0, 0, FALSE, 0, 2, 5 * kSecond,
     60 * kSecond, 1, 17 * kSecond, 0, ""},
    {"an A point alone does not move the start", AtEnd, TRUE, FALSE, 0, 0, 0, FALSE, 0, 1,
     25 * kSecond, 60 * kSecond, 1, 0, 0, ""},
    {"a resume beyond the file is given as it is", Start, TRUE, FALSE, 100, 0, 0, FALSE, 0, 0, 0,
     50 * kSecond, 1, 97 * kSecond, 0, ""},
    {"an entry start equal to the length passes", Step, TRUE, FALSE, 0, 0, 50, FALSE, 0, 0, 0,
     50 * kSecond, 1, 50 * kSecond, 0, ""},
    {"an entry start beyond the length fails", Step, TRUE, FALSE, 0, 0, 51, FALSE, 0, 0, 0,
     50 * kSecond, 0, -1, VLM_ERR_FILEFAILED, "開始時間が全体の時間を越えています。"},
    {"an intro start beyond the length fails", Step, TRUE, FALSE, 0, 0, 0, TRUE, 51, 0, 0,
     50 * kSecond, 0, -1, VLM_ERR_FILEFAILED,
     "イントロ再生の開始時間が全体の時間を越えています。"},
    {"intro start beyond the length is ignored with intro off", Step, TRUE, FALSE, 0, 0, 0, FALSE,
     51, 0, 0, 50 * kSecond, 1, 0, 0, ""},
};

class StartPositionTest : public ::testing::TestWithParam<StartCase> {
protected:
    void SetUp() override
    {
        ZeroMemory(&Settings, sizeof(Settings));
        ZeroMemory(&GraphState, sizeof(GraphState));
        ZeroMemory(&MediaFileList, sizeof(MediaFileList));
        ZeroMemory(&TestEntry, sizeof(TestEntry));
        MediaFileList.head = MediaFileList.tail = MediaFileList.current = &TestEntry;
        MediaFileList.count = 1;
    }
    void TearDown() override { ZeroMemory(&MediaFileList, sizeof(MediaFileList)); }
};

TEST_P(StartPositionTest, Rules)
{
    const StartCase& c = GetParam();
    Settings.ContinuousPlay = c.continuous;
    Settings.ProgramPlay = c.programPlay;
    Settings.StopPosition = c.stopSeconds;
    Settings.ProgramStopPosition = c.programStopSeconds;
    Settings.IntroPlay = c.introPlay;
    Settings.IntroStartPosition = c.introStart;
    TestEntry.startSeconds = c.entryStart;
    TestEntry.endSeconds = -1;
    GraphState.ABLoopState = c.abState;
    GraphState.ABStart = c.abStart;

    LONGLONG start = -1;
    EXPECT_EQ(CalcStartPosition(c.kind, c.stopPosition, &start), c.result) << c.what;
    EXPECT_EQ(start, c.start) << c.what;
    EXPECT_EQ(Settings.ErrorCode, c.errorCode) << c.what;
    EXPECT_STREQ(Settings.ErrorText, c.message) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Rules, StartPositionTest, ::testing::ValuesIn(kStartCases));

TEST(StartPosition, NoCurrentEntryIsFatal)
{
    ZeroMemory(&Settings, sizeof(Settings));
    ZeroMemory(&MediaFileList, sizeof(MediaFileList));
    LONGLONG start = -1;
    EXPECT_EQ(CalcStartPosition(Start, 60 * kSecond, &start), 0);
    EXPECT_EQ(start, -1);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FATAL);
    EXPECT_STREQ(Settings.ErrorText, "再生中動画のメモリブロックのポインタが不正です。");
}

// ---- ResetPlayState

struct ResetCase {
    int kind;
    int abState;
    bool abKept;
};

const ResetCase kResetCases[] = {
    {AtEnd, 2, true},   {AtEnd, 1, false},       {Step, 2, false},
    {ByNumber, 2, false}, {Start, 2, false},     {AfterFolderSelect, 2, false},
    {ProgramSwitch, 2, false}, {HistorySwitch, 2, false},
};

class ResetPlayStateTest : public ::testing::TestWithParam<ResetCase> {};

TEST_P(ResetPlayStateTest, OnlyALoopingRangeSurvivesTheEndOfFile)
{
    const ResetCase& c = GetParam();
    ZeroMemory(&GraphState, sizeof(GraphState));
    GraphState.StopPosition = 90 * kSecond;
    GraphState.CurrentPosition = 30 * kSecond;
    GraphState.VideoWidth = 320;
    GraphState.VideoHeight = 240;
    GraphState.UserStopped = TRUE;
    GraphState.PositionSaved = TRUE;
    GraphState.ABLoopState = c.abState;
    GraphState.ABStart = 10 * kSecond;
    GraphState.ABEnd = 20 * kSecond;
    GraphState.CurrentAudioStream = 1;
    GraphState.AudioStreamMap[0] = 1;

    ResetPlayState(c.kind);

    EXPECT_EQ(GraphState.StopPosition, 0);
    EXPECT_EQ(GraphState.CurrentPosition, 0);
    EXPECT_EQ(GraphState.VideoWidth, 0);
    EXPECT_EQ(GraphState.VideoHeight, 0);
    EXPECT_FALSE(GraphState.UserStopped);
    EXPECT_FALSE(GraphState.PositionSaved);
    EXPECT_EQ(GraphState.ABLoopState, c.abKept ? c.abState : 0);
    EXPECT_EQ(GraphState.ABStart, c.abKept ? 10 * kSecond : 0);
    EXPECT_EQ(GraphState.ABEnd, c.abKept ? 20 * kSecond : 0);
    // The stream map belongs to the graph and is rewritten only by the next one.
    EXPECT_EQ(GraphState.CurrentAudioStream, 1);
    EXPECT_EQ(GraphState.AudioStreamMap[0], 1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ResetPlayStateTest, ::testing::ValuesIn(kResetCases));

// ---- ChooseAudioSlot

struct AudioSlotCase {
    int streams;  // audio streams mapped into slots 0..streams-1
    int audioSelect;
    int slot;
};

const AudioSlotCase kAudioSlotCases[] = {
    {2, 1, 0}, {2, 2, 1}, {2, 3, 1}, {2, 10, 1}, {3, 2, 1}, {10, 10, 9},
    {10, 11, 9}, {4, 0, 0}, {4, -3, 0}, {5, 4, 3},
};

class AudioSlotTest : public ::testing::TestWithParam<AudioSlotCase> {};

TEST_P(AudioSlotTest, HighestPresentSlotUpToTheRequest)
{
    const AudioSlotCase& c = GetParam();
    int map[VLM_AUDIO_STREAMS];
    for (int i = 0; i < VLM_AUDIO_STREAMS; i++) map[i] = i < c.streams ? 2 * i + 1 : -1;
    EXPECT_EQ(ChooseAudioSlot(map, c.audioSelect), c.slot)
        << c.streams << " streams, AUDIO_SELECT " << c.audioSelect;
}

INSTANTIATE_TEST_SUITE_P(Rules, AudioSlotTest, ::testing::ValuesIn(kAudioSlotCases));

// ---- graph events without a graph

TEST(GraphEvents, NoGraphGivesNoCompletion)
{
    ZeroMemory(&GraphState, sizeof(GraphState));
    EXPECT_FALSE(DrainGraphEvents());
}

// ---- the failure prompt's texts

TEST(FailureText, PlaybackFailureNamesFileAndDetail)
{
    char text[VLM_PROMPT_CHARS];
    ComposeFailureText(VLM_ERR_FILEFAILED, "再生：Run の起動に失敗しました。(0x80004005)", "clip.avi",
                       text);
    EXPECT_STREQ(text,
                 "clip.avi の再生に失敗しました。\r\n（エラー詳細：再生：Run の起動に失敗しました。"
                 "(0x80004005)）\r\n\r\nどうしますか？\r\n\r\nはい：次のファイルを再生する，"
                 "いいえ：フォルダ選択画面を表示，キャンセル：終了");
}

TEST(FailureText, MissingEntryIsShownAsDots)
{
    char text[VLM_PROMPT_CHARS];
    ComposeFailureText(VLM_ERR_FILEFAILED, "x", NULL, text);
    EXPECT_EQ(strncmp(text, "... の再生に失敗しました。", strlen("... の再生に失敗しました。")), 0);
    ComposeFailureText(VLM_ERR_PROGRAMFILE, "指定されたファイルが存在しません。", NULL, text);
    EXPECT_STREQ(text,
                 "指定されたファイルが存在しません。\r\n（ファイル名：...）\r\n"
                 "フォルダ選択画面を表示しますか？");
}

TEST(FailureText, ListFailuresOfferTheFolderDialog)
{
    char text[VLM_PROMPT_CHARS];
    ComposeFailureText(VLM_ERR_NOFILE, "再生動画ファイルがありません。", "ignored.avi", text);
    EXPECT_STREQ(text, "再生動画ファイルがありません。\r\nフォルダ選択画面を表示しますか？");
    ComposeFailureText(VLM_ERR_NOFOLDER, "再生動画のフォルダが存在しません。", NULL, text);
    EXPECT_STREQ(text, "再生動画のフォルダが存在しません。\r\nフォルダ選択画面を表示しますか？");
    ComposeFailureText(VLM_ERR_PROGRAMFILE, "指定されたファイルが存在しません。", "D:\\a\\x.avi",
                       text);
    EXPECT_STREQ(text,
                 "指定されたファイルが存在しません。\r\n（ファイル名：D:\\a\\x.avi）\r\n"
                 "フォルダ選択画面を表示しますか？");
}

TEST(FailureText, LongestTextFitsItsBuffer)
{
    // A full error text and a full-length file name; the buffer has a guard
    // zone behind it that must stay untouched.
    std::string error(159, 'e'), name(259, 'n');
    char text[VLM_PROMPT_CHARS + 64];
    memset(text, 0x5A, sizeof(text));
    ComposeFailureText(VLM_ERR_FILEFAILED, error.c_str(), name.c_str(), text);
    EXPECT_EQ(strlen(text) + 1, 560u);
    for (size_t i = VLM_PROMPT_CHARS; i < sizeof(text); i++) ASSERT_EQ(text[i], 0x5A) << i;
}

}  // namespace
