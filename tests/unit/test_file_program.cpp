// Program play list: numbered keys of the settings file to the media list.
#include "support_files.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

namespace {

class ProgramListTest : public ::testing::Test {
protected:
    std::string folder;

    void SetUp() override
    {
        FileTestReset();
        folder = FileTestFolder("program");
        strcpy(Settings.SettingsPath, (folder + "\\Velmora.ini").c_str());
        Settings.ProgramPlay = TRUE;
    }
    void TearDown() override { FileTestReset(); }

    // Writes the settings file: section "VELMORA" with these lines.
    void WriteIni(const std::vector<std::string>& lines)
    {
        std::string text = "[VELMORA]\r\n";
        for (const std::string& line : lines) text += line + "\r\n";
        HANDLE file = CreateFileA(Settings.SettingsPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written;
        WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
        CloseHandle(file);
    }

    std::string Media(const std::string& name)
    {
        EXPECT_TRUE(FileTestCreateFile(folder, name)) << name;
        return folder + "\\" + name;
    }

    static std::string Key(const char* stem, int number)
    {
        char key[64];
        sprintf(key, "%s%02d", stem, number);
        return key;
    }
};

TEST_F(ProgramListTest, ListEndsAtFirstEmptyNumber)
{
    std::string a = Media("a.avi"), b = Media("b.mp4"), c = Media("c.mkv"), e = Media("e.avi");
    WriteIni({"PROGRAM_FILENAME01=" + a, "PROGRAM_STA_POSITION01=5", "PROGRAM_END_POSITION01=60",
              "PROGRAM_FILENAME02=" + b, "PROGRAM_FILENAME03=" + c, "PROGRAM_END_POSITION03=-1",
              "PROGRAM_STA_POSITION03=0", "PROGRAM_FILENAME04=", "PROGRAM_FILENAME05=" + e});
    ASSERT_EQ(LoadProgramList(), 1) << Settings.ErrorText;
    EXPECT_EQ(MediaFileList.count, 3);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(FileTestPlayNos(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"a.avi", "b.mp4", "c.mkv"}));
    MediaFileEntry* first = MediaFileList.head;
    EXPECT_EQ(std::string(first->path), a);
    EXPECT_EQ(first->startSeconds, 5);
    EXPECT_EQ(first->endSeconds, 60);
    EXPECT_EQ(first->next->startSeconds, 0);   // absent
    EXPECT_EQ(first->next->endSeconds, -1);    // absent
    EXPECT_EQ(MediaFileList.tail->startSeconds, 0);
    EXPECT_EQ(MediaFileList.tail->endSeconds, -1);
    FileTestCheckLinks(1);
}

TEST_F(ProgramListTest, ValuesAreNotRangeChecked)
{
    std::string a = Media("a.avi");
    WriteIni({"PROGRAM_FILENAME01=" + a, "PROGRAM_STA_POSITION01=40000", "PROGRAM_END_POSITION01=-7"});
    ASSERT_EQ(LoadProgramList(), 1) << Settings.ErrorText;
    EXPECT_EQ(MediaFileList.head->startSeconds, 40000);
    EXPECT_EQ(MediaFileList.head->endSeconds, -7);
}

TEST_F(ProgramListTest, FirstNumberEmptyGivesCode1)
{
    std::string a = Media("a.avi");
    WriteIni({"PROGRAM_FILENAME02=" + a});
    EXPECT_EQ(LoadProgramList(), 0);
    EXPECT_EQ(Settings.ErrorCode, 1);
    EXPECT_STREQ(Settings.ErrorText, "再生動画ファイルがありません．");
    EXPECT_EQ(MediaFileList.head, nullptr);
    EXPECT_EQ(MediaFileList.count, 0);
}

TEST_F(ProgramListTest, MissingSettingsFileGivesCode1)
{
    EXPECT_EQ(LoadProgramList(), 0);
    EXPECT_EQ(Settings.ErrorCode, 1);
}

TEST_F(ProgramListTest, MissingFileGivesCode3AndNamesIt)
{
    std::string a = Media("a.avi"), c = Media("c.avi");
    std::string missing = folder + "\\gone.avi";
    WriteIni({"PROGRAM_FILENAME01=" + a, "PROGRAM_FILENAME02=" + missing, "PROGRAM_FILENAME03=" + c});
    EXPECT_EQ(LoadProgramList(), 0);
    EXPECT_EQ(Settings.ErrorCode, 3);
    EXPECT_STREQ(Settings.ErrorText, "指定されたファイルが存在しません。");
    EXPECT_EQ(MediaFileList.count, 1);
    ASSERT_NE(MediaFileList.current, nullptr);
    EXPECT_EQ(MediaFileList.current->id, 2);
    EXPECT_EQ(std::string(MediaFileList.current->path), missing);
    EXPECT_STREQ(MediaFileList.current->name, "gone.avi");
    // Linked (uncounted); nothing after it was read.
    EXPECT_EQ(FileTestIds(), (std::vector<int>{1, 2}));
    FileTestCheckLinks(0);
    FreeMediaList();
    EXPECT_EQ(MediaFileList.head, nullptr);
}

TEST_F(ProgramListTest, FolderGivesCode3)
{
    std::string a = Media("a.avi");
    ASSERT_TRUE(FileTestCreateFolder(folder, "clips.avi"));
    WriteIni({"PROGRAM_FILENAME01=" + a, "PROGRAM_FILENAME02=" + folder + "\\clips.avi"});
    EXPECT_EQ(LoadProgramList(), 0);
    EXPECT_EQ(Settings.ErrorCode, 3);
    EXPECT_EQ(MediaFileList.count, 1);
    ASSERT_NE(MediaFileList.current, nullptr);
    EXPECT_EQ(MediaFileList.current->id, 2);
}

TEST_F(ProgramListTest, MissingFirstFileLeavesCountZero)
{
    WriteIni({"PROGRAM_FILENAME01=" + folder + "\\none.avi"});
    EXPECT_EQ(LoadProgramList(), 0);
    EXPECT_EQ(Settings.ErrorCode, 3);
    EXPECT_EQ(MediaFileList.count, 0);
    ASSERT_NE(MediaFileList.current, nullptr);
    EXPECT_EQ(MediaFileList.current, MediaFileList.head);
}

TEST_F(ProgramListTest, NameIsTheTextAfterTheLastBackslash)
{
    ASSERT_TRUE(FileTestCreateFolder(folder, "予定表"));
    std::string inner = folder + "\\予定表";
    ASSERT_TRUE(FileTestCreateFile(inner, "ソ.avi"));
    ASSERT_TRUE(FileTestCreateFile(inner, "表.avi"));
    ASSERT_TRUE(FileTestCreateFile(folder, "plain.avi"));

    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    WriteIni({"PROGRAM_FILENAME01=" + inner + "\\ソ.avi", "PROGRAM_FILENAME02=" + inner + "\\表.avi",
              "PROGRAM_FILENAME03=plain.avi"});
    int loaded = LoadProgramList();
    SetCurrentDirectoryA(saved);

    ASSERT_EQ(loaded, 1) << Settings.ErrorText;
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"ソ.avi", "表.avi", "plain.avi"}));
    EXPECT_STREQ(MediaFileList.tail->path, "plain.avi");
}

TEST_F(ProgramListTest, SameFileTwiceAndResumeByNumber)
{
    std::string a = Media("a.avi");
    WriteIni({"PROGRAM_FILENAME01=" + a, "PROGRAM_FILENAME02=" + a});
    Settings.ProgramPlayNo = 2;
    Settings.ProgramStopPosition = 77;
    ASSERT_EQ(LoadProgramList(), 1) << Settings.ErrorText;
    EXPECT_EQ(MediaFileList.count, 2);
    ASSERT_NE(MediaFileList.current, nullptr);
    EXPECT_EQ(MediaFileList.current, MediaFileList.tail);
    EXPECT_EQ(MediaFileList.current->id, 2);
    EXPECT_EQ(Settings.ProgramStopPosition, 77);
}

TEST_F(ProgramListTest, ResumeNumberBeyondTheListStartsAtHead)
{
    std::string a = Media("a.avi"), b = Media("b.avi");
    WriteIni({"PROGRAM_FILENAME01=" + a, "PROGRAM_FILENAME02=" + b, "PROGRAM_FILENAME04=" + b});
    Settings.ProgramPlayNo = 4;
    Settings.ProgramStopPosition = 77;
    ASSERT_EQ(LoadProgramList(), 1);
    EXPECT_EQ(MediaFileList.current, nullptr);
    EXPECT_EQ(Settings.ProgramStopPosition, 0);
    WCHAR out[VLM_PATH_CHARS];
    ASSERT_EQ(SelectMediaFile(Start, 0, out), 1);
    EXPECT_EQ(std::wstring(out), FileTestWide(a.c_str()));
}

TEST_F(ProgramListTest, KeyOrderIgnoresDescending)
{
    std::string a = Media("a.avi"), b = Media("b.avi"), c = Media("c.avi");
    WriteIni({"PROGRAM_FILENAME01=" + b, "PROGRAM_FILENAME02=" + c, "PROGRAM_FILENAME03=" + a});
    Settings.Descending = TRUE;
    ASSERT_EQ(LoadProgramList(), 1);
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"b.avi", "c.avi", "a.avi"}));
}

TEST_F(ProgramListTest, RandomShufflesAndKeepsTheResumeEntry)
{
    std::string a = Media("a.avi"), b = Media("b.avi"), c = Media("c.avi"), d = Media("d.avi");
    WriteIni({"PROGRAM_FILENAME01=" + a, "PROGRAM_FILENAME02=" + b, "PROGRAM_FILENAME03=" + c,
              "PROGRAM_FILENAME04=" + d});
    Settings.Random = TRUE;
    Settings.ProgramPlayNo = 3;
    Settings.ProgramStopPosition = 12;
    // a; b at the head; c after the first; d at the head: d b c a
    FileTestUseDraws({9999, 0, 15000, 100});
    ASSERT_EQ(LoadProgramList(), 1);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{4, 2, 3, 1}));
    EXPECT_EQ(FileTestPlayNos(), (std::vector<int>{1, 2, 3, 4}));
    ASSERT_NE(MediaFileList.current, nullptr);
    EXPECT_EQ(MediaFileList.current->id, 3);
    EXPECT_EQ(Settings.ProgramStopPosition, 12);

    Settings.ContinuousPlay = FALSE;
    FileTestUseDraws({0, 0, 0, 0});
    ASSERT_EQ(LoadProgramList(), 1);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{4, 3, 2, 1}));
    EXPECT_EQ(MediaFileList.current, nullptr);
    EXPECT_EQ(Settings.ProgramStopPosition, 0);
}

TEST_F(ProgramListTest, HundredEntriesAndNoMore)
{
    std::string a = Media("a.avi");
    std::vector<std::string> lines;
    for (int n = 1; n <= 101; n++) {
        lines.push_back(Key("PROGRAM_FILENAME", n) + "=" + a);
        lines.push_back(Key("PROGRAM_STA_POSITION", n) + "=" + std::to_string(n));
    }
    WriteIni(lines);
    Settings.ProgramPlayNo = 100;
    ASSERT_EQ(LoadProgramList(), 1) << Settings.ErrorText;
    EXPECT_EQ(MediaFileList.count, 100);
    EXPECT_EQ(MediaFileList.tail->id, 100);
    EXPECT_EQ(MediaFileList.tail->startSeconds, 100);
    EXPECT_EQ(MediaFileList.current, MediaFileList.tail);
}

TEST_F(ProgramListTest, ReloadReplacesLeftoverEntries)
{
    std::string a = Media("a.avi");
    WriteIni({"PROGRAM_FILENAME01=" + a, "PROGRAM_FILENAME02=" + folder + "\\gone.avi"});
    EXPECT_EQ(LoadProgramList(), 0);
    WriteIni({"PROGRAM_FILENAME01=" + a});
    ASSERT_EQ(LoadProgramList(), 1);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{1}));
    FileTestCheckLinks(1);
}

TEST_F(ProgramListTest, AllocationFailureGivesFatalCode)
{
    std::string a = Media("a.avi");
    WriteIni({"PROGRAM_FILENAME01=" + a});
    HANDLE full = HeapCreate(0, 0, 16 * 1024);
    ASSERT_NE(full, nullptr);
    for (SIZE_T size : {4096, 256, 16})
        while (HeapAlloc(full, 0, size) != NULL) {}
    Settings.Heap = full;
    EXPECT_EQ(LoadProgramList(), 0);
    Settings.Heap = GetProcessHeap();
    HeapDestroy(full);
    EXPECT_EQ(Settings.ErrorCode, -1);
    const char* message = "メモリ不足あるいはヒープコラプション発生．";
    EXPECT_EQ(strncmp(Settings.ErrorText, message, strlen(message)), 0) << Settings.ErrorText;
    EXPECT_EQ(MediaFileList.head, nullptr);
}

}  // namespace
