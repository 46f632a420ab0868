// Choice of the file for each request kind, its messages and the path
// handed to the media graph.
#include "support_files.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include <gtest/gtest.h>
#include <string.h>

namespace {

void BuildList(const std::vector<std::string>& names)
{
    FreeMediaList();
    for (size_t i = 0; i < names.size(); i++) {
        MediaFileEntry* e = (MediaFileEntry*)HeapAlloc(Settings.Heap, HEAP_ZERO_MEMORY, sizeof(MediaFileEntry));
        e->id = (int)i + 1;
        e->endSeconds = -1;
        strcpy(e->name, names[i].c_str());
        strcpy(e->path, ("Z:\\clips\\" + names[i]).c_str());
        lstrcpyW(e->widePath, FileTestWide(e->path).c_str());
        InsertAfter(&MediaFileList, MediaFileList.tail, e);
        MediaFileList.count++;
    }
    RenumberMediaList(&MediaFileList);
}

MediaFileEntry* Numbered(int playNo)
{
    for (MediaFileEntry* e = MediaFileList.head; e != NULL; e = e->next)
        if (e->playNo == playNo) return e;
    return NULL;
}

std::wstring ClipPath(const char* name)
{
    return FileTestWide((std::string("Z:\\clips\\") + name).c_str());
}

class SelectTest : public ::testing::Test {
protected:
    WCHAR out[VLM_PATH_CHARS];

    void SetUp() override
    {
        FileTestReset();
        GraphState.ABLoopState = 0;
        BuildList({"a.avi", "b.avi", "c.avi"});
        // Garbage in the buffer shows whether it is cleared.
        for (WCHAR& c : out) c = L'#';
    }
    void TearDown() override
    {
        GraphState.ABLoopState = 0;
        FileTestReset();
    }

    // A failing request: code -1 with the message, out cleared, current kept.
    void ExpectFailure(int kind, int argument, const char* message)
    {
        MediaFileEntry* before = MediaFileList.current;
        for (WCHAR& c : out) c = L'#';
        EXPECT_EQ(SelectMediaFile(kind, argument, out), 0) << "kind " << kind << " argument " << argument;
        EXPECT_EQ(Settings.ErrorCode, -1);
        EXPECT_STREQ(Settings.ErrorText, message);
        EXPECT_EQ(out[0], L'\0');
        EXPECT_EQ(MediaFileList.current, before);
        ClearError();
    }

    std::string Chosen(int kind, int argument)
    {
        if (!SelectMediaFile(kind, argument, out)) return std::string("failed: ") + Settings.ErrorText;
        EXPECT_EQ(std::wstring(out), ClipPath(MediaFileList.current->name));
        return MediaFileList.current->name;
    }
};

const int StartKinds[] = {Start, AfterFolderSelect, ProgramSwitch, HistorySwitch};

TEST_F(SelectTest, StartKindsTakeCurrentElseHead)
{
    for (int kind : StartKinds) {
        MediaFileList.current = NULL;
        EXPECT_EQ(Chosen(kind, 0), "a.avi") << kind;
        MediaFileList.current = Numbered(2);
        EXPECT_EQ(Chosen(kind, 0), "b.avi") << kind;
        EXPECT_EQ(Chosen(kind, 5), "b.avi") << "the argument is ignored, kind " << kind;
    }
}

TEST_F(SelectTest, StartKindsOnEmptyListFail)
{
    FreeMediaList();
    for (int kind : StartKinds) ExpectFailure(kind, 0, "再生動画ファイルが見つかりません。");
}

TEST_F(SelectTest, StepMovesBothWays)
{
    MediaFileList.current = Numbered(2);
    EXPECT_EQ(Chosen(Step, 1), "c.avi");
    EXPECT_EQ(Chosen(Step, 0), "b.avi");
    EXPECT_EQ(Chosen(Step, 0), "a.avi");
    EXPECT_EQ(Chosen(Step, -7), "b.avi");   // any non-zero argument means next
}

TEST_F(SelectTest, NameOrderWrapsWithoutDrawing)
{
    FileTestUseDraws({});
    MediaFileList.current = Numbered(3);
    EXPECT_EQ(Chosen(Step, 1), "a.avi");
    EXPECT_EQ(Chosen(Step, 0), "c.avi");
    EXPECT_EQ(FileTestDrawOverruns(), 0);
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"a.avi", "b.avi", "c.avi"}));
}

TEST_F(SelectTest, StepWithoutCurrentStartsAtAnEnd)
{
    MediaFileList.current = NULL;
    EXPECT_EQ(Chosen(Step, 0), "c.avi");
    MediaFileList.current = NULL;
    EXPECT_EQ(Chosen(Step, 1), "a.avi");
}

TEST_F(SelectTest, StepOnEmptyListFails)
{
    FreeMediaList();
    ExpectFailure(Step, 1, "ファイルリスト（先頭）に異常を検出しました。");
    ExpectFailure(Step, 0, "ファイルリスト（最後尾）に異常を検出しました。");
    ExpectFailure(AtEnd, 0, "ファイルリスト（先頭）に異常を検出しました。");
}

TEST_F(SelectTest, RandomWrapReshufflesAndMayReplayTheSameFile)
{
    Settings.Random = TRUE;
    MediaFileList.current = Numbered(3);   // c.avi, the last of this pass
    // a: head; b: after a; c: slot 0, the head again.
    FileTestUseDraws({500, 30000, 0});
    EXPECT_EQ(Chosen(Step, 1), "c.avi");
    EXPECT_EQ(FileTestDrawsTaken(), 3);
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"c.avi", "a.avi", "b.avi"}));
    EXPECT_EQ(FileTestPlayNos(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(MediaFileList.current->playNo, 1);
    FileTestCheckLinks(1);
}

TEST_F(SelectTest, RandomWrapAtEndReshufflesToo)
{
    Settings.Random = TRUE;
    MediaFileList.current = Numbered(3);
    FileTestUseDraws({0, 0, 0});   // every entry to the head: c, b, a
    EXPECT_EQ(Chosen(AtEnd, 0), "c.avi");
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"c.avi", "b.avi", "a.avi"}));
}

TEST_F(SelectTest, RandomBackFromHeadDoesNotReshuffle)
{
    Settings.Random = TRUE;
    MediaFileList.current = Numbered(1);
    FileTestUseDraws({});
    EXPECT_EQ(Chosen(Step, 0), "c.avi");
    EXPECT_EQ(FileTestDrawsTaken(), 0);
    EXPECT_EQ(FileTestDrawOverruns(), 0);
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"a.avi", "b.avi", "c.avi"}));
}

TEST_F(SelectTest, RandomStepInsideThePassDoesNotReshuffle)
{
    Settings.Random = TRUE;
    MediaFileList.current = Numbered(1);
    FileTestUseDraws({});
    EXPECT_EQ(Chosen(Step, 1), "b.avi");
    EXPECT_EQ(Chosen(AtEnd, 0), "c.avi");
    EXPECT_EQ(FileTestDrawOverruns(), 0);
}

struct AtEndCase {
    BOOL fileLoop;
    int abState;
    const char* expected;   // from b.avi
};

TEST_F(SelectTest, AtEndRepeatsOnlyForFileLoopOrLoopingAB)
{
    const AtEndCase cases[] = {
        {FALSE, 0, "c.avi"}, {FALSE, 1, "c.avi"}, {FALSE, 2, "b.avi"},
        {TRUE, 0, "b.avi"},  {TRUE, 1, "b.avi"},  {TRUE, 2, "b.avi"},
    };
    for (const AtEndCase& c : cases) {
        Settings.FileLoop = c.fileLoop;
        GraphState.ABLoopState = c.abState;
        MediaFileList.current = Numbered(2);
        EXPECT_EQ(Chosen(AtEnd, 0), c.expected) << "FILELOOP " << c.fileLoop << " A-B " << c.abState;
    }
}

TEST_F(SelectTest, FileLoopAtTheTailRepeatsInsteadOfWrapping)
{
    Settings.FileLoop = TRUE;
    Settings.Random = TRUE;
    FileTestUseDraws({});
    MediaFileList.current = Numbered(3);
    EXPECT_EQ(Chosen(AtEnd, 0), "c.avi");
    EXPECT_EQ(FileTestDrawOverruns(), 0);
}

TEST_F(SelectTest, FileLoopStillLetsStepMove)
{
    Settings.FileLoop = TRUE;
    GraphState.ABLoopState = 2;
    MediaFileList.current = Numbered(2);
    EXPECT_EQ(Chosen(Step, 1), "c.avi");
    EXPECT_EQ(Chosen(Step, 0), "b.avi");
}

TEST_F(SelectTest, ByNumberFindsEveryPlayNo)
{
    for (int n = 1; n <= 3; n++) {
        MediaFileList.current = NULL;
        EXPECT_EQ(Chosen(ByNumber, n), std::string(1, (char)('a' + n - 1)) + ".avi");
        EXPECT_EQ(MediaFileList.current->playNo, n);
    }
}

TEST_F(SelectTest, ByNumberOutsideTheListFails)
{
    MediaFileList.current = Numbered(2);
    for (int n : {0, 4, -1, 1000})
        ExpectFailure(ByNumber, n, "指定のファイル番号の動画が見つかりません。");
    FreeMediaList();
    ExpectFailure(ByNumber, 1, "指定のファイル番号の動画が見つかりません。");
}

TEST_F(SelectTest, UnknownKindsActLikeByNumber)
{
    for (int kind : {7, 100, -1}) {
        MediaFileList.current = NULL;
        EXPECT_EQ(Chosen(kind, 2), "b.avi") << kind;
        ExpectFailure(kind, 9, "指定のファイル番号の動画が見つかりません。");
    }
}

struct ResumeCase {
    std::vector<std::string> names;
    const char* playing;
    int expectedId;      // 0: none
    int expectedStop;    // from a stored 42
};

TEST_F(SelectTest, ResumeOnlyWhenPlayingNamesExactlyOneEntry)
{
    // 노래1.avi and 영상1.avi are both ??1.avi in the code page.
    const ResumeCase cases[] = {
        {{"a.avi", "b.avi", "c.avi"}, "b.avi", 2, 42},
        {{"??1.avi", "??1.avi", "b.avi"}, "??1.avi", 1, 0},
        {{"a.avi", "??1.avi", "??1.avi"}, "??1.avi", 2, 0},
        {{"a.avi", "b.avi"}, "B.avi", 0, 0},
        {{"a.avi"}, "", 0, 0},
    };
    for (const ResumeCase& c : cases) {
        BuildList(c.names);
        MediaFileList.current = MediaFileList.tail;
        int stop = 42;
        PlaceResumePoint(&MediaFileList, c.playing, &stop);
        EXPECT_EQ(MediaFileList.current ? MediaFileList.current->id : 0, c.expectedId) << c.playing;
        EXPECT_EQ(stop, c.expectedStop) << c.playing;
    }
}

TEST_F(SelectTest, RealPathIsHandedOverNotTheAnsiOne)
{
    // 波〜線: the wave dash has no place in the code page, so the ANSI name
    // is a best fit that names no file.
    BuildList({"波?線.avi"});
    const WCHAR real[] = L"Z:\\clips\\\u6CE2\u301C\u7DDA.avi";
    lstrcpyW(MediaFileList.head->widePath, real);
    ASSERT_EQ(SelectMediaFile(Start, 0, out), 1);
    EXPECT_EQ(std::wstring(out), std::wstring(real));
    EXPECT_EQ(out[lstrlenW(real) + 1], L'\0');   // the rest of the buffer is cleared
}

TEST_F(SelectTest, LongestPathFitsWithItsTerminator)
{
    std::string name(VLM_PATH_CHARS - 1 - strlen("Z:\\clips\\") - 4, 'n');
    BuildList({name + ".avi"});
    ASSERT_EQ(strlen(MediaFileList.head->path), (size_t)VLM_PATH_CHARS - 1);
    ASSERT_EQ(SelectMediaFile(Start, 0, out), 1);
    EXPECT_EQ(out[VLM_PATH_CHARS - 2], L'i');
    EXPECT_EQ(out[VLM_PATH_CHARS - 1], L'\0');
}

}  // namespace
