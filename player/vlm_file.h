// Media lists: the play list built from a folder or from the program list,
// its order, and the choice of the file for each kind of request.
#pragma once
#include <windows.h>
#include "vlm_global.h"

struct MediaFileEntry {
    MediaFileEntry* prev;
    MediaFileEntry* next;
    int id;            // folder: listing order 1..; program: PROGRAM_FILENAMEnn number
    int playNo;        // 1..count in the current play order
    int startSeconds;  // 0 in folder play
    int endSeconds;    // -1: end of file
    // name and path are ANSI: the code page's best fit of the real name,
    // used for order, display and the settings file. widePath is the real
    // path, the one that opens the file even when its name holds characters
    // the code page cannot.
    char name[VLM_PATH_CHARS];
    char path[VLM_PATH_CHARS];
    WCHAR widePath[VLM_PATH_CHARS];
};

struct MediaFileListRecord {
    int count;
    MediaFileEntry* head;
    MediaFileEntry* tail;
    MediaFileEntry* current;
};

// Selection request kinds of the play driver.
enum RequestKind {
    Start = 0,
    AtEnd = 1,
    Step = 2,
    ByNumber = 3,
    AfterFolderSelect = 4,
    ProgramSwitch = 5,
    HistorySwitch = 6,
};

extern MediaFileListRecord MediaFileList;

// Entries are allocated zero-filled from Settings.Heap by ScanFolder and
// LoadProgramList and freed only by FreeMediaList.

// ---- folder list (vlm_file.cpp)

// Builds MediaFileList from DIRNAME: the files whose extension is listed in
// EXTENSIONS, in play order, with current on the file to resume (PLAYING).
// Any entries left from an earlier failed build are freed first.
int ScanFolder();

// Why a listing failed: ErrorCode, the message and the system's code (0:
// none), kept apart from ErrorText so that a listing can run on any thread.
struct ScanFailure {
    int code;
    const char* message;
    DWORD systemCode;
};
// Appends the playable files of dirName to list in listing order (ids 1..).
// Touches nothing shared but the process heap; a non-zero *cancel ends the
// listing early (cancel may be NULL).
int ListFolder(const char* dirName, const char* extensions, MediaFileListRecord* list, volatile LONG* cancel,
               ScanFailure* failure);
// Appends the entry of file name in folder dirName; 0 when its paths do not
// fit or memory fails.
int MakeFolderEntry(const char* dirName, const char* name, MediaFileListRecord* list);
// current on the file to resume of a scanned folder list (PLAYING), none in
// random order without CONTINUOUS_PLAY; STOP_POSITION 0 without one.
void PlaceFolderResumePoint();
// 1 when extension equals (ignoring case) one "|"-separated piece of
// extensions; an empty piece matches only an empty extension.
int MatchExtension(const char* extension, const char* extensions);
// Extension of a file name: the text after its last ".", or NULL when the
// name has none.
const char* FileExtension(const char* name);
// Links entry after `after` (NULL: at the head). count is the caller's.
void InsertAfter(MediaFileListRecord* list, MediaFileEntry* after, MediaFileEntry* entry);
// Unlinks entry, fixing head and tail. count is the caller's.
void UnlinkEntry(MediaFileListRecord* list, MediaFileEntry* entry);
// playNo = 1, 2, 3 ... from the head.
void RenumberMediaList(MediaFileListRecord* list);
// Frees every entry of list; count 0, head, tail and current none.
void FreeListEntries(MediaFileListRecord* list);
// The same for MediaFileList, dropping a listing still running for it.
void FreeMediaList();

// ---- play order (vlm_file_order.cpp)

// Stable name order by lstrcmpA, descending when DESCENDING; then renumbers.
void SortMediaList(MediaFileListRecord* list);
// Random order: each entry, taken from the head, goes to slot
// ShuffleSlot(draw, placed) of the new order; then renumbers.
void ShuffleMediaList(MediaFileListRecord* list);
// floor(draw * (placed + 1) / 32768) for a draw of 0..32767.
int ShuffleSlot(int draw, int placed);
// The random source of the shuffle: the C run-time rand() (seeded at
// start-up). Tests put a fixed sequence in its place.
extern int (*MediaRandom)(void);

// ---- selection (vlm_file_select.cpp)

// Chooses the entry for a request of the play driver and makes it current;
// out (VLM_PATH_CHARS wide characters) receives its widePath.
int SelectMediaFile(int kind, int argument, WCHAR* out);
// Makes current the first entry named playing (none: NULL). When no entry
// or more than one has that name, *stopPosition becomes 0.
void PlaceResumePoint(MediaFileListRecord* list, const char* playing, int* stopPosition);

// ---- the folder listed behind the playing file (vlm_file_background.cpp)

// In folder play, when the file to resume (PLAYING) is in DIRNAME and is to
// be resumed: MediaFileList becomes that one file, current, and a thread is
// made to list and order the folder and then post message to notify. 0 when
// there is nothing to resume or no thread: build the list the usual way.
int StartFolderScan(HWND notify, UINT message);
// Lets the listing run: on a machine of few cores it would slow the start
// of the graph that it was made to spare.
void ReleaseFolderScan();
// Waits for a running listing and makes its list MediaFileList, in play
// order with the resume point placed, as ScanFolder would have. *moved
// becomes TRUE when by the rules another file than the one playing is
// to be resumed (names that share one ANSI name). 1 also when nothing was
// running; 0 with ErrorCode and ErrorText of the listing.
int AwaitFolderScan(BOOL* moved);
// TRUE from StartFolderScan until the list was taken over or dropped.
BOOL FolderScanPending();
// Ends a running listing and frees what it found.
void DropFolderScan();

// ---- program list (vlm_file_program.cpp)

// 1 when path names an existing file, not a folder: what every entry of the
// program list must be (the editor checks it as the player does).
int IsExistingFile(const char* path);

// Builds MediaFileList from PROGRAM_FILENAMEnn of the settings file
// (Settings.SettingsPath), with current on entry PROGRAM_PLAY_NO.
int LoadProgramList();
