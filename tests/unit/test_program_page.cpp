// Program list editor without a window: folders of paths, the file-open
// dialog's selection split into paths, and the program list read from and
// written to the settings file.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "support_ini.h"
#include "vlm_configwin.h"

// "表" is 0x95 0x5C in code page 932: its trail byte is a backslash byte.
#define TRAIL5C "表"

TEST(ParentFolder, CutsAtTheLastBackslashCharacter)
{
    static const struct { const char* path; const char* folder; } cases[] = {
        { "C:\\a\\b.avi", "C:\\a" },
        { "C:\\b.avi", "C:\\" },
        { "b.avi", "b.avi" },
        { "\\\\server\\share\\b.avi", "\\\\server\\share" },
        { "C:\\" TRAIL5C "\\b.avi", "C:\\" TRAIL5C },
        { "C:\\dir\\" TRAIL5C, "C:\\dir" },
        { "C:\\" TRAIL5C, "C:\\" },
    };
    for (const auto& c : cases) {
        char path[VLM_PATH_CHARS];
        strcpy(path, c.path);
        ParentFolder(path);
        EXPECT_STREQ(path, c.folder) << c.path;
    }
}

static const std::string LongFolder = "C:\\" + std::string(246, 'f');  // 249 bytes

TEST(SplitSelection, CountsAndJoinsTheFiles)
{
    static const struct {
        std::string names;
        int files;
        std::vector<std::string> paths;  // file 0, 1, ...; "" where none is given
    } cases[] = {
        { std::string("C:\\v\\a.avi\0", 11), 1, { "C:\\v\\a.avi" } },
        { std::string("C:\\v\0a.avi\0", 11), 1, { "C:\\v\\a.avi" } },
        { std::string("C:\\v\0a.avi\0b.mpg\0c.wmv\0", 23), 3, { "C:\\v\\a.avi", "C:\\v\\b.mpg", "C:\\v\\c.wmv" } },
        { std::string("C:\\\0a.avi\0b.avi\0", 16), 2, { "C:\\a.avi", "C:\\b.avi" } },
        { std::string("C:\\" TRAIL5C "\0a.avi\0b.avi\0", 18), 2,
          { "C:\\" TRAIL5C "\\a.avi", "C:\\" TRAIL5C "\\b.avi" } },
        // 249 + 1 + 9 bytes fit in 259; one more does not and is left out.
        { LongFolder + '\0' + "123456789" + '\0' + "1234567890" + '\0', 2,
          { LongFolder + "\\123456789", "" } },
        { std::string("\0", 1), 0, {} },
    };
    for (const auto& c : cases) {
        std::string buffer = c.names + std::string(64, '\0');
        int capacity = (int)buffer.size();
        EXPECT_EQ(SplitSelection(buffer.data(), capacity, NULL, 0), c.files) << c.names;
        for (size_t i = 0; i <= c.paths.size(); i++) {
            std::string want = i < c.paths.size() ? c.paths[i] : "";
            char out[VLM_PATH_CHARS] = "junk";
            EXPECT_EQ(SplitSelection(buffer.data(), capacity, out, (int)i), want.empty() ? 0 : 1) << i;
            EXPECT_EQ(std::string(out), want) << c.names << " file " << i;
        }
    }
}

TEST(SplitSelection, NothingWithoutTheEndWithinTheCapacity)
{
    std::string names("C:\\v\0a.avi\0b.avi\0\0", 19);
    char out[VLM_PATH_CHARS];
    EXPECT_EQ(SplitSelection(names.data(), 17, NULL, 0), 0);
    EXPECT_EQ(SplitSelection(names.data(), 17, out, 0), 0);
    EXPECT_EQ(SplitSelection(names.data(), 18, NULL, 0), 2);  // the end is the last byte
    std::string unterminated(64, 'x');
    EXPECT_EQ(SplitSelection(unterminated.data(), 64, NULL, 0), 0);
}

#define WIDE(literal) std::wstring(literal, sizeof(literal) / sizeof(WCHAR) - 1)

// A file is kept by its wide name: "café" best-fits to "cafe", which may be
// another file, and "〜" to the "～" of another name.
TEST(KeepSpelledFiles, TakesTheOthersAndNamesWhatWasLeftOut)
{
    static const struct {
        std::wstring names;
        int kept;
        std::vector<std::string> paths;
        const WCHAR* leftOut;
    } cases[] = {
        { WIDE(L"C:\\v\0a.avi\0caf\u00E9.avi\0b.avi\0"), 2, { "C:\\v\\a.avi", "C:\\v\\b.avi" },
          L"caf\u00E9.avi" },
        { WIDE(L"C:\\v\0\uB178\uB7981.avi\0\u301C.avi\0"), 0, {}, L"\uB178\uB7981.avi\r\n\u301C.avi" },
        { WIDE(L"C:\\v\\caf\u00E9.avi\0"), 0, {}, L"caf\u00E9.avi" },
        { WIDE(L"C:\\caf\u00E9\0a.avi\0b.avi\0"), 0, {}, L"a.avi\r\nb.avi" },
        { WIDE(L"C:\\\u8868\\\uFF5E.avi\0"), 1, { "C:\\" TRAIL5C "\\～.avi" }, L"" },
        { WIDE(L"C:\\\u8868\0a.avi\0b.avi\0"), 2, { "C:\\" TRAIL5C "\\a.avi", "C:\\" TRAIL5C "\\b.avi" }, L"" },
    };
    for (const auto& c : cases) {
        std::wstring selection = c.names + std::wstring(8, L'\0');
        char names[64] = "junk";
        WCHAR leftOut[64] = L"junk";
        EXPECT_EQ(KeepSpelledFiles(selection.data(), (int)selection.size(), names, sizeof(names), leftOut, 64), c.kept)
            << c.paths.size();
        EXPECT_EQ(std::wstring(leftOut), c.leftOut);
        EXPECT_EQ(SplitSelection(names, sizeof(names), NULL, 0), (int)c.paths.size());
        for (size_t i = 0; i < c.paths.size(); i++) {
            char out[VLM_PATH_CHARS] = "";
            SplitSelection(names, sizeof(names), out, (int)i);
            EXPECT_EQ(std::string(out), c.paths[i]) << " file " << i;
        }
    }
    // Kept names that do not fit are no selection.
    char small[8];
    WCHAR leftOut[8];
    EXPECT_EQ(KeepSpelledFiles(L"C:\\v\0a.avi\0", 12, small, sizeof(small), leftOut, 8), -1);
}

TEST(EntryRefusal, TypedPathAndTimes)
{
    std::string folder = MakeTestFolder("program-entry");
    std::string file = folder + "\\a.avi";
    FILE* f = fopen(file.c_str(), "wb");
    ASSERT_TRUE(f != NULL);
    fclose(f);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));

    static const char* const Missing = "ファイルが存在しません。";
    static const char* const TooLong = "フルパス・ファイル名が長すぎます。259 バイト以内で指定してください。";
    static const char* const Order = "開始時間が終了時間以上です。";
    // Long enough that the folder in front of it passes 259 bytes.
    std::string longRelative(259 - 8, 'n');
    const struct {
        std::string typed;  // "-": from the file-open dialog
        BOOL hasStart;
        int start;
        BOOL hasEnd;
        int end;
        const char* refusal;
        std::string full;
    } cases[] = {
        { file, FALSE, 0, FALSE, 0, NULL, file },
        { "a.avi", FALSE, 0, FALSE, 0, NULL, file },
        { ".\\a.avi", TRUE, 5, TRUE, 6, NULL, file },
        { "b.avi", FALSE, 0, FALSE, 0, Missing, "" },
        { folder, FALSE, 0, FALSE, 0, Missing, "" },
        { "", FALSE, 0, FALSE, 0, Missing, "" },
        { std::string(260, 'x'), FALSE, 0, FALSE, 0, TooLong, "" },
        { folder + "\\" + std::string(300, 'y'), FALSE, 0, FALSE, 0, TooLong, "" },
        { longRelative, FALSE, 0, FALSE, 0, TooLong, "" },
        { file, TRUE, 10, TRUE, 10, Order, file },
        { file, TRUE, 10, TRUE, 9, Order, file },
        { file, TRUE, 10, TRUE, 0, NULL, file },   // an end of 0 is no range
        { file, FALSE, 0, TRUE, 1, NULL, file },
        { file, TRUE, -1, TRUE, 5, "開始時間が範囲外です。", file },
        { file, TRUE, 0, TRUE, 32768, "終了時間が範囲外です。", file },
        { "-", TRUE, 30, TRUE, 20, Order, "" },
        { "-", TRUE, 20, TRUE, 30, NULL, "" },
    };
    for (const auto& c : cases) {
        char full[VLM_PATH_CHARS] = "";
        const char* typed = c.typed == "-" ? NULL : c.typed.c_str();
        const char* refusal = EntryRefusal(typed, full, c.hasStart, c.start, c.hasEnd, c.end);
        EXPECT_STREQ(refusal, c.refusal) << c.typed.substr(0, 40) << " " << c.start << "-" << c.end;
        if (typed != NULL && c.refusal != Missing && c.refusal != TooLong)
            EXPECT_STRCASEEQ(full, c.full.c_str()) << c.typed;
    }
    SetCurrentDirectoryA(previous);
}

TEST(PickBrowseStartFolder, KeepsThenLastEntryThenFolderBoxThenDrive)
{
    static const struct { const char* folder; const char* last; const char* box; const char* picked; } cases[] = {
        { "D:\\clips\\\\", "C:\\x\\a.avi", "E:\\box", "D:\\clips" },
        { "", "C:\\x\\a.avi", "E:\\box", "C:\\x" },
        { "", NULL, "E:\\box\\", "E:\\box" },
        { "", NULL, "", "C:\\" },
    };
    for (const auto& c : cases) {
        char folder[VLM_PATH_CHARS];
        strcpy(folder, c.folder);
        PickBrowseStartFolder(folder, c.last, c.box);
        EXPECT_STREQ(folder, c.picked) << c.folder << " | " << (c.last ? c.last : "(no rows)");
    }
}

// ---- the list in the settings file

class ProgramRowsFile : public ::testing::Test {
protected:
    std::string path;
    ProgramRows rows;

    void Load(const std::string& lines)
    {
        path = WriteTestIni("program-page", "[VELMORA]\r\nDIRNAME=C:\\keep\r\n" + lines);
        ResetSettings(path);
        ReadProgramRows(&rows);
    }
};

TEST_F(ProgramRowsFile, ReadsUpToTheFirstEmptyNameWithTheTimeRules)
{
    Load("PROGRAM_FILENAME01=C:\\a.avi\r\nPROGRAM_STA_POSITION01=-5\r\nPROGRAM_END_POSITION01=-7\r\n"
         "PROGRAM_FILENAME02=C:\\b.avi\r\nPROGRAM_STA_POSITION02=40000\r\nPROGRAM_END_POSITION02=0\r\n"
         "PROGRAM_FILENAME03=C:\\c.avi\r\nPROGRAM_FILENAME04=\r\nPROGRAM_FILENAME05=C:\\e.avi\r\n");
    ASSERT_EQ(rows.count, 3);
    EXPECT_FALSE(rows.changed);
    static const struct { const char* path; int start, end; const char* startCell; const char* endCell; } want[] = {
        { "C:\\a.avi", 0, -1, "", "" },        // negative start, end below -1
        { "C:\\b.avi", 40000, 0, "40000", "0" },  // no range check; end 0 is set
        { "C:\\c.avi", 0, -1, "", "" },        // both absent
    };
    for (int r = 0; r < 3; r++) {
        char start[16], end[16];
        ProgramCellTexts(&rows.row[r], start, end);
        EXPECT_STREQ(rows.row[r].path, want[r].path);
        EXPECT_EQ(rows.row[r].start, want[r].start) << r;
        EXPECT_EQ(rows.row[r].end, want[r].end) << r;
        EXPECT_STREQ(start, want[r].startCell) << r;
        EXPECT_STREQ(end, want[r].endCell) << r;
    }
}

TEST_F(ProgramRowsFile, WritesRowsThenEmptiesAndRestartsTheList)
{
    Load("PROGRAM_FILENAME01=C:\\old.avi\r\nPROGRAM_FILENAME03=C:\\gone.avi\r\nPROGRAM_PLAY_NO=3\r\n"
         "PROGRAM_STOPPOSITION=77\r\n");
    rows.count = 2;
    rows.row[0] = { "C:\\b.avi", 0, 0 };
    rows.row[1] = { "C:\\" TRAIL5C "\\a.avi", 12, -1 };

    std::string before = ReadFileBytes(path);
    rows.changed = FALSE;
    WriteProgramRows(&rows);
    EXPECT_EQ(ReadFileBytes(path), before) << "an unchanged list writes nothing";

    rows.changed = TRUE;
    WriteProgramRows(&rows);
    IniPairs written = ParseIniSection(ReadFileBytes(path));
    auto group = [&](int n) {
        char key[3][64];
        NumberedKey(key[0], VLM_KEY_PROGRAM_FILENAME, n);
        NumberedKey(key[1], VLM_KEY_PROGRAM_STA_POSITION, n);
        NumberedKey(key[2], VLM_KEY_PROGRAM_END_POSITION, n);
        return IniValueOf(written, key[0]) + "|" + IniValueOf(written, key[1]) + "|" + IniValueOf(written, key[2]);
    };
    EXPECT_EQ(group(1), "C:\\b.avi|0|0");
    EXPECT_EQ(group(2), "C:\\" TRAIL5C "\\a.avi|12|-1");
    for (int n = 3; n <= 100; n++) EXPECT_EQ(group(n), "|0|-1") << n;
    EXPECT_EQ(IniValueOf(written, "PROGRAM_FILENAME101"), "<absent>");
    EXPECT_EQ(IniValueOf(written, "PROGRAM_PLAY_NO"), "1");
    EXPECT_EQ(IniValueOf(written, "PROGRAM_STOPPOSITION"), "0");
    EXPECT_EQ(IniValueOf(written, "DIRNAME"), "C:\\keep");
}
