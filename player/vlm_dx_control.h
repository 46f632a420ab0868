// Play-time control (play range, intro play, A-B loop, skip play) and the
// transport operations bound to the keys and mouse buttons.
#pragma once
#include <windows.h>
#include "vlm_dx.h"

struct MediaFileEntry;

// ---- operations on the running graph (vlm_dx_playtime.cpp)

// Once a second and after every relative seek: keeps the position inside the
// play range, performs skip play, moves on at the end of a range and
// refreshes the time shown by the overlay. 0 after a failure.
int CheckPlayTime();
// A key (isB 0) and B key (isB non-zero) of the A-B loop.
int SetABPoint(int isB);
// W key: writes a looping A-B range into the settings file. Always 1.
int SaveABRange();

// ---- transport operations (vlm_dx_transport.cpp)
int SeekRelative(int forward, int seconds);
int ToggleMute();
int TogglePause();
int ToggleFileLoop();
int ToggleIntroPlay();
int CycleSkipPlayMode();
// slot 0 is the first audio stream; digit keys give (digit + 9) % 10.
int SwitchAudioStream(int slot);

// ---- the arithmetic, without the graph (vlm_dx_control.cpp)

// Positions are 100 ns units; settings and entries are whole seconds.
LONGLONG SecondsToPosition(int seconds);
LONGLONG PositionToSeconds(LONGLONG position);

// The play range of the current file.
struct PlayRange {
    LONGLONG low;    // position playback must not fall below
    LONGLONG high;   // meaningful only when hasHigh
    BOOL hasHigh;    // false: the range runs to the end of the file
    BOOL loop;       // at the end: seek back to low instead of leaving the file
};

// Inputs of the range: the entry's own range, intro play and the A-B loop.
struct PlayRangeInputs {
    int startSeconds;    // 0: from the beginning
    int endSeconds;      // -1: to the end of the file
    BOOL introPlay;
    int introStart;
    int introEnd;
    BOOL fileLoop;
    int abLoopState;
    LONGLONG abStart;
    LONGLONG abEnd;
};

// 1 and the range when range play applies to these inputs, else 0.
int CalcPlayRange(const PlayRangeInputs* in, PlayRange* range);

enum RangeAction {
    RangeStay = 0,       // inside the range
    RangeSeekToLow = 1,  // below the range start
    RangeLoopBack = 2,   // beyond the end with loop on: back to low
    RangeLeave = 3,      // beyond the end with loop off: next file
};
// What to do with the position against the range; *target gets the seek
// target for RangeSeekToLow and RangeLoopBack.
int DecideRangeAction(const PlayRange* range, LONGLONG current, LONGLONG* target);

struct SkipInputs {
    int mode;          // SKIP_PLAY_MODE: 0 off, 1 by number, 2 by time
    int skipNumber;    // parts per file (mode 1)
    int skipTime;      // interval in seconds (mode 2)
    int skipPlayTime;  // seconds played at the head of each interval
    int endPlayTime;   // seconds kept clear before the end
};
// 1 and the jump target when skip play moves the position now, else 0.
// A file too short to be cut into parts (interval 0) is never skipped.
int CalcSkipTarget(const SkipInputs* in, LONGLONG stopPosition, LONGLONG current,
                   LONGLONG* target);

// Target of a relative seek, kept out of the last second and stopped at the
// start of the last endPlayTime seconds.
LONGLONG CalcSeekTarget(LONGLONG current, LONGLONG stopPosition, int forward, int seconds,
                        int endPlayTime);

// New A-B loop state after the A key (isB 0) or the B key.
int NextABLoopState(int state, int isB);

// Writes the range [abStart, abEnd] (positions) to the settings file at
// path: as the entry's PROGRAM_STA_POSITIONnn/PROGRAM_END_POSITIONnn in
// program play, else as INTRO_START_POSITION/INTRO_END_POSITION. A value
// outside 0..32767 seconds is not written. Gives the number of keys written.
int WriteABRange(const char* path, int programPlay, const MediaFileEntry* entry,
                 LONGLONG abStart, LONGLONG abEnd);
