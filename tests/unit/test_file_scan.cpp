// Folder scan: which files are taken, the error codes, the resume candidate.
#include "support_files.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string.h>

namespace {

struct ExtensionCase {
    const char* extension;
    const char* list;
    int expected;
};

const ExtensionCase ExtensionCases[] = {
    {"avi", "avi|mpg|mpeg|wmv", 1},
    {"AVI", "avi|mpg|mpeg|wmv", 1},
    {"Mpg", "avi|mpg|mpeg|wmv", 1},
    {"wmv", "avi|mpg|mpeg|wmv", 1},
    {"mp4", "avi|mpg|mpeg|wmv", 0},
    {"mpe", "avi|mpg|mpeg|wmv", 0},    // a prefix of a piece is not a match
    {"mpegs", "avi|mpg|mpeg|wmv", 0},
    {"", "avi|mpg|mpeg|wmv", 0},
    {"", "avi||wmv", 1},                // an empty piece matches only an empty extension
    {"", "avi|", 1},
    {"", "|avi", 1},
    {"avi", "|avi", 1},
    {"avi", "", 0},
    {"", "", 1},
    {"avi", " avi", 0},                 // pieces are not trimmed
    {"avi", "avi ", 0},
    {".avi", "avi", 0},
    {"avi", ".avi", 0},
    {"mkv", "MKV", 1},
    {"動画", "動画|avi", 1},
    {"動画", "動像|avi", 0},
    // 0x5C and 0x7C trail bytes must not split a piece or act as letters.
    {"表", "表|avi", 1},
    {"ソ", "ソ", 1},
    {"ｱ", "ｱ|avi", 1},
    {"A", "a", 1},
    {"z", "Z", 1},
    {"[", "{", 0},                      // only letters fold
    {"@", "`", 0},
};

TEST(MatchExtension, Table)
{
    for (const ExtensionCase& c : ExtensionCases)
        EXPECT_EQ(MatchExtension(c.extension, c.list), c.expected)
            << "extension '" << c.extension << "' list '" << c.list << "'";
}

struct FileExtensionCase {
    const char* name;
    const char* expected;   // NULL: no dot
};

const FileExtensionCase FileExtensionCases[] = {
    {"clip.avi", "avi"},
    {"clip.tar.avi", "avi"},
    {"clip", NULL},
    {"clip.", ""},
    {".avi", "avi"},
    {"表.avi", "avi"},
    {"ソ.mpg", "mpg"},
    {"a.表", "表"},
};

TEST(FileExtension, Table)
{
    for (const FileExtensionCase& c : FileExtensionCases) {
        const char* got = FileExtension(c.name);
        if (c.expected == NULL)
            EXPECT_EQ(got, nullptr) << c.name;
        else {
            ASSERT_NE(got, nullptr) << c.name;
            EXPECT_STREQ(got, c.expected) << c.name;
        }
    }
}

class ScanFolderTest : public ::testing::Test {
protected:
    void SetUp() override { FileTestReset(); }
    void TearDown() override { FileTestReset(); }

    std::string UseFolder(const char* tag)
    {
        std::string folder = FileTestFolder(tag);
        strcpy(Settings.DirName, folder.c_str());
        return folder;
    }

    static std::vector<std::string> Sorted(std::vector<std::string> names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ScanFolderTest, TakesListedExtensionsInAnyCase)
{
    std::string folder = UseFolder("ext");
    const char* files[] = {"a.AVI", "b.Mpg", "c.mp4", "nodot", "d.wmv", "e.mpeg", "f.", ".avi",
                           "g.avi.txt", "h.txt.avi"};
    for (const char* name : files) ASSERT_TRUE(FileTestCreateFile(folder, name)) << name;
    ASSERT_TRUE(FileTestCreateFolder(folder, "sub.avi"));

    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    std::vector<std::string> expected = {".avi", "a.AVI", "b.Mpg", "d.wmv", "e.mpeg", "h.txt.avi"};
    EXPECT_EQ(Sorted(FileTestNames()), Sorted(expected));
    EXPECT_EQ(MediaFileList.count, 6);
    FileTestCheckLinks(1);
}

TEST_F(ScanFolderTest, EmptyPieceTakesNamesEndingInDot)
{
    std::string folder = UseFolder("emptypiece");
    ASSERT_TRUE(FileTestCreateFile(folder, "f."));
    ASSERT_TRUE(FileTestCreateFile(folder, "nodot"));
    ASSERT_TRUE(FileTestCreateFile(folder, "x.avi"));
    strcpy(Settings.Extensions, "|wmv");
    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    // Wine may drop a trailing dot on disk; whatever name is listed with an
    // empty extension is taken, the dotless one and x.avi are not.
    std::vector<std::string> names = FileTestNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), std::string("nodot")), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), std::string("x.avi")), 0);
}

TEST_F(ScanFolderTest, EntryFieldsAndListingOrderIds)
{
    std::string folder = UseFolder("fields");
    const char* files[] = {"c.avi", "a.avi", "b.avi", "skip.txt"};
    for (const char* name : files) ASSERT_TRUE(FileTestCreateFile(folder, name));
    // The listing order is the file system's; the ids must follow it.
    std::vector<std::string> listed;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        std::string name = found.cFileName;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".avi") listed.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);

    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"a.avi", "b.avi", "c.avi"}));
    EXPECT_EQ(FileTestPlayNos(), (std::vector<int>{1, 2, 3}));
    for (MediaFileEntry* e = MediaFileList.head; e != NULL; e = e->next) {
        ASSERT_GE(e->id, 1);
        ASSERT_LE(e->id, 3);
        EXPECT_EQ(listed[e->id - 1], e->name);
        EXPECT_EQ(e->startSeconds, 0);
        EXPECT_EQ(e->endSeconds, -1);
        EXPECT_EQ(std::string(e->path), folder + "\\" + e->name);
    }
}

TEST_F(ScanFolderTest, HiddenAndSystemFilesAreTaken)
{
    std::string folder = UseFolder("hidden");
    ASSERT_TRUE(FileTestCreateFile(folder, "h.avi"));
    ASSERT_TRUE(FileTestCreateFile(folder, "s.avi"));
    SetFileAttributesA((folder + "\\h.avi").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((folder + "\\s.avi").c_str(), FILE_ATTRIBUTE_SYSTEM);
    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    EXPECT_EQ(MediaFileList.count, 2);
}

TEST_F(ScanFolderTest, OnlySubFoldersGivesCode1)
{
    std::string folder = UseFolder("subonly");
    ASSERT_TRUE(FileTestCreateFolder(folder, "one.avi"));
    ASSERT_TRUE(FileTestCreateFolder(folder, "two"));
    ASSERT_TRUE(FileTestCreateFile(folder, "notes.txt"));
    EXPECT_EQ(ScanFolder(), 0);
    EXPECT_EQ(Settings.ErrorCode, 1);
    EXPECT_STREQ(Settings.ErrorText, "再生動画ファイルがありません。");
    EXPECT_EQ(MediaFileList.count, 0);
    EXPECT_EQ(MediaFileList.head, nullptr);
}

TEST_F(ScanFolderTest, EmptyFolderGivesCode1)
{
    UseFolder("empty");
    EXPECT_EQ(ScanFolder(), 0);
    EXPECT_EQ(Settings.ErrorCode, 1);
}

TEST_F(ScanFolderTest, MissingFolderGivesCode2)
{
    std::string folder = UseFolder("missing");
    strcat(Settings.DirName, "\\not-there");
    EXPECT_EQ(ScanFolder(), 0);
    EXPECT_EQ(Settings.ErrorCode, 2);
    EXPECT_STREQ(Settings.ErrorText, "再生動画のフォルダが存在しません。");
    EXPECT_EQ(MediaFileList.head, nullptr);
}

TEST_F(ScanFolderTest, FolderNameTooLongToListGivesCode2)
{
    memset(Settings.DirName, 'x', VLM_PATH_CHARS - 1);
    Settings.DirName[VLM_PATH_CHARS - 1] = '\0';
    EXPECT_EQ(ScanFolder(), 0);
    EXPECT_EQ(Settings.ErrorCode, 2);
}

TEST_F(ScanFolderTest, OverLongPathsAreSkipped)
{
    std::string folder = UseFolder("long");
    // DIRNAME + "\" + name must stay at most 259 characters.
    size_t room = VLM_PATH_CHARS - 1 - folder.size() - 1;   // longest name that fits
    ASSERT_GT(room, (size_t)10);
    std::string fits = std::string(room - 4, 'f') + ".avi";
    std::string tooLong = std::string(room - 3, 'g') + ".avi";
    ASSERT_TRUE(FileTestCreateFile(folder, fits));
    ASSERT_TRUE(FileTestCreateFile(folder, tooLong));
    ASSERT_TRUE(FileTestCreateFile(folder, "short.avi"));

    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{fits, "short.avi"}));
    EXPECT_EQ(strlen(MediaFileList.head->path), (size_t)VLM_PATH_CHARS - 1);
}

TEST_F(ScanFolderTest, OnlyOverLongPathsGivesCode1)
{
    std::string folder = UseFolder("longonly");
    size_t room = VLM_PATH_CHARS - 1 - folder.size() - 1;
    ASSERT_TRUE(FileTestCreateFile(folder, std::string(room - 3, 'g') + ".avi"));
    EXPECT_EQ(ScanFolder(), 0);
    EXPECT_EQ(Settings.ErrorCode, 1);
}

TEST_F(ScanFolderTest, JapaneseNamesAndPaths)
{
    std::string folder = UseFolder("jp");
    std::string sub = "動画フォルダ表";
    ASSERT_TRUE(FileTestCreateFolder(folder, sub));
    folder += "\\" + sub;
    strcpy(Settings.DirName, folder.c_str());
    const char* files[] = {"ソフト表示.avi", "あいう.MPG", "漢字.wmv", "予定表.txt"};
    for (const char* name : files) ASSERT_TRUE(FileTestCreateFile(folder, name)) << name;

    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    std::vector<std::string> names = FileTestNames();
    EXPECT_EQ(Sorted(names), Sorted({"ソフト表示.avi", "あいう.MPG", "漢字.wmv"}));
    for (MediaFileEntry* e = MediaFileList.head; e != NULL; e = e->next)
        EXPECT_EQ(GetFileAttributesA(e->path) != INVALID_FILE_ATTRIBUTES, true) << e->path;
}

TEST_F(ScanFolderTest, CodePageNamesAreTheAnsiListingsByteForByte)
{
    std::string folder = UseFolder("ansi");
    const char* files[] = {"ソフト表示.avi", "ｱﾆﾒ表.mpg", "～波.avi", "Ａｂｃ.wmv", "a b.avi"};
    for (const char* name : files) ASSERT_TRUE(FileTestCreateFile(folder, name)) << name;
    std::vector<std::string> listed;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) listed.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);

    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    EXPECT_EQ(Sorted(FileTestNames()), Sorted(listed));
    for (MediaFileEntry* e = MediaFileList.head; e != NULL; e = e->next) {
        EXPECT_EQ(std::string(e->path), folder + "\\" + e->name);
        EXPECT_EQ(std::wstring(e->widePath), FileTestWide(e->path)) << e->name;
    }
}

// Names the code page cannot hold: an accented letter, the wave dash
// U+301C (its look-alike in the code page is U+FF5E) and an emoji.
const WCHAR* const kForeignNames[] = {L"caf\u00E9.avi", L"\u6CE2\u301C\u7DDA.avi", L"\U0001F600.avi"};

std::string BestFit(const WCHAR* name)
{
    char ansi[2 * MAX_PATH] = "";
    WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof(ansi), NULL, NULL);
    return ansi;
}

TEST_F(ScanFolderTest, NamesOutsideTheCodePageKeepTheirRealPath)
{
    std::string folder = UseFolder("foreign");
    std::wstring wideFolder = FileTestWide(folder.c_str());
    for (const WCHAR* name : kForeignNames) {
        HANDLE file = CreateFileW((wideFolder + L"\\" + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    ASSERT_TRUE(FileTestCreateFile(folder, "plain.avi"));
    // The ANSI form is what the playlist shows and PLAYING stores: resume
    // finds the file by it.
    std::string resumeName = BestFit(kForeignNames[1]);
    strcpy(Settings.Playing, resumeName.c_str());
    Settings.StopPosition = 50;

    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    EXPECT_EQ(MediaFileList.count, 4);
    for (const WCHAR* name : kForeignNames) {
        std::wstring real = wideFolder + L"\\" + name;
        MediaFileEntry* e = MediaFileList.head;
        while (e != NULL && real != e->widePath) e = e->next;
        ASSERT_NE(e, nullptr) << BestFit(name);
        EXPECT_EQ(std::string(e->name), BestFit(name));
        EXPECT_EQ(std::string(e->path), folder + "\\" + BestFit(name));
        EXPECT_NE(GetFileAttributesW(e->widePath), INVALID_FILE_ATTRIBUTES);
    }
    ASSERT_NE(MediaFileList.current, nullptr);
    EXPECT_EQ(std::wstring(MediaFileList.current->widePath), wideFolder + L"\\" + kForeignNames[1]);
    EXPECT_EQ(Settings.StopPosition, 50);
    WCHAR path[VLM_PATH_CHARS];
    ASSERT_EQ(SelectMediaFile(Start, 0, path), 1);
    EXPECT_EQ(std::wstring(path), wideFolder + L"\\" + kForeignNames[1]);
}

TEST_F(ScanFolderTest, TrailingBackslashIsJoinedPlainly)
{
    std::string folder = UseFolder("slash");
    ASSERT_TRUE(FileTestCreateFile(folder, "a.avi"));
    strcat(Settings.DirName, "\\");
    ASSERT_EQ(ScanFolder(), 1) << Settings.ErrorText;
    EXPECT_EQ(std::string(MediaFileList.head->path), folder + "\\\\a.avi");
}

TEST_F(ScanFolderTest, ResumeCandidateIsCurrent)
{
    std::string folder = UseFolder("resume");
    for (const char* name : {"a.avi", "b.avi", "c.avi"}) ASSERT_TRUE(FileTestCreateFile(folder, name));
    strcpy(Settings.Playing, "b.avi");
    Settings.StopPosition = 42;
    Settings.ContinuousPlay = FALSE;   // name order resumes the file even so
    ASSERT_EQ(ScanFolder(), 1);
    ASSERT_NE(MediaFileList.current, nullptr);
    EXPECT_STREQ(MediaFileList.current->name, "b.avi");
    EXPECT_EQ(Settings.StopPosition, 42);
}

TEST_F(ScanFolderTest, ResumeNameIsCaseSensitive)
{
    std::string folder = UseFolder("resumecase");
    for (const char* name : {"a.avi", "b.avi"}) ASSERT_TRUE(FileTestCreateFile(folder, name));
    strcpy(Settings.Playing, "B.avi");
    Settings.StopPosition = 42;
    ASSERT_EQ(ScanFolder(), 1);
    EXPECT_EQ(MediaFileList.current, nullptr);
    EXPECT_EQ(Settings.StopPosition, 0);
}

TEST_F(ScanFolderTest, PlayingNoLongerThereStartsAtHead)
{
    std::string folder = UseFolder("gone");
    for (const char* name : {"b.avi", "a.avi"}) ASSERT_TRUE(FileTestCreateFile(folder, name));
    strcpy(Settings.Playing, "deleted.avi");
    Settings.StopPosition = 120;
    ASSERT_EQ(ScanFolder(), 1);
    EXPECT_EQ(MediaFileList.current, nullptr);
    EXPECT_EQ(Settings.StopPosition, 0);
    WCHAR path[VLM_PATH_CHARS];
    ASSERT_EQ(SelectMediaFile(Start, 0, path), 1);
    EXPECT_EQ(std::wstring(path), FileTestWide((folder + "\\a.avi").c_str()));
}

TEST_F(ScanFolderTest, RandomOrderResumesOnlyWithContinuousPlay)
{
    std::string folder = UseFolder("randresume");
    for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi"}) ASSERT_TRUE(FileTestCreateFile(folder, name));
    strcpy(Settings.Playing, "c.avi");
    Settings.Random = TRUE;

    Settings.StopPosition = 30;
    FileTestUseDraws({1000, 20000, 5000, 31000});
    ASSERT_EQ(ScanFolder(), 1);
    EXPECT_EQ(FileTestDrawsTaken(), 4);
    ASSERT_NE(MediaFileList.current, nullptr);
    EXPECT_STREQ(MediaFileList.current->name, "c.avi");
    EXPECT_EQ(Settings.StopPosition, 30);

    FileTestReset();
    strcpy(Settings.DirName, folder.c_str());
    strcpy(Settings.Playing, "c.avi");
    Settings.Random = TRUE;
    Settings.ContinuousPlay = FALSE;
    Settings.StopPosition = 30;
    ASSERT_EQ(ScanFolder(), 1);
    EXPECT_EQ(MediaFileList.current, nullptr);
    EXPECT_EQ(Settings.StopPosition, 0);
}

TEST_F(ScanFolderTest, RescanReplacesLeftoverEntries)
{
    std::string folder = UseFolder("rescan");
    for (const char* name : {"a.avi", "b.avi"}) ASSERT_TRUE(FileTestCreateFile(folder, name));
    ASSERT_EQ(ScanFolder(), 1);
    // A failed build leaves entries behind with count 0.
    MediaFileList.count = 0;
    ASSERT_EQ(ScanFolder(), 1);
    EXPECT_EQ(MediaFileList.count, 2);
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"a.avi", "b.avi"}));
    FileTestCheckLinks(1);
}

TEST_F(ScanFolderTest, AllocationFailureGivesFatalCodeAndKeepsLinkedEntries)
{
    std::string folder = UseFolder("nomem");
    char name[32];
    const int files = 200;
    for (int i = 0; i < files; i++) {
        sprintf(name, "clip%03d.avi", i);
        ASSERT_TRUE(FileTestCreateFile(folder, name));
    }
    // A heap that cannot grow holds only some of the entries (Wine gives a
    // fixed heap at least 64 KB, about 110 entries).
    HANDLE small = HeapCreate(0, 0, 16 * 1024);
    ASSERT_NE(small, nullptr);
    Settings.Heap = small;
    EXPECT_EQ(ScanFolder(), 0);
    EXPECT_EQ(Settings.ErrorCode, -1);
    EXPECT_EQ(strncmp(Settings.ErrorText, "メモリ不足あるいはヒープコラプション発生",
                      strlen("メモリ不足あるいはヒープコラプション発生")), 0)
        << Settings.ErrorText;
    EXPECT_GT(MediaFileList.count, 0);
    EXPECT_LT(MediaFileList.count, files);
    FileTestCheckLinks(1);
    FreeMediaList();
    EXPECT_EQ(MediaFileList.head, nullptr);
    EXPECT_EQ(MediaFileList.count, 0);
    HeapDestroy(small);
    Settings.Heap = GetProcessHeap();
}

// The file to resume plays while the folder is listed behind it; the list
// taken over is the one ScanFolder builds, or the folder is scanned as
// before when that file is not the one the scan would resume.
struct BackgroundCase {
    const char* playing;
    BOOL random, continuous, descending;
    BOOL started;
    BOOL moved = FALSE;   // by the rules another file, or its start, is to play
};

const BackgroundCase BackgroundCases[] = {
    {"b.avi", FALSE, TRUE, FALSE, TRUE},
    {"a.avi", FALSE, TRUE, TRUE, TRUE},
    {"c.avi", TRUE, TRUE, FALSE, TRUE},
    {"c.avi", TRUE, FALSE, FALSE, FALSE},   // a new random order starts at its head
    {"B.avi", FALSE, TRUE, FALSE, FALSE},   // the rule compares letter case
    {"x.mp4", FALSE, TRUE, FALSE, FALSE},
    {"gone.avi", FALSE, TRUE, FALSE, FALSE},
    {"sub.avi", FALSE, TRUE, FALSE, FALSE},
    {"sub.avi\\a.avi", FALSE, TRUE, FALSE, FALSE},
    {"", FALSE, TRUE, FALSE, FALSE},
    // Two real names share this ANSI name: the first starts from 0.
    {"cafe.avi", FALSE, TRUE, FALSE, TRUE, TRUE},
};

static int Draws;
static int CountingRandom() { return (Draws++ * 7919) % 32768; }

static std::vector<std::string> ListNames()
{
    std::vector<std::string> names;
    for (MediaFileEntry* e = MediaFileList.head; e; e = e->next) names.push_back(e->name);
    names.push_back(MediaFileList.current ? MediaFileList.current->name : "-");
    return names;
}

TEST_F(ScanFolderTest, ResumeFilePlaysWhileTheFolderIsListed)
{
    std::string folder = UseFolder("background");
    for (const char* name : {"c.avi", "a.avi", "b.avi", "d.wmv", "x.mp4"}) ASSERT_TRUE(FileTestCreateFile(folder, name));
    ASSERT_TRUE(FileTestCreateFolder(folder, "sub.avi"));
    ASSERT_TRUE(FileTestCreateFile(folder + "\\sub.avi", "a.avi"));
    ASSERT_TRUE(FileTestCreateFile(folder, "cafe.avi"));
    std::wstring accented = FileTestWide(folder.c_str()) + L"\\caf\u00E9.avi";
    HANDLE file = CreateFileW(accented.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ASSERT_EQ(BestFit(L"caf\u00E9.avi"), "cafe.avi");
    MediaRandom = CountingRandom;
    for (const BackgroundCase& c : BackgroundCases) {
        strcpy(Settings.Playing, c.playing);
        Settings.Random = c.random;
        Settings.ContinuousPlay = c.continuous;
        Settings.Descending = c.descending;
        Settings.StopPosition = 30;
        Draws = 0;
        ASSERT_EQ(ScanFolder(), 1) << c.playing;
        std::vector<std::string> scanned = ListNames();
        int stop = Settings.StopPosition;
        FreeMediaList();

        Settings.StopPosition = 30;
        Draws = 0;
        ASSERT_EQ(StartFolderScan(NULL, 0), c.started) << c.playing;
        if (!c.started) continue;
        EXPECT_EQ(MediaFileList.count, 1);
        EXPECT_STREQ(MediaFileList.current->name, c.playing);
        BOOL moved = !c.moved;
        ASSERT_EQ(AwaitFolderScan(&moved), 1) << c.playing;
        EXPECT_EQ(moved, c.moved) << c.playing;
        EXPECT_FALSE(FolderScanPending());
        EXPECT_EQ(ListNames(), scanned) << c.playing;
        EXPECT_EQ(Settings.StopPosition, stop) << c.playing;
        FileTestCheckLinks(1);
        FreeMediaList();
    }
    // A list let go while it is being listed takes its listing along.
    strcpy(Settings.Playing, "a.avi");
    ASSERT_EQ(StartFolderScan(NULL, 0), 1);
    FreeMediaList();
    EXPECT_FALSE(FolderScanPending());
    EXPECT_EQ(MediaFileList.count, 0);
}

}  // namespace
