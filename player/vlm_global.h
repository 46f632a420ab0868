// Process-wide settings record and the one error-reporting convention.
// The record holds every key of section "VELMORA" of "Velmora.ini", the
// process handles, the command-line override, the pending error and the
// folder history. It is zero-filled at start-up and lives for the process.
#pragma once
#include <windows.h>

#define VLM_PATH_CHARS      260   // text buffers: 259 characters + terminator
#define VLM_ERRORTEXT_CHARS 160
#define VLM_HISTORY_SLOTS   48
#define VLM_PROGRAM_ENTRIES 100

#define VLM_INI_SECTION   "VELMORA"
#define VLM_INI_FILENAME  "Velmora.ini"
#define VLM_LOG_FILENAME  "VelmoraExp.log"
#define VLM_USER_FOLDER   "Velmora"   // a user's own settings, in the application data folder

// ErrorCode values.
enum {
    VLM_ERR_NONE = 0,
    VLM_ERR_FATAL = -1,
    VLM_ERR_NOFILE = 1,        // folder or program list holds no playable file
    VLM_ERR_NOFOLDER = 2,      // folder cannot be listed
    VLM_ERR_PROGRAMFILE = 3,   // a program list file is missing
    VLM_ERR_FILEFAILED = 4,    // one file could not be played
};

// One remembered folder.
struct HistorySlot {
    char folder[VLM_PATH_CHARS];
    char file[VLM_PATH_CHARS];
    int stopPosition;
};

struct HistoryNode {
    signed char pinned;  // 0 or 1
    signed char prev;    // slot number or -1
    signed char next;    // slot number or -1
};

// Used and free lists over the 48 slots.
struct HistoryLinks {
    int usedHead, usedTail;
    int freeHead, freeTail;
    HistoryNode node[VLM_HISTORY_SLOTS];
};

struct FolderHistoryRecord {
    HistoryLinks live;   // links 0
    HistoryLinks work;   // links 1: the history dialog's working copy
    HistorySlot slot[VLM_HISTORY_SLOTS];
};

struct SettingsRecord {
    HINSTANCE Instance;
    HANDLE Heap;
    char CommandLineFolder[VLM_PATH_CHARS];
    char CommandLineFile[VLM_PATH_CHARS];
    int ErrorCode;
    char ErrorText[VLM_ERRORTEXT_CHARS];
    char SettingsPath[VLM_PATH_CHARS];

    char DirName[VLM_PATH_CHARS];        // DIRNAME
    BOOL ProgramPlay;                    // PROGRAM_PLAY
    char Extensions[VLM_PATH_CHARS];     // EXTENSIONS

    BOOL FileLoop;                       // FILELOOP
    BOOL Random;                         // RANDOM
    BOOL Descending;                     // DESCENDING
    BOOL ContinuousPlay;                 // CONTINUOUS_PLAY
    BOOL SpecifySize;                    // SPECIFY_SIZE
    int SizePercent;                     // SIZE_PERCENT
    int AspectRate;                      // ASPECT_RATE
    int AspectRatioX;                    // ASPECT_RATIO_X
    int AspectRatioY;                    // ASPECT_RATIO_Y
    BOOL ChangeResolution;               // CHANGE_RESOLUTION
    BOOL Expand;                         // EXPAND
    BOOL BitsPerPelUnchange;             // BITSPERPEL_UNCHANGE
    BOOL FixedVga;                       // FIXED_VGA
    BOOL IntroPlay;                      // INTRO_PLAY
    int IntroStartPosition;              // INTRO_START_POSITION
    int IntroEndPosition;                // INTRO_END_POSITION
    int SkipPlayMode;                    // SKIP_PLAY_MODE
    int SkipNumber;                      // SKIP_NUMBER
    int SkipTime;                        // SKIP_TIME
    int SkipPlayTime;                    // SKIP_PLAY_TIME
    int SeekTime1;                       // SEEKTIME1
    int SeekTime2;                       // SEEKTIME2
    int SeekTime3;                       // SEEKTIME3
    int SeekTime4;                       // SEEKTIME4
    int EndPlayTime;                     // END_PLAY_TIME
    int AudioSelect;                     // AUDIO_SELECT
    BOOL AudioDispPriority;              // AUDIO_DISP_PRIORITY
    BOOL Mute;                           // MUTE
    BOOL DispFilename;                   // DISP_FILENAME
    BOOL DispResoSize;                   // DISP_RESOSIZE
    BOOL DispVideoSize;                  // DISP_VIDEOSIZE
    int DispFontSize;                    // DISP_FONTSIZE
    int PlaylistPosition;                // PLAYLIST_POSITION
    BOOL PlaylistLeftSide;               // PLAYLIST_LEFTSIDE
    int PlaylistFontSize;                // PLAYLIST_FONTSIZE
    BOOL FolderSelectStart;              // FOLDER_SELECT_START
    int MouseWidth;                      // MOUSE_WIDTH
    BOOL IgnoreMouse;                    // IGNOREMOUSE
    BOOL MonitorPower;                   // MONITOR_POWER
    int PlayMonitor;                     // PLAY_MONITOR

    char Playing[VLM_PATH_CHARS];        // PLAYING
    int StopPosition;                    // STOP_POSITION

    BOOL OnlyReschByCds;                 // ONLY_RESCH_BY_CDS
    BOOL OnlyReschByDdraw;               // ONLY_RESCH_BY_DDRAW
    BOOL ExceptionBeep;                  // EXCEPTION_BEEP
    BOOL ExceptionLog;                   // EXCEPTION_LOG
    BOOL VisualDebug;                    // VISUAL_DEBUG

    FolderHistoryRecord FolderHistory;

    int ProgramPlayNo;                   // PROGRAM_PLAY_NO
    int ProgramStopPosition;             // PROGRAM_STOPPOSITION
    BOOL ProgramListNonEmpty;
};

extern SettingsRecord Settings;

// Records a failure: ErrorCode = code, ErrorText = message, followed by
// "(0x%08x)" when systemCode is non-zero. Always returns 0 so that a failing
// step can end with `return SetError(...)`.
int SetError(int code, const char* message, DWORD systemCode);
// Same, with the last error of the calling thread as the system code.
int SetErrorLast(int code, const char* message);
void ClearError();

// Reads "Velmora.ini" into Settings (creating it when missing), from the
// place FindSettingsFile gives. configureMode: 0 screensaver, 1 configuration sheet.
int LoadSettings(int configureMode);

// ---- where the settings live (vlm_global_place.cpp)

enum SettingsPlace {
    PlaceBesideProgram = 0,       // "Velmora.ini" beside the player
    PlaceUserFile = 1,            // "<application data>\Velmora\Velmora.ini"
    PlaceUserFileFromBeside = 2,  // the same, first copied from the file beside the player
};
// The rule: beside the player when that file can be written (or created)
// there; otherwise the user's own file, which starts as a copy of the file
// beside the player when it does not exist yet. Without a folder of the
// user's the file beside the player stays.
int ChooseSettingsPlace(int besideWritable, int besideExists, int userFolderKnown, int userExists);
// Full path (260 bytes) of the settings file by that rule, probed without
// changing the file beside the player; creates the user's folder and copies
// the file as the rule says. 0 with ErrorText when the program's own path
// cannot be built.
int FindSettingsFile(char* path);
// Full path of fileName beside the settings file in use (the exception log);
// beside the program while no settings file is known.
int SettingsDirPath(const char* fileName, char* path);

// ---- the settings file (vlm_global_ini.cpp)

enum SettingsKeyKind {
    KeyText = 0,   // 260-byte buffer, cut at 259 characters on a character boundary
    KeyBool = 1,   // "TRUE" in any letter case is true, anything else false
    KeyInt = 2,    // signed decimal; outside min..max reads as absentInt
    KeyGroups = 3, // not a key: where a new file receives the numbered groups
};

// One key of section "VELMORA". The rows of SettingsKeys are in the order a
// new file receives them; the reader, the creator and the configuration pages
// all walk the same rows.
struct SettingsKeyRow {
    const char* name;
    int kind;
    const char* absentText;   // text and bool: value of a missing key
    int absentInt;            // int: value of a missing or out-of-range key
    const char* createdText;  // written into a new file; NULL: never created
    int min, max;             // int: accepted range
    size_t field;             // offsetof(SettingsRecord, ...)
};

extern const SettingsKeyRow SettingsKeys[];
extern const int SettingsKeyCount;

// The body of LoadSettings with the file given (LoadSettings passes the
// file FindSettingsFile gives). Fills Settings.SettingsPath.
int LoadSettingsFrom(const char* path, int configureMode);
// Writes every created key, the 48 history groups and the 100 program
// groups into the settings file, in file order.
void CreateSettingsFile();

// Numbered keys: "%s%02d" of stem and number (HISTORY_DIRNAME01,
// PROGRAM_FILENAME100). key must hold 64 bytes.
void NumberedKey(char* key, const char* stem, int number);

// Readers and writers of one key of the settings file (Settings.SettingsPath).
// Text reads are cut to 259 characters without splitting a double-byte
// character, so a value read and written back never grows or gets corrupted.
void ReadSettingsText(const char* key, const char* absent, char* value);
int ReadSettingsInt(const char* key, int absent);
BOOL ReadSettingsBool(const char* key, BOOL absent);
void WriteSettingsText(const char* key, const char* value);
void WriteSettingsInt(const char* key, int value);
void WriteSettingsBool(const char* key, BOOL value);
// Writes of the settings file that failed since the start, and the system
// code of the last one. When set, SettingsWriteFailed hears of each.
extern int SettingsWriteFailures;
extern DWORD SettingsWriteError;
extern void (*SettingsWriteFailed)(DWORD error);

// Pure rules of the reader, for the configuration pages and the tests.
BOOL ParseSettingsBool(const char* text);         // "TRUE" in any case
int CheckSettingsRange(const SettingsKeyRow* row, int value);  // default when outside
void CutOnCharBoundary(char* text, size_t maxChars);  // drops a split last character
int HasForbiddenExtensionChar(const char* extensions);
void TrimTrailingSpaces(char* text);

// Stems of the numbered groups; a new file receives HISTORY_ groups 01..48,
// then PROGRAM_ groups 01..100.
#define VLM_KEY_HISTORY_DIRNAME      "HISTORY_DIRNAME"
#define VLM_KEY_HISTORY_FILENAME     "HISTORY_FILENAME"
#define VLM_KEY_HISTORY_STOPPOSITION "HISTORY_STOPPOSITION"
#define VLM_KEY_HISTORY_FIXFLAG      "HISTORY_FIXFLAG"
#define VLM_KEY_PROGRAM_FILENAME     "PROGRAM_FILENAME"
#define VLM_KEY_PROGRAM_STA_POSITION "PROGRAM_STA_POSITION"
#define VLM_KEY_PROGRAM_END_POSITION "PROGRAM_END_POSITION"
