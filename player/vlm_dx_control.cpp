// The arithmetic of play-time control and transport: play range, skip play,
// relative seek targets, the A-B loop states and the saved A-B range. No
// graph and no window is touched here.
#include "vlm_dx_control.h"
#include "vlm_file.h"
#include "vlm_global.h"

LONGLONG SecondsToPosition(int seconds)
{
    return (LONGLONG)seconds * VLM_UNITS_PER_SECOND;
}

LONGLONG PositionToSeconds(LONGLONG position)
{
    return position / VLM_UNITS_PER_SECOND;
}

int CalcPlayRange(const PlayRangeInputs* in, PlayRange* range)
{
    BOOL looping = in->abLoopState == 2;
    if (!looping && !in->introPlay && in->startSeconds == 0 && in->endSeconds == -1)
        return 0;

    int lowSeconds = in->startSeconds;
    if (in->introPlay && lowSeconds < in->introStart) lowSeconds = in->introStart;
    range->low = SecondsToPosition(lowSeconds);
    if (looping && range->low < in->abStart) range->low = in->abStart;

    int highSeconds = in->endSeconds;
    range->loop = in->fileLoop;
    if (in->introPlay && (highSeconds == -1 || highSeconds > in->introEnd))
        highSeconds = in->introEnd;

    // B narrows the range only when it lies before the entry's or intro's
    // end; at exactly that end the end's own rule (FILELOOP) stays.
    if (looping && (highSeconds == -1 || SecondsToPosition(highSeconds) > in->abEnd)) {
        range->high = in->abEnd;
        range->hasHigh = TRUE;
        range->loop = TRUE;
    } else if (highSeconds == -1) {
        range->high = 0;
        range->hasHigh = FALSE;
    } else {
        range->high = SecondsToPosition(highSeconds);
        range->hasHigh = TRUE;
    }
    return 1;
}

int DecideRangeAction(const PlayRange* range, LONGLONG current, LONGLONG* target)
{
    if (current < range->low) {
        *target = range->low;
        return RangeSeekToLow;
    }
    if (!range->hasHigh || current <= range->high) return RangeStay;
    if (range->loop) {
        *target = range->low;
        return RangeLoopBack;
    }
    return RangeLeave;
}

int CalcSkipTarget(const SkipInputs* in, LONGLONG stopPosition, LONGLONG current,
                   LONGLONG* target)
{
    LONGLONG interval;
    if (in->mode == 2)
        interval = SecondsToPosition(in->skipTime);
    else if (in->mode == 1 && in->skipNumber > 0)
        interval = stopPosition / in->skipNumber;
    else
        return 0;
    // A file shorter than SKIP_NUMBER units cuts into empty parts; there is
    // nothing to skip to, so it simply plays.
    if (interval <= 0) return 0;

    LONGLONG play = SecondsToPosition(in->skipPlayTime);
    LONGLONG clear = SecondsToPosition(in->endPlayTime);
    if (current % interval <= play) return 0;
    if (stopPosition - clear <= current) return 0;

    LONGLONG next = (current / interval + 1) * interval;
    if (stopPosition - clear < next) next = stopPosition - clear;
    if (next < 0) next = 0;
    *target = next;
    return 1;
}

LONGLONG CalcSeekTarget(LONGLONG current, LONGLONG stopPosition, int forward, int seconds,
                        int endPlayTime)
{
    LONGLONG delta = SecondsToPosition(seconds);
    LONGLONG target = forward ? current + delta : current - delta;
    if (target < 0) target = 0;

    LONGLONG limit = stopPosition - SecondsToPosition(endPlayTime);
    if (limit < 0) limit = 0;
    if (current < limit && limit < target) target = limit;
    // The last second of the file (or beyond) would end it at once.
    if (stopPosition - VLM_UNITS_PER_SECOND < target) target = limit;
    return target;
}

int NextABLoopState(int state, int isB)
{
    if (state == 0) return isB ? 0 : 1;
    if (state == 1) return isB ? 2 : 0;
    return 0;
}

// Writes "%d" of seconds under key when it is a valid position in seconds;
// 1 when it was written.
static int WriteSecondsKey(const char* path, const char* key, LONGLONG seconds)
{
    // Checked in 64 bits: a huge position must not wrap into the valid range.
    if (seconds < 0 || seconds > 32767) return 0;
    char value[16];
    wsprintfA(value, "%d", (int)seconds);
    return WritePrivateProfileStringA(VLM_INI_SECTION, key, value, path) ? 1 : 0;
}

int WriteABRange(const char* path, int programPlay, const MediaFileEntry* entry,
                 LONGLONG abStart, LONGLONG abEnd)
{
    LONGLONG a = PositionToSeconds(abStart);
    LONGLONG b = PositionToSeconds(abEnd);
    int written = 0;
    if (programPlay) {
        if (!entry) return 0;
        char key[64];
        NumberedKey(key, VLM_KEY_PROGRAM_STA_POSITION, entry->id);
        written += WriteSecondsKey(path, key, a);
        NumberedKey(key, VLM_KEY_PROGRAM_END_POSITION, entry->id);
        written += WriteSecondsKey(path, key, b);
    } else {
        written += WriteSecondsKey(path, "INTRO_START_POSITION", a);
        written += WriteSecondsKey(path, "INTRO_END_POSITION", b);
    }
    return written;
}
