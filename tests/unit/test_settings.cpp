// The settings file through the real profile functions: creation, the value
// rules of every key, the command-line override and damaged files.
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "support_ini.h"
#include "vlm_global.h"
#include "vlm_util.h"

static const char ExtensionMessage[] = "拡張子列に不正文字が混入しています。";

// ---- the keys as a user of the file knows them (kept apart from the code's table)

struct CreatedKey {
    const char* name;
    const char* created;
};

static const CreatedKey CreatedPlainKeys[] = {
    { "DIRNAME", "" }, { "PROGRAM_PLAY", "FALSE" }, { "EXTENSIONS", "avi|mpg|mpeg|wmv" },
    { "FILELOOP", "FALSE" }, { "RANDOM", "FALSE" }, { "DESCENDING", "FALSE" },
    { "CONTINUOUS_PLAY", "TRUE" }, { "ASPECT_RATE", "0" }, { "ASPECT_RATIO_X", "16" },
    { "ASPECT_RATIO_Y", "9" }, { "SPECIFY_SIZE", "FALSE" }, { "SIZE_PERCENT", "100" },
    { "CHANGE_RESOLUTION", "FALSE" }, { "EXPAND", "FALSE" }, { "BITSPERPEL_UNCHANGE", "FALSE" },
    { "FIXED_VGA", "FALSE" }, { "INTRO_PLAY", "FALSE" }, { "INTRO_START_POSITION", "0" },
    { "INTRO_END_POSITION", "10" }, { "SKIP_PLAY_MODE", "0" }, { "SKIP_TIME", "900" },
    { "SKIP_NUMBER", "3" }, { "SKIP_PLAY_TIME", "2" }, { "SEEKTIME1", "30" }, { "SEEKTIME2", "10" },
    { "SEEKTIME3", "300" }, { "SEEKTIME4", "1800" }, { "END_PLAY_TIME", "10" }, { "AUDIO_SELECT", "1" },
    { "AUDIO_DISP_PRIORITY", "FALSE" }, { "MUTE", "FALSE" }, { "DISP_FILENAME", "FALSE" },
    { "DISP_RESOSIZE", "FALSE" }, { "DISP_VIDEOSIZE", "FALSE" }, { "DISP_FONTSIZE", "30" },
    { "PLAYLIST_POSITION", "0" }, { "PLAYLIST_LEFTSIDE", "FALSE" }, { "PLAYLIST_FONTSIZE", "12" },
    { "FOLDER_SELECT_START", "FALSE" }, { "MOUSE_WIDTH", "100" }, { "IGNOREMOUSE", "FALSE" },
    { "MONITOR_POWER", "FALSE" }, { "PLAY_MONITOR", "0" }, { "PLAYING", "" }, { "STOP_POSITION", "0" },
    { "ONLY_RESCH_BY_CDS", "FALSE" }, { "ONLY_RESCH_BY_DDRAW", "FALSE" }, { "EXCEPTION_BEEP", "TRUE" },
    { "VISUAL_DEBUG", "FALSE" },
};

struct IntKey {
    const char* name;
    int* field;
    int absent;
    int min, max;  // min > max: no range
};

static const IntKey IntKeys[] = {
    { "ASPECT_RATE", &Settings.AspectRate, 0, 0, 3 },
    { "ASPECT_RATIO_X", &Settings.AspectRatioX, 16, 1, 8000 },
    { "ASPECT_RATIO_Y", &Settings.AspectRatioY, 9, 1, 8000 },
    { "SIZE_PERCENT", &Settings.SizePercent, 100, 1, 1000 },
    { "INTRO_START_POSITION", &Settings.IntroStartPosition, 0, 0, 32767 },
    { "INTRO_END_POSITION", &Settings.IntroEndPosition, 10, 0, 32767 },
    { "SKIP_PLAY_MODE", &Settings.SkipPlayMode, 0, 0, 2 },
    { "SKIP_TIME", &Settings.SkipTime, 900, 1, 32767 },
    { "SKIP_NUMBER", &Settings.SkipNumber, 3, 1, 100 },
    { "SKIP_PLAY_TIME", &Settings.SkipPlayTime, 2, 1, 32767 },
    { "SEEKTIME1", &Settings.SeekTime1, 30, 1, 9999 },
    { "SEEKTIME2", &Settings.SeekTime2, 10, 1, 9999 },
    { "SEEKTIME3", &Settings.SeekTime3, 300, 1, 9999 },
    { "SEEKTIME4", &Settings.SeekTime4, 1800, 1, 9999 },
    { "END_PLAY_TIME", &Settings.EndPlayTime, 10, 1, 32767 },
    { "AUDIO_SELECT", &Settings.AudioSelect, 1, 1, 10 },
    { "DISP_FONTSIZE", &Settings.DispFontSize, 30, 5, 300 },
    { "PLAYLIST_POSITION", &Settings.PlaylistPosition, 0, 0, 4 },
    { "PLAYLIST_FONTSIZE", &Settings.PlaylistFontSize, 12, 5, 300 },
    { "MOUSE_WIDTH", &Settings.MouseWidth, 100, 0, 999 },
    { "PLAY_MONITOR", &Settings.PlayMonitor, 0, 0, 99 },
    { "STOP_POSITION", &Settings.StopPosition, 0, 1, 0 },
    { "PROGRAM_PLAY_NO", &Settings.ProgramPlayNo, 1, 1, 0 },
    { "PROGRAM_STOPPOSITION", &Settings.ProgramStopPosition, 0, 1, 0 },
};

struct BoolKey {
    const char* name;
    BOOL* field;
    BOOL absent;
};

static const BoolKey BoolKeys[] = {
    { "PROGRAM_PLAY", &Settings.ProgramPlay, FALSE }, { "FILELOOP", &Settings.FileLoop, FALSE },
    { "RANDOM", &Settings.Random, FALSE }, { "DESCENDING", &Settings.Descending, FALSE },
    { "CONTINUOUS_PLAY", &Settings.ContinuousPlay, TRUE }, { "SPECIFY_SIZE", &Settings.SpecifySize, FALSE },
    { "CHANGE_RESOLUTION", &Settings.ChangeResolution, FALSE }, { "EXPAND", &Settings.Expand, FALSE },
    { "BITSPERPEL_UNCHANGE", &Settings.BitsPerPelUnchange, FALSE }, { "FIXED_VGA", &Settings.FixedVga, FALSE },
    { "INTRO_PLAY", &Settings.IntroPlay, FALSE }, { "AUDIO_DISP_PRIORITY", &Settings.AudioDispPriority, FALSE },
    { "MUTE", &Settings.Mute, FALSE }, { "DISP_FILENAME", &Settings.DispFilename, FALSE },
    { "DISP_RESOSIZE", &Settings.DispResoSize, FALSE }, { "DISP_VIDEOSIZE", &Settings.DispVideoSize, FALSE },
    { "PLAYLIST_LEFTSIDE", &Settings.PlaylistLeftSide, FALSE },
    { "FOLDER_SELECT_START", &Settings.FolderSelectStart, FALSE }, { "IGNOREMOUSE", &Settings.IgnoreMouse, FALSE },
    { "MONITOR_POWER", &Settings.MonitorPower, FALSE }, { "ONLY_RESCH_BY_CDS", &Settings.OnlyReschByCds, FALSE },
    { "ONLY_RESCH_BY_DDRAW", &Settings.OnlyReschByDdraw, FALSE }, { "EXCEPTION_BEEP", &Settings.ExceptionBeep, FALSE },
    { "EXCEPTION_LOG", &Settings.ExceptionLog, FALSE }, { "VISUAL_DEBUG", &Settings.VisualDebug, FALSE },
};

struct TextKey {
    const char* name;
    char* field;
    const char* absent;
};

static const TextKey TextKeys[] = {
    { "DIRNAME", Settings.DirName, "" },
    { "EXTENSIONS", Settings.Extensions, "avi|mpg|mpeg|wmv" },
    { "PLAYING", Settings.Playing, "" },
};

static std::string ExpectedNewFile()
{
    IniPairs pairs;
    for (const CreatedKey& key : CreatedPlainKeys) pairs.push_back({ key.name, key.created });
    char name[64];
    for (int n = 1; n <= 48; n++) {
        snprintf(name, sizeof(name), "HISTORY_DIRNAME%02d", n);
        pairs.push_back({ name, "" });
        snprintf(name, sizeof(name), "HISTORY_FILENAME%02d", n);
        pairs.push_back({ name, "" });
        snprintf(name, sizeof(name), "HISTORY_STOPPOSITION%02d", n);
        pairs.push_back({ name, "0" });
        snprintf(name, sizeof(name), "HISTORY_FIXFLAG%02d", n);
        pairs.push_back({ name, "FALSE" });
    }
    for (int n = 1; n <= 100; n++) {
        snprintf(name, sizeof(name), "PROGRAM_FILENAME%02d", n);
        pairs.push_back({ name, "" });
        snprintf(name, sizeof(name), "PROGRAM_STA_POSITION%02d", n);
        pairs.push_back({ name, "0" });
        snprintf(name, sizeof(name), "PROGRAM_END_POSITION%02d", n);
        pairs.push_back({ name, "-1" });
    }
    pairs.push_back({ "PROGRAM_PLAY_NO", "1" });
    pairs.push_back({ "PROGRAM_STOPPOSITION", "0" });
    return IniText(pairs);
}

// Loads a file holding the given keys (in a fresh folder).
static int LoadPairs(const IniPairs& pairs, int configureMode, std::string* pathOut = nullptr)
{
    std::string path = WriteTestIni("settings", IniText(pairs));
    ResetSettings(path);
    if (pathOut) *pathOut = path;
    return LoadSettingsFrom(path.c_str(), configureMode);
}

static std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// ---- creation

TEST(SettingsFile, MissingFileIsCreatedByteForByteAndReadsTheAbsentValues)
{
    std::string path = MakeTestFolder("create") + "\\Velmora.ini";
    ResetSettings(path);
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 0), 1) << Settings.ErrorText;

    std::string bytes = ReadFileBytes(path);
    std::string expected = ExpectedNewFile();
    EXPECT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(bytes == expected) << "first difference at byte "
                                   << std::mismatch(bytes.begin(), bytes.end(), expected.begin(), expected.end()).first -
                                          bytes.begin();
    EXPECT_EQ(bytes.find("EXCEPTION_LOG"), std::string::npos);

    for (const IntKey& key : IntKeys) EXPECT_EQ(*key.field, key.absent) << key.name;
    for (const BoolKey& key : BoolKeys) {
        // The new file says "TRUE" while a missing key would read false.
        BOOL expectedValue = strcmp(key.name, "EXCEPTION_BEEP") == 0 ? TRUE : key.absent;
        EXPECT_EQ(*key.field, expectedValue) << key.name;
    }
    for (const TextKey& key : TextKeys) EXPECT_STREQ(key.field, key.absent) << key.name;
    EXPECT_FALSE(Settings.ProgramListNonEmpty);
    EXPECT_EQ(Settings.FolderHistory.live.usedHead, -1);
    EXPECT_EQ(CheckHistoryLinks(Settings.FolderHistory.live, true), "");
    EXPECT_EQ(Settings.ErrorCode, 0);
}

TEST(SettingsFile, ExistingFileIsLeftUntouched)
{
    std::string text = IniText({ { "SIZE_PERCENT", "50" }, { "MUTE", "TRUE" } });
    std::string path = WriteTestIni("keep", text);
    ResetSettings(path);
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 0), 1);
    EXPECT_EQ(ReadFileBytes(path), text);
    EXPECT_EQ(Settings.SizePercent, 50);
    EXPECT_TRUE(Settings.Mute);
    // Every other key takes its missing value, EXCEPTION_BEEP included.
    EXPECT_FALSE(Settings.ExceptionBeep);
    EXPECT_TRUE(Settings.ContinuousPlay);
    EXPECT_EQ(Settings.SeekTime4, 1800);
}

TEST(SettingsFile, PathMayBeTheRecordsOwnPath)
{
    std::string path = WriteTestIni("ownpath", IniText({ { "SEEKTIME2", "12" } }));
    ResetSettings(path);
    ASSERT_EQ(LoadSettingsFrom(Settings.SettingsPath, 0), 1);
    EXPECT_EQ(std::string(Settings.SettingsPath), path);
    EXPECT_EQ(Settings.SeekTime2, 12);
}

// Beside the player whenever it can be written there; else the user's own
// file, which starts from the one beside the player only when it is new.
TEST(SettingsPlace, UserFileOnlyWhereThePlayersFolderCannotBeWritten)
{
    struct {
        int besideWritable, besideExists, userFolderKnown, userExists, place;
    } rows[] = {
        { 1, 1, 1, 1, PlaceBesideProgram },
        { 1, 0, 0, 0, PlaceBesideProgram },
        { 0, 1, 0, 0, PlaceBesideProgram },
        { 0, 1, 1, 0, PlaceUserFileFromBeside },
        { 0, 1, 1, 1, PlaceUserFile },
        { 0, 0, 1, 0, PlaceUserFile },
    };
    for (const auto& r : rows)
        EXPECT_EQ(ChooseSettingsPlace(r.besideWritable, r.besideExists, r.userFolderKnown, r.userExists), r.place)
            << r.besideWritable << r.besideExists << r.userFolderKnown << r.userExists;
}

TEST(SettingsFile, PathTooLongFailsWithItsMessage)
{
    std::string path = "C:\\" + std::string(260, 'p') + "\\Velmora.ini";
    ResetSettings("");
    EXPECT_EQ(LoadSettingsFrom(path.c_str(), 0), 0);
    EXPECT_EQ(Settings.ErrorCode, -1);
    EXPECT_STREQ(Settings.ErrorText, "実行パスが深すぎます。");
}

TEST(SettingsFile, EmptyFileCountsAsExisting)
{
    std::string path = WriteTestIni("empty", "");
    ResetSettings(path);
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 1), 1);
    EXPECT_EQ(ReadFileBytes(path), "");
    EXPECT_STREQ(Settings.Extensions, "avi|mpg|mpeg|wmv");
    EXPECT_FALSE(Settings.ExceptionBeep);
}

// ---- value rules

struct IntCase {
    const char* key;
    const char* stored;
    int expected;
};

TEST(SettingsFile, IntegerRulesGiveTheDefaultOutsideTheRange)
{
    const IntCase cases[] = {
        { "SIZE_PERCENT", "0", 100 }, { "SIZE_PERCENT", "1001", 100 }, { "SIZE_PERCENT", "1", 1 },
        { "SIZE_PERCENT", "1000", 1000 }, { "SIZE_PERCENT", "abc", 100 }, { "SIZE_PERCENT", "250px", 250 },
        { "SEEKTIME1", "10000", 30 }, { "SEEKTIME1", "9999", 9999 }, { "MOUSE_WIDTH", "0", 0 },
        { "MOUSE_WIDTH", "abc", 0 }, { "MOUSE_WIDTH", "-1", 100 }, { "ASPECT_RATE", "4", 0 },
        { "ASPECT_RATE", "3", 3 }, { "ASPECT_RATIO_X", "-1", 16 }, { "INTRO_END_POSITION", "32768", 10 },
        { "SKIP_NUMBER", "101", 3 }, { "AUDIO_SELECT", "0", 1 }, { "DISP_FONTSIZE", "4", 30 },
        { "STOP_POSITION", "-1", -1 }, { "STOP_POSITION", "99999", 99999 },
        { "PROGRAM_PLAY_NO", "-5", -5 }, { "PROGRAM_STOPPOSITION", "123456", 123456 },
        { "SKIP_PLAY_MODE", "99999999999", 0 },
    };
    for (const IntCase& c : cases) {
        ASSERT_EQ(LoadPairs({ { c.key, c.stored } }, 0), 1) << c.key;
        int value = 0;
        for (const IntKey& key : IntKeys)
            if (strcmp(key.name, c.key) == 0) value = *key.field;
        EXPECT_EQ(value, c.expected) << c.key << "=" << c.stored;
    }
}

TEST(SettingsFile, EveryRangedKeyAcceptsItsBoundsAndRejectsOneBeyond)
{
    // One file per probe: all keys at min-1, at min, at max, at max+1.
    for (int probe = 0; probe < 4; probe++) {
        IniPairs pairs;
        for (const IntKey& key : IntKeys) {
            if (key.min > key.max) continue;
            int value = probe == 0 ? key.min - 1 : probe == 1 ? key.min : probe == 2 ? key.max : key.max + 1;
            pairs.push_back({ key.name, std::to_string(value) });
        }
        ASSERT_EQ(LoadPairs(pairs, 0), 1);
        for (const IntKey& key : IntKeys) {
            if (key.min > key.max) continue;
            int expected = probe == 1 ? key.min : probe == 2 ? key.max : key.absent;
            EXPECT_EQ(*key.field, expected) << key.name << " probe " << probe;
        }
    }
}

TEST(SettingsFile, BooleanIsTrueOnlyForTheWordTrueInAnyCase)
{
    const struct {
        const char* stored;
        BOOL expected;
    } cases[] = {
        { "TRUE", TRUE }, { "true", TRUE }, { "True", TRUE }, { "tRuE", TRUE }, { "1", FALSE },
        { "ON", FALSE }, { "YES", FALSE }, { "FALSE", FALSE }, { "TRUEX", FALSE }, { "TRU", FALSE },
        { "ＴＲＵＥ", FALSE }, { "-1", FALSE },
    };
    for (const auto& c : cases) {
        // Every boolean key at once, so a row with the wrong kind shows too.
        IniPairs pairs;
        for (const BoolKey& key : BoolKeys) pairs.push_back({ key.name, c.stored });
        ASSERT_EQ(LoadPairs(pairs, 0), 1) << c.stored;
        for (const BoolKey& key : BoolKeys) EXPECT_EQ(*key.field, c.expected) << key.name << "=" << c.stored;
    }
}

TEST(SettingsFile, MissingBooleansTakeTheirOwnDefault)
{
    ASSERT_EQ(LoadPairs({ { "DIRNAME", "" } }, 0), 1);
    for (const BoolKey& key : BoolKeys) EXPECT_EQ(*key.field, key.absent) << key.name;
}

struct TextCase {
    const char* stored;
    const char* expected;
};

TEST(SettingsFile, DirnameLosesTrailingBackslashesButADriveRootKeepsOne)
{
    const TextCase cases[] = {
        { "C:\\Videos", "C:\\Videos" },
        { "C:\\Videos\\\\", "C:\\Videos" },
        { "C:\\", "C:\\" },
        { "C:\\\\\\", "C:\\" },
        { "C:", "C:" },
        { "\\\\\\", "" },
        { "\\\\server\\share\\", "\\\\server\\share" },
        { "C:\\表", "C:\\表" },            // 表 ends in the byte of a backslash
        { "C:\\動画\\表\\", "C:\\動画\\表" },
    };
    for (const TextCase& c : cases) {
        ASSERT_EQ(LoadPairs({ { "DIRNAME", c.stored } }, 1), 1) << c.stored;
        EXPECT_STREQ(Settings.DirName, c.expected) << c.stored;
    }
}

TEST(SettingsFile, ExtensionsLoseTrailingSpacesOnly)
{
    const TextCase cases[] = {
        { "avi|mpg   ", "avi|mpg" },
        { "avi | mpg", "avi | mpg" },
        { "mkv", "mkv" },
        { "表|avi", "表|avi" },  // a trail byte equal to a backslash is no backslash
        { "　avi　", "　avi　" }, // the full-width space is not a space here
    };
    for (int mode = 0; mode <= 1; mode++) {
        for (const TextCase& c : cases) {
            ASSERT_EQ(LoadPairs({ { "EXTENSIONS", Quoted(c.stored) } }, mode), 1) << c.stored;
            EXPECT_STREQ(Settings.Extensions, c.expected) << c.stored;
        }
    }
}

TEST(SettingsFile, ForbiddenExtensionCharacterStopsTheRunModeOnly)
{
    const char* forbidden[] = { "\\", "/", ":", "*", "?", "\"", "<", ">" };
    for (const char* c : forbidden) {
        std::string value = std::string("avi|mp") + c + "g";
        IniPairs pairs = { { "DIRNAME", "C:\\Videos" }, { "EXTENSIONS", value }, { "FILELOOP", "TRUE" },
                           { "SIZE_PERCENT", "50" }, { "HISTORY_DIRNAME01", "C:\\Old" } };
        std::string path;
        EXPECT_EQ(LoadPairs(pairs, 0, &path), 0) << value;
        EXPECT_EQ(Settings.ErrorCode, -1);
        EXPECT_STREQ(Settings.ErrorText, ExtensionMessage);
        // Nothing after EXTENSIONS was read, and nothing was written.
        EXPECT_FALSE(Settings.FileLoop);
        EXPECT_EQ(Settings.SizePercent, 0);
        EXPECT_FALSE(Settings.ContinuousPlay);
        EXPECT_EQ(Settings.FolderHistory.slot[0].folder[0], '\0');
        EXPECT_EQ(ReadFileBytes(path), IniText(pairs));

        ASSERT_EQ(LoadPairs(pairs, 1), 1) << value;
        EXPECT_STREQ(Settings.Extensions, value.c_str());
        EXPECT_TRUE(Settings.FileLoop);
        EXPECT_EQ(Settings.SizePercent, 50);
        EXPECT_EQ(Settings.ErrorCode, 0);
    }
}

TEST(SettingsFile, ForbiddenCheckComesBeforeTheSpacesAreTrimmed)
{
    EXPECT_EQ(LoadPairs({ { "EXTENSIONS", Quoted("avi|*   ") } }, 0), 0);
    EXPECT_STREQ(Settings.ErrorText, ExtensionMessage);
    ASSERT_EQ(LoadPairs({ { "EXTENSIONS", Quoted("avi|*   ") } }, 1), 1);
    EXPECT_STREQ(Settings.Extensions, "avi|*");
}

TEST(SettingsFile, ProgramPlayEmptiesFolderAndResumePointInMemoryOnly)
{
    IniPairs pairs = { { "DIRNAME", "C:\\Videos" }, { "PROGRAM_PLAY", "TRUE" }, { "PLAYING", "a.avi" },
                       { "STOP_POSITION", "50" }, { "PROGRAM_PLAY_NO", "7" }, { "PROGRAM_STOPPOSITION", "33" },
                       { "PROGRAM_FILENAME01", "C:\\clip.avi" } };
    std::string path;
    ASSERT_EQ(LoadPairs(pairs, 0, &path), 1);
    EXPECT_TRUE(Settings.ProgramPlay);
    EXPECT_STREQ(Settings.DirName, "");
    EXPECT_STREQ(Settings.Playing, "");
    EXPECT_EQ(Settings.StopPosition, 0);
    EXPECT_EQ(Settings.ProgramPlayNo, 7);
    EXPECT_EQ(Settings.ProgramStopPosition, 33);
    EXPECT_TRUE(Settings.ProgramListNonEmpty);
    EXPECT_EQ(ReadFileBytes(path), IniText(pairs));
}

TEST(SettingsFile, JapaneseTextsReadBackUnchanged)
{
    const char* folder = "C:\\ビデオ\\表示ソフト";  // several trail bytes equal a backslash
    const char* file = "予告編ソ.avi";
    ASSERT_EQ(LoadPairs({ { "DIRNAME", folder }, { "PLAYING", file }, { "HISTORY_DIRNAME01", folder },
                          { "HISTORY_FILENAME01", file } },
                        0),
              1);
    EXPECT_STREQ(Settings.DirName, folder);
    EXPECT_STREQ(Settings.Playing, file);
    int s = Settings.FolderHistory.live.usedHead;
    ASSERT_GE(s, 0);
    EXPECT_STREQ(Settings.FolderHistory.slot[s].folder, folder);
    EXPECT_STREQ(Settings.FolderHistory.slot[s].file, file);
}

// ---- command line

TEST(SettingsFile, CommandLineFolderNewToTheHistoryGoesAfterThePinnedOnes)
{
    IniPairs pairs = { { "DIRNAME", "C:\\Old" }, { "PROGRAM_PLAY", "TRUE" }, { "PLAYING", "old.avi" },
                       { "STOP_POSITION", "40" },
                       { "HISTORY_DIRNAME01", "C:\\Pinned" }, { "HISTORY_FIXFLAG01", "TRUE" },
                       { "HISTORY_DIRNAME02", "C:\\Old" }, { "HISTORY_FILENAME02", "old.avi" },
                       { "HISTORY_STOPPOSITION02", "40" } };
    std::string path = WriteTestIni("cmdnew", IniText(pairs));
    ResetSettings(path);
    strcpy(Settings.CommandLineFolder, "C:\\新しい");
    strcpy(Settings.CommandLineFile, "clip.avi");
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 0), 1);

    EXPECT_FALSE(Settings.ProgramPlay);
    EXPECT_STREQ(Settings.DirName, "C:\\新しい");
    EXPECT_STREQ(Settings.Playing, "clip.avi");
    EXPECT_EQ(Settings.StopPosition, 0);

    EXPECT_EQ(IniValue(path, "DIRNAME"), "C:\\新しい");
    EXPECT_EQ(IniValue(path, "PROGRAM_PLAY"), "FALSE");
    EXPECT_EQ(IniValue(path, "PLAYING"), "");  // the file named on the command line is not written
    EXPECT_EQ(IniValue(path, "STOP_POSITION"), "0");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME01"), "C:\\Pinned");
    EXPECT_EQ(IniValue(path, "HISTORY_FIXFLAG01"), "TRUE");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME02"), "C:\\新しい");
    EXPECT_EQ(IniValue(path, "HISTORY_FILENAME02"), "");
    EXPECT_EQ(IniValue(path, "HISTORY_FIXFLAG02"), "FALSE");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME03"), "C:\\Old");
    EXPECT_EQ(IniValue(path, "HISTORY_FILENAME03"), "old.avi");
    EXPECT_EQ(IniValue(path, "HISTORY_STOPPOSITION03"), "40");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME04"), "");
}

TEST(SettingsFile, CommandLineFolderFromTheHistoryResumesItsFile)
{
    IniPairs pairs = { { "DIRNAME", "C:\\Cur" }, { "PLAYING", "now.avi" }, { "STOP_POSITION", "9" },
                       { "HISTORY_DIRNAME01", "C:\\Cur" }, { "HISTORY_FILENAME01", "was.avi" },
                       { "HISTORY_STOPPOSITION01", "5" },
                       { "HISTORY_DIRNAME02", "C:\\Old2" }, { "HISTORY_FILENAME02", "b.avi" },
                       { "HISTORY_STOPPOSITION02", "77" } };
    std::string path = WriteTestIni("cmdold", IniText(pairs));
    ResetSettings(path);
    strcpy(Settings.CommandLineFolder, "c:\\old2");
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 0), 1);

    EXPECT_STREQ(Settings.DirName, "c:\\old2");
    EXPECT_STREQ(Settings.Playing, "b.avi");
    EXPECT_EQ(Settings.StopPosition, 77);
    EXPECT_EQ(IniValue(path, "PLAYING"), "b.avi");
    EXPECT_EQ(IniValue(path, "STOP_POSITION"), "77");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME01"), "C:\\Old2");
    // The folder left behind keeps the resume point it had when the run began.
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME02"), "C:\\Cur");
    EXPECT_EQ(IniValue(path, "HISTORY_FILENAME02"), "now.avi");
    EXPECT_EQ(IniValue(path, "HISTORY_STOPPOSITION02"), "9");
}

TEST(SettingsFile, CommandLineFileInTheCurrentFolderChangesOnlyMemory)
{
    IniPairs pairs = { { "DIRNAME", "C:\\Cur" }, { "PLAYING", "now.avi" }, { "STOP_POSITION", "9" },
                       { "HISTORY_DIRNAME01", "C:\\Cur" }, { "HISTORY_FILENAME01", "now.avi" },
                       { "HISTORY_STOPPOSITION01", "9" } };
    std::string path = WriteTestIni("cmdfile", IniText(pairs));
    ResetSettings(path);
    strcpy(Settings.CommandLineFolder, "C:\\Cur");
    strcpy(Settings.CommandLineFile, "other.avi");
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 0), 1);
    EXPECT_STREQ(Settings.Playing, "other.avi");
    EXPECT_EQ(Settings.StopPosition, 0);
    EXPECT_FALSE(Settings.ProgramPlay);
    EXPECT_EQ(IniValue(path, "PLAYING"), "now.avi");
    EXPECT_EQ(IniValue(path, "STOP_POSITION"), "9");
    EXPECT_EQ(IniValue(path, "HISTORY_FILENAME01"), "now.avi");
}

// ---- damaged files

TEST(SettingsFile, ValueCutAt259CharactersKeepsWholeCharacters)
{
    const struct {
        size_t asciiPrefix;
        size_t expectedLength;
    } cases[] = {
        { 300, 259 },  // plain text: cut at 259
        { 258, 258 },  // a double-byte character would straddle the cut: left out whole
        { 257, 259 },  // it just fits
    };
    for (const auto& c : cases) {
        std::string value = "C:\\" + std::string(c.asciiPrefix - 3, 'a') + "表表表";
        std::string path;
        ASSERT_EQ(LoadPairs({ { "DIRNAME", value } }, 0, &path), 1);
        std::string read = Settings.DirName;
        EXPECT_EQ(read.size(), c.expectedLength);
        EXPECT_EQ(value.compare(0, read.size(), read), 0);
        EXPECT_TRUE(IsWholeCharacters(read));
        // The folder is new to the history, so it is written back: no longer
        // than what was read, and the same bytes.
        EXPECT_EQ(IniValue(path, "DIRNAME"), read);
        EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME01"), read);
    }
}

TEST(SettingsFile, HugeValuesAreCutNotOverrun)
{
    std::string huge(10000, 'x');
    std::string hugeJapanese;
    for (int i = 0; i < 5000; i++) hugeJapanese += "表";
    IniPairs pairs = { { "DIRNAME", "C:\\" + huge }, { "EXTENSIONS", huge }, { "PLAYING", hugeJapanese },
                       { "HISTORY_DIRNAME01", hugeJapanese }, { "HISTORY_FILENAME01", huge },
                       { "PROGRAM_FILENAME01", huge }, { "SIZE_PERCENT", huge }, { "MUTE", huge } };
    for (int mode = 0; mode <= 1; mode++) {
        std::string path;
        ASSERT_EQ(LoadPairs(pairs, mode, &path), 1);
        EXPECT_EQ(strlen(Settings.DirName), 259u);
        // DIRNAME is new to the history, so it was written back, cut.
        EXPECT_EQ(IniValue(path, "DIRNAME"), Settings.DirName);
        EXPECT_EQ(IniValue(path, "PLAYING"), Settings.Playing);
        EXPECT_EQ(strlen(Settings.Extensions), 259u);
        EXPECT_EQ(strlen(Settings.Playing), 258u);
        EXPECT_TRUE(IsWholeCharacters(Settings.Playing));
        // DIRNAME joins the history ahead of the remembered folder, with PLAYING.
        std::vector<int> used = HistoryListSlots(Settings.FolderHistory.live, 0);
        ASSERT_EQ(used.size(), 2u);
        EXPECT_STREQ(Settings.FolderHistory.slot[used[0]].folder, Settings.DirName);
        EXPECT_STREQ(Settings.FolderHistory.slot[used[0]].file, Settings.Playing);
        EXPECT_EQ(strlen(Settings.FolderHistory.slot[used[1]].folder), 258u);
        EXPECT_TRUE(IsWholeCharacters(Settings.FolderHistory.slot[used[1]].folder));
        EXPECT_EQ(strlen(Settings.FolderHistory.slot[used[1]].file), 259u);
        EXPECT_EQ(Settings.SizePercent, 100);
        EXPECT_FALSE(Settings.Mute);
        EXPECT_TRUE(Settings.ProgramListNonEmpty);
    }
}

TEST(SettingsFile, JunkLinesAndForeignSectionsAreIgnored)
{
    std::string text =
        "garbage without an equals sign\r\n"
        "=no key\r\n"
        "[OTHER]\r\nSIZE_PERCENT=7\r\nDIRNAME=C:\\Wrong\r\n"
        "[VELMORA\r\n"
        "[VELMORA]\r\n"
        "just words\r\n"
        "  SIZE_PERCENT  =  50  \r\n"
        ";SEEKTIME1=5\r\n"
        "MUTE=TRUE\r\n"
        "\r\n\r\n[]\r\n";
    std::string path = WriteTestIni("junk", text);
    ResetSettings(path);
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 0), 1);
    // The valid keys among the junk are read, spaces around them dropped.
    EXPECT_EQ(Settings.SizePercent, 50);
    EXPECT_TRUE(Settings.Mute);
    // The commented key, and those of the other section, are not.
    EXPECT_EQ(Settings.SeekTime1, 30);
    EXPECT_STREQ(Settings.DirName, "");
    EXPECT_EQ(ReadFileBytes(path), text);
}

TEST(SettingsFile, MissingSectionReadsEveryMissingValue)
{
    std::string text = "[OTHER]\r\nDIRNAME=C:\\Wrong\r\nSIZE_PERCENT=7\r\n";
    std::string path = WriteTestIni("nosection", text);
    ResetSettings(path);
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 0), 1);
    for (const IntKey& key : IntKeys) EXPECT_EQ(*key.field, key.absent) << key.name;
    for (const BoolKey& key : BoolKeys) EXPECT_EQ(*key.field, key.absent) << key.name;
    for (const TextKey& key : TextKeys) EXPECT_STREQ(key.field, key.absent) << key.name;
    EXPECT_EQ(ReadFileBytes(path), text);
}

TEST(SettingsFile, UnreadableSettingsFileIsNotReplaced)
{
    // A folder where the file should be: it exists but cannot be read.
    std::string path = MakeTestFolder("unreadable") + "\\Velmora.ini";
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), NULL));
    ResetSettings(path);
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 0), 1);
    EXPECT_EQ(Settings.SizePercent, 100);
    EXPECT_STREQ(Settings.Extensions, "avi|mpg|mpeg|wmv");
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SettingsFile, BinaryBytesNeverOverrunTheRecord)
{
    std::string text = "[VELMORA]\r\nDIRNAME=C:\\";
    for (int b = 1; b < 256; b++)
        if (b != '\r' && b != '\n') text += (char)b;
    text += "\r\nPLAYING=";
    text += std::string("\x00\x01\x81\xff\x82", 5);
    text += "\r\nSIZE_PERCENT=\x81\x40\r\nHISTORY_DIRNAME01=\x81\r\nHISTORY_FILENAME01=\xfc\xfc\xfc\r\n";
    std::string path = WriteTestIni("binary", text);
    ResetSettings(path);
    ASSERT_EQ(LoadSettingsFrom(path.c_str(), 1), 1);
    EXPECT_LE(strlen(Settings.DirName), 259u);
    EXPECT_TRUE(IsWholeCharacters(Settings.DirName));
    EXPECT_TRUE(IsWholeCharacters(Settings.Playing));
    EXPECT_EQ(Settings.SizePercent, 100);
    EXPECT_EQ(CheckHistoryLinks(Settings.FolderHistory.live, true), "");
}

// ---- fuzz

static std::string RandomValue(std::mt19937& rng)
{
    static const char* words[] = { "TRUE", "true", "FALSE", "0", "-1", "1", "100", "99999", "2147483648",
                                   "C:\\", "C:\\Videos\\\\", "\\\\\\", "表", "avi|*", "avi|mpg  ", "ＴＲＵＥ" };
    std::string value;
    switch (rng() % 5) {
    case 0:
        return words[rng() % (sizeof(words) / sizeof(words[0]))];
    case 1:
        return std::to_string((int)(rng() % 200001) - 100000);
    case 2: {  // raw bytes, line breaks excepted
        size_t n = rng() % 300;
        for (size_t i = 0; i < n; i++) {
            char c = (char)(rng() % 256);
            if (c == '\r' || c == '\n') c = 'x';
            value += c;
        }
        return value;
    }
    case 3: {  // Japanese text of any length
        size_t n = rng() % 200;
        for (size_t i = 0; i < n; i++) value += (rng() % 3) ? "表" : "a";
        return value;
    }
    default:
        return std::string(rng() % 2 ? 300 : 10000, 'z');
    }
}

static std::string RandomIni(std::mt19937& rng)
{
    std::vector<std::string> names;
    for (const CreatedKey& key : CreatedPlainKeys) names.push_back(key.name);
    names.push_back("EXCEPTION_LOG");
    names.push_back("PROGRAM_PLAY_NO");
    names.push_back("PROGRAM_FILENAME01");
    static const char* historyStems[] = { "DIRNAME", "FILENAME", "STOPPOSITION", "FIXFLAG" };
    for (int n = 1; n <= 50; n++) {
        char name[64];
        snprintf(name, sizeof(name), "HISTORY_%s%02d", historyStems[rng() % 4], n);
        names.push_back(name);
    }
    std::string text;
    if (rng() % 8 != 0) text += "[VELMORA]\r\n";
    int lines = (int)(rng() % 80);
    for (int i = 0; i < lines; i++) {
        switch (rng() % 10) {
        case 0:
            text += RandomValue(rng) + "\r\n";  // junk line
            break;
        case 1:
            text += (rng() % 2) ? "[OTHER]\r\n" : "[VELMORA]\r\n";
            break;
        default:
            text += names[rng() % names.size()] + "=" + RandomValue(rng) + "\r\n";
        }
    }
    if (rng() % 10 == 0) text += std::string("\0\0\xff\xfe", 4);
    return text;
}

static void ExpectSoundRecord(int result, int configureMode, const std::string& what)
{
    if (result == 0) {
        EXPECT_EQ(configureMode, 0) << what;
        EXPECT_STREQ(Settings.ErrorText, ExtensionMessage) << what;
        return;
    }
    for (const IntKey& key : IntKeys)
        if (key.min <= key.max && *key.field != key.absent) {
            EXPECT_GE(*key.field, key.min) << key.name << " " << what;
            EXPECT_LE(*key.field, key.max) << key.name << " " << what;
        }
    for (const BoolKey& key : BoolKeys) EXPECT_TRUE(*key.field == 0 || *key.field == 1) << key.name << what;
    for (const TextKey& key : TextKeys) {
        EXPECT_LE(strlen(key.field), 259u) << key.name << what;
        EXPECT_TRUE(IsWholeCharacters(key.field)) << key.name << what;
    }
    EXPECT_EQ(CheckHistoryLinks(Settings.FolderHistory.live, true), "") << what;
    for (int s : HistoryListSlots(Settings.FolderHistory.live, 0)) {
        const HistorySlot& slot = Settings.FolderHistory.slot[s];
        EXPECT_NE(slot.folder[0], '\0') << what;
        EXPECT_LE(strlen(slot.folder), 259u) << what;
        EXPECT_TRUE(IsWholeCharacters(slot.folder)) << what;
        EXPECT_TRUE(IsWholeCharacters(slot.file)) << what;
    }
    if (Settings.ProgramPlay) {
        EXPECT_STREQ(Settings.DirName, "") << what;
        EXPECT_STREQ(Settings.Playing, "") << what;
    }
}

TEST(SettingsFile, RandomFilesNeverBreakTheRecordAndSettleAfterOneRewrite)
{
    std::mt19937 rng(20261208);
    for (int iteration = 0; iteration < 200; iteration++) {
        std::string text = RandomIni(rng);
        int mode = (int)(rng() % 2);
        std::string path = WriteTestIni("fuzz", text);
        std::string what = " (iteration " + std::to_string(iteration) + ")";

        ResetSettings(path);
        int first = LoadSettingsFrom(path.c_str(), mode);
        ExpectSoundRecord(first, mode, what);
        if (first == 0) continue;

        // Whatever the first start wrote back reads the same the next time.
        ResetSettings(path);
        ASSERT_EQ(LoadSettingsFrom(path.c_str(), mode), 1) << what;
        static SettingsRecord second;
        memcpy(&second, &Settings, sizeof(Settings));
        std::string afterSecond = ReadFileBytes(path);
        ResetSettings(path);
        ASSERT_EQ(LoadSettingsFrom(path.c_str(), mode), 1) << what;
        EXPECT_EQ(memcmp(&second, &Settings, sizeof(Settings)), 0) << what;
        EXPECT_EQ(ReadFileBytes(path), afterSecond) << what;
        if (HasFailure()) break;
    }
}
