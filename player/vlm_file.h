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
// Frees every entry of MediaFileList; count 0, head, tail and current none.
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

// ---- program list (vlm_file_program.cpp)

// 1 when path names an existing file, not a folder: what every entry of the
// program list must be (the editor checks it as the player does).
int IsExistingFile(const char* path);

// Builds MediaFileList from PROGRAM_FILENAMEnn of the settings file
// (Settings.SettingsPath), with current on entry PROGRAM_PLAY_NO.
int LoadProgramList();
