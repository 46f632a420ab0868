// The settings file "Velmora.ini": one table of keys drives creating the
// file, reading it with its range rules, and (later) the configuration pages.
// Every access goes through the profile-string functions, so a file written
// by hand, by the configuration mode or by an earlier run reads back alike.
#include "vlm_path.h"
#include "vlm_global.h"
#include "vlm_util.h"
#include <limits.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#define FIELD(name) offsetof(SettingsRecord, name)
#define TEXT_KEY(key, absent, created, field) \
    { key, KeyText, absent, 0, created, 0, 0, FIELD(field) }
#define BOOL_KEY(key, absent, created, field) \
    { key, KeyBool, absent, 0, created, 0, 0, FIELD(field) }
#define INT_KEY(key, absent, created, lo, hi, field) \
    { key, KeyInt, NULL, absent, created, lo, hi, FIELD(field) }

static const char DefaultExtensions[] = "avi|mpg|mpeg|wmv";

// In file order. EXCEPTION_LOG is never written into a new file, so it reads
// as false until the configuration pages store it.
const SettingsKeyRow SettingsKeys[] = {
    TEXT_KEY("DIRNAME", "", "", DirName),
    BOOL_KEY("PROGRAM_PLAY", "FALSE", "FALSE", ProgramPlay),
    TEXT_KEY("EXTENSIONS", DefaultExtensions, DefaultExtensions, Extensions),
    BOOL_KEY("FILELOOP", "FALSE", "FALSE", FileLoop),
    BOOL_KEY("RANDOM", "FALSE", "FALSE", Random),
    BOOL_KEY("DESCENDING", "FALSE", "FALSE", Descending),
    BOOL_KEY("CONTINUOUS_PLAY", "TRUE", "TRUE", ContinuousPlay),
    INT_KEY("ASPECT_RATE", 0, "0", 0, 3, AspectRate),
    INT_KEY("ASPECT_RATIO_X", 16, "16", 1, 8000, AspectRatioX),
    INT_KEY("ASPECT_RATIO_Y", 9, "9", 1, 8000, AspectRatioY),
    BOOL_KEY("SPECIFY_SIZE", "FALSE", "FALSE", SpecifySize),
    INT_KEY("SIZE_PERCENT", 100, "100", 1, 1000, SizePercent),
    BOOL_KEY("CHANGE_RESOLUTION", "FALSE", "FALSE", ChangeResolution),
    BOOL_KEY("EXPAND", "FALSE", "FALSE", Expand),
    BOOL_KEY("BITSPERPEL_UNCHANGE", "FALSE", "FALSE", BitsPerPelUnchange),
    BOOL_KEY("FIXED_VGA", "FALSE", "FALSE", FixedVga),
    BOOL_KEY("INTRO_PLAY", "FALSE", "FALSE", IntroPlay),
    INT_KEY("INTRO_START_POSITION", 0, "0", 0, 32767, IntroStartPosition),
    INT_KEY("INTRO_END_POSITION", 10, "10", 0, 32767, IntroEndPosition),
    INT_KEY("SKIP_PLAY_MODE", 0, "0", 0, 2, SkipPlayMode),
    INT_KEY("SKIP_TIME", 900, "900", 1, 32767, SkipTime),
    INT_KEY("SKIP_NUMBER", 3, "3", 1, 100, SkipNumber),
    INT_KEY("SKIP_PLAY_TIME", 2, "2", 1, 32767, SkipPlayTime),
    INT_KEY("SEEKTIME1", 30, "30", 1, 9999, SeekTime1),
    INT_KEY("SEEKTIME2", 10, "10", 1, 9999, SeekTime2),
    INT_KEY("SEEKTIME3", 300, "300", 1, 9999, SeekTime3),
    INT_KEY("SEEKTIME4", 1800, "1800", 1, 9999, SeekTime4),
    INT_KEY("END_PLAY_TIME", 10, "10", 1, 32767, EndPlayTime),
    INT_KEY("AUDIO_SELECT", 1, "1", 1, 10, AudioSelect),
    BOOL_KEY("AUDIO_DISP_PRIORITY", "FALSE", "FALSE", AudioDispPriority),
    BOOL_KEY("MUTE", "FALSE", "FALSE", Mute),
    BOOL_KEY("DISP_FILENAME", "FALSE", "FALSE", DispFilename),
    BOOL_KEY("DISP_RESOSIZE", "FALSE", "FALSE", DispResoSize),
    BOOL_KEY("DISP_VIDEOSIZE", "FALSE", "FALSE", DispVideoSize),
    INT_KEY("DISP_FONTSIZE", 30, "30", 5, 300, DispFontSize),
    INT_KEY("PLAYLIST_POSITION", 0, "0", 0, 4, PlaylistPosition),
    BOOL_KEY("PLAYLIST_LEFTSIDE", "FALSE", "FALSE", PlaylistLeftSide),
    INT_KEY("PLAYLIST_FONTSIZE", 12, "12", 5, 300, PlaylistFontSize),
    BOOL_KEY("FOLDER_SELECT_START", "FALSE", "FALSE", FolderSelectStart),
    INT_KEY("MOUSE_WIDTH", 100, "100", 0, 999, MouseWidth),
    BOOL_KEY("IGNOREMOUSE", "FALSE", "FALSE", IgnoreMouse),
    BOOL_KEY("MONITOR_POWER", "FALSE", "FALSE", MonitorPower),
    // 0 the main monitor; a number no monitor has also means the main one.
    INT_KEY("PLAY_MONITOR", 0, "0", 0, 99, PlayMonitor),
    TEXT_KEY("PLAYING", "", "", Playing),
    INT_KEY("STOP_POSITION", 0, "0", INT_MIN, INT_MAX, StopPosition),
    BOOL_KEY("ONLY_RESCH_BY_CDS", "FALSE", "FALSE", OnlyReschByCds),
    BOOL_KEY("ONLY_RESCH_BY_DDRAW", "FALSE", "FALSE", OnlyReschByDdraw),
    // Created "TRUE" but a missing key reads false.
    BOOL_KEY("EXCEPTION_BEEP", "FALSE", "TRUE", ExceptionBeep),
    BOOL_KEY("EXCEPTION_LOG", "FALSE", NULL, ExceptionLog),
    BOOL_KEY("VISUAL_DEBUG", "FALSE", "FALSE", VisualDebug),
    // The history (read by LoadHistory) and program groups sit here.
    { "", KeyGroups, NULL, 0, NULL, 0, 0, 0 },
    INT_KEY("PROGRAM_PLAY_NO", 1, "1", INT_MIN, INT_MAX, ProgramPlayNo),
    INT_KEY("PROGRAM_STOPPOSITION", 0, "0", INT_MIN, INT_MAX, ProgramStopPosition),
};
const int SettingsKeyCount = (int)(sizeof(SettingsKeys) / sizeof(SettingsKeys[0]));

struct GroupKey {
    const char* stem;
    const char* created;
};

static const GroupKey HistoryGroup[] = {
    { VLM_KEY_HISTORY_DIRNAME, "" },
    { VLM_KEY_HISTORY_FILENAME, "" },
    { VLM_KEY_HISTORY_STOPPOSITION, "0" },
    { VLM_KEY_HISTORY_FIXFLAG, "FALSE" },
};

static const GroupKey ProgramGroup[] = {
    { VLM_KEY_PROGRAM_FILENAME, "" },
    { VLM_KEY_PROGRAM_STA_POSITION, "0" },
    { VLM_KEY_PROGRAM_END_POSITION, "-1" },
};

// ---- pure rules

BOOL ParseSettingsBool(const char* text)
{
    static const char word[] = "TRUE";
    for (int i = 0; i < 4; i++) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        if (c != word[i]) return FALSE;
    }
    return text[4] == '\0';
}

int CheckSettingsRange(const SettingsKeyRow* row, int value)
{
    return (value < row->min || value > row->max) ? row->absentInt : value;
}

void CutOnCharBoundary(char* text, size_t maxChars)
{
    size_t n = 0;
    while (text[n] != '\0') {
        // A lead byte without its trail (cut off, or at the very end) is not
        // a character: keep it out rather than write back half of one.
        if (IsDBCSLeadByte((BYTE)text[n])) {
            if (text[n + 1] == '\0' || n + 2 > maxChars) break;
            n += 2;
        } else {
            if (n + 1 > maxChars) break;
            n += 1;
        }
    }
    text[n] = '\0';
}

int HasForbiddenExtensionChar(const char* extensions)
{
    for (const char* p = extensions; *p; p = NextChar(p)) {
        if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0') continue;
        if (strchr("\\/:*?\"<>", *p) != NULL) return 1;
    }
    return 0;
}

void TrimTrailingSpaces(char* text)
{
    char* end = text;  // just after the last character that is not a space
    for (char* p = text; *p; p = (char*)NextChar(p))
        if (*p != ' ') end = (char*)NextChar(p);
    *end = '\0';
}

void NumberedKey(char* key, const char* stem, int number)
{
    snprintf(key, 64, "%s%02d", stem, number);
}

// ---- one key

void ReadSettingsText(const char* key, const char* absent, char* value)
{
    // Room for more than a path, so the cut below decides where it ends.
    char text[4 * VLM_PATH_CHARS];
    memset(text, 0, sizeof(text));
    GetPrivateProfileStringA(VLM_INI_SECTION, key, absent, text, sizeof(text), Settings.SettingsPath);
    text[sizeof(text) - 1] = '\0';
    CutOnCharBoundary(text, VLM_PATH_CHARS - 1);
    strcpy(value, text);
}

int ReadSettingsInt(const char* key, int absent)
{
    return (int)GetPrivateProfileIntA(VLM_INI_SECTION, key, absent, Settings.SettingsPath);
}

BOOL ReadSettingsBool(const char* key, BOOL absent)
{
    char text[30];
    memset(text, 0, sizeof(text));
    GetPrivateProfileStringA(VLM_INI_SECTION, key, absent ? "TRUE" : "FALSE", text, sizeof(text),
                             Settings.SettingsPath);
    text[sizeof(text) - 1] = '\0';
    return ParseSettingsBool(text);
}

int SettingsWriteFailures;
DWORD SettingsWriteError;
void (*SettingsWriteFailed)(DWORD error);

void WriteSettingsText(const char* key, const char* value)
{
    if (WritePrivateProfileStringA(VLM_INI_SECTION, key, value, Settings.SettingsPath)) return;
    SettingsWriteError = GetLastError();
    SettingsWriteFailures++;
    if (SettingsWriteFailed) SettingsWriteFailed(SettingsWriteError);
}

void WriteSettingsInt(const char* key, int value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    WriteSettingsText(key, text);
}

void WriteSettingsBool(const char* key, BOOL value)
{
    WriteSettingsText(key, value ? "TRUE" : "FALSE");
}

static void ReadKeyRow(const SettingsKeyRow* row)
{
    char* field = (char*)&Settings + row->field;
    switch (row->kind) {
    case KeyText:
        ReadSettingsText(row->name, row->absentText, field);
        break;
    case KeyBool:
        *(BOOL*)field = ReadSettingsBool(row->name, ParseSettingsBool(row->absentText));
        break;
    case KeyInt:
        *(int*)field = CheckSettingsRange(row, ReadSettingsInt(row->name, row->absentInt));
        break;
    }
}

// ---- the file

static void CreateGroups(const GroupKey* group, int keys, int count)
{
    char key[64];
    for (int n = 1; n <= count; n++) {
        for (int k = 0; k < keys; k++) {
            NumberedKey(key, group[k].stem, n);
            WriteSettingsText(key, group[k].created);
        }
    }
}

void CreateSettingsFile()
{
    for (int i = 0; i < SettingsKeyCount; i++) {
        const SettingsKeyRow* row = &SettingsKeys[i];
        if (row->kind == KeyGroups) {
            CreateGroups(HistoryGroup, 4, VLM_HISTORY_SLOTS);
            CreateGroups(ProgramGroup, 3, VLM_PROGRAM_ENTRIES);
        } else if (row->createdText != NULL) {
            WriteSettingsText(row->name, row->createdText);
        }
    }
}

// Only a file that is plainly not there is created; one that exists but
// cannot be opened is left alone rather than overwritten with defaults.
static int SettingsFileMissing(const char* path)
{
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return 0;
    }
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Clean-up and checks that belong to one key, right after it is read.
// Gives 0 when reading must stop.
static int AfterReading(const SettingsKeyRow* row, int configureMode)
{
    switch (row->field) {
    case FIELD(DirName):
        TrimTrailingBackslashes(Settings.DirName);
        break;
    case FIELD(ProgramPlay):
        if (Settings.ProgramPlay) Settings.DirName[0] = '\0';
        break;
    case FIELD(Extensions):
        if (configureMode == 0 && HasForbiddenExtensionChar(Settings.Extensions))
            return SetError(VLM_ERR_FATAL, "拡張子列に不正文字が混入しています。", 0);
        TrimTrailingSpaces(Settings.Extensions);
        break;
    case FIELD(StopPosition):
        if (Settings.ProgramPlay) {
            Settings.Playing[0] = '\0';
            Settings.StopPosition = 0;
        }
        break;
    }
    return 1;
}

static void ApplyCommandLine()
{
    if (Settings.CommandLineFolder[0] == '\0') return;
    Settings.ProgramPlay = FALSE;
    if (strcmp(Settings.CommandLineFolder, Settings.DirName) != 0) {
        strcpy(Settings.DirName, Settings.CommandLineFolder);
        CutOnCharBoundary(Settings.DirName, VLM_PATH_CHARS - 1);
        SaveFolderState(1, 1, 1, 0, 1);
    }
    if (Settings.CommandLineFile[0] != '\0' && strcmp(Settings.CommandLineFile, Settings.Playing) != 0) {
        strcpy(Settings.Playing, Settings.CommandLineFile);
        Settings.StopPosition = 0;
    }
}

int LoadSettingsFrom(const char* path, int configureMode)
{
    size_t length = strlen(path);
    if (length >= VLM_PATH_CHARS) return SetError(VLM_ERR_FATAL, "実行パスが深すぎます。", 0);
    memmove(Settings.SettingsPath, path, length + 1);  // path may be SettingsPath itself

    if (SettingsFileMissing(path)) CreateSettingsFile();

    for (int i = 0; i < SettingsKeyCount; i++) {
        const SettingsKeyRow* row = &SettingsKeys[i];
        if (row->kind == KeyGroups) {
            if (!LoadHistory()) return 0;
            continue;
        }
        ReadKeyRow(row);
        if (!AfterReading(row, configureMode)) return 0;
    }

    char key[64], first[VLM_PATH_CHARS];
    NumberedKey(key, VLM_KEY_PROGRAM_FILENAME, 1);
    ReadSettingsText(key, "", first);
    Settings.ProgramListNonEmpty = first[0] != '\0';

    ApplyCommandLine();
    return 1;
}

int LoadSettings(int configureMode)
{
    char path[VLM_PATH_CHARS];
    if (!FindSettingsFile(path)) return 0;
    return LoadSettingsFrom(path, configureMode);
}
