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
    char name[VLM_PATH_CHARS];
    char path[VLM_PATH_CHARS];
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
