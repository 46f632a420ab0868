// The folder history: 48 slots on a used list (most recent first, pinned
// folders ahead of the others) and a free list, its image in the settings
// file (HISTORY_*nn), and the resume points of folder and program play.
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_util.h"
#include <string.h>

HistoryLinks* HistoryLinksOf(int links)
{
    return links == HistoryWork ? &Settings.FolderHistory.work : &Settings.FolderHistory.live;
}

static int IsSlot(int slot)
{
    return slot >= 0 && slot < VLM_HISTORY_SLOTS;
}

static void CopyText(char* dst, const char* src)
{
    size_t n = strlen(src);
    if (n > VLM_PATH_CHARS - 1) n = VLM_PATH_CHARS - 1;
    memmove(dst, src, n);
    dst[n] = '\0';
    CutOnCharBoundary(dst, VLM_PATH_CHARS - 1);
}

int SameFolderName(const char* a, const char* b)
{
    // Letters fold only where they are characters of their own: the trail
    // byte of a double-byte character is compared exactly.
    while (*a && *b) {
        int wideA = IsDBCSLeadByte((BYTE)*a) && a[1] != '\0';
        int wideB = IsDBCSLeadByte((BYTE)*b) && b[1] != '\0';
        if (wideA != wideB) return 0;
        if (wideA) {
            if (a[0] != b[0] || a[1] != b[1]) return 0;
            a += 2;
            b += 2;
            continue;
        }
        char ca = *a, cb = *b;
        if (ca >= 'a' && ca <= 'z') ca = (char)(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z') cb = (char)(cb - 'a' + 'A');
        if (ca != cb) return 0;
        a++;
        b++;
    }
    return *a == '\0' && *b == '\0';
}

// ---- list operations

void UnlinkSlot(int links, int list, int slot)
{
    if (!IsSlot(slot)) return;
    HistoryLinks* l = HistoryLinksOf(links);
    int* head = list == HistoryFree ? &l->freeHead : &l->usedHead;
    int* tail = list == HistoryFree ? &l->freeTail : &l->usedTail;
    HistoryNode* node = &l->node[slot];
    if (IsSlot(node->prev)) l->node[node->prev].next = node->next;
    else if (*head == slot) *head = node->next;
    if (IsSlot(node->next)) l->node[node->next].prev = node->prev;
    else if (*tail == slot) *tail = node->prev;
    node->prev = -1;
    node->next = -1;
}

void LinkSlot(int links, int list, int slot, int ref, int after)
{
    if (!IsSlot(slot) || slot == ref) return;
    if (!IsSlot(ref)) ref = -1;
    HistoryLinks* l = HistoryLinksOf(links);
    int* head = list == HistoryFree ? &l->freeHead : &l->usedHead;
    int* tail = list == HistoryFree ? &l->freeTail : &l->usedTail;
    HistoryNode* node = &l->node[slot];
    int prev, next;
    if (after) {
        prev = ref;
        next = ref < 0 ? *head : l->node[ref].next;
    } else {
        next = ref;
        prev = ref < 0 ? *tail : l->node[ref].prev;
    }
    node->prev = (signed char)prev;
    node->next = (signed char)next;
    if (IsSlot(prev)) l->node[prev].next = (signed char)slot;
    else *head = slot;
    if (IsSlot(next)) l->node[next].prev = (signed char)slot;
    else *tail = slot;
}

int FindSlot(int links, int kind, int forward, int start, int n)
{
    HistoryLinks* l = HistoryLinksOf(links);
    int s = start;
    if (s < 0) s = forward ? l->usedHead : l->usedTail;
    int count = 0;
    // Bounded by the table size, so damaged links cannot loop for ever.
    for (int steps = 0; IsSlot(s) && steps < VLM_HISTORY_SLOTS; steps++) {
        const HistoryNode* node = &l->node[s];
        switch (kind) {
        case FirstUnpinned:
            if (!node->pinned) return s;
            break;
        case FirstPinned:
            if (node->pinned) return s;
            break;
        case SameFolder:
            if (Settings.DirName[0] != '\0' && SameFolderName(Settings.FolderHistory.slot[s].folder, Settings.DirName))
                return s;
            break;
        case NthEntry:
            if (++count >= n) return s;
            break;
        case NthPinned:
            if (node->pinned && ++count >= n) return s;
            break;
        default:
            return -1;
        }
        s = forward ? node->next : node->prev;
    }
    return -1;
}

int TakeSlot(int links, int atTop)
{
    HistoryLinks* l = HistoryLinksOf(links);
    if (l->freeHead >= 0) {
        int s = l->freeHead;
        UnlinkSlot(links, HistoryFree, s);
        int ref = atTop ? FindSlot(links, FirstUnpinned, 1, -1, 0) : -1;
        LinkSlot(links, HistoryUsed, s, ref, 0);
        l->node[s].pinned = 0;
        return s;
    }
    int first = FindSlot(links, FirstUnpinned, 1, -1, 0);
    if (first < 0) return -1;
    int oldest = FindSlot(links, FirstUnpinned, 0, -1, 0);
    if (oldest != first) {
        UnlinkSlot(links, HistoryUsed, oldest);
        LinkSlot(links, HistoryUsed, oldest, first, 0);
    }
    return oldest;
}

void ReleaseSlot(int links, int slot)
{
    if (!IsSlot(slot)) return;
    UnlinkSlot(links, HistoryUsed, slot);
    LinkSlot(links, HistoryFree, slot, -1, 1);
}

int GatherPinned()
{
    int firstUnpinned = FindSlot(HistoryLive, FirstUnpinned, 1, -1, 0);
    if (firstUnpinned < 0) return 0;
    int moved = 0;
    int pinned;
    while ((pinned = FindSlot(HistoryLive, FirstPinned, 1, firstUnpinned, 0)) >= 0) {
        UnlinkSlot(HistoryLive, HistoryUsed, pinned);
        LinkSlot(HistoryLive, HistoryUsed, pinned, firstUnpinned, 0);
        moved = 1;
    }
    return moved;
}

int HistoryKeyNumber(int slot)
{
    const HistoryLinks* l = &Settings.FolderHistory.live;
    int number = 0;
    for (int pass = 1; pass >= 0; pass--) {
        int s = l->usedHead;
        for (int steps = 0; IsSlot(s) && steps < VLM_HISTORY_SLOTS; steps++) {
            if ((l->node[s].pinned != 0) == pass) {
                number++;
                if (s == slot) return number;
            }
            s = l->node[s].next;
        }
    }
    return 0;
}

// ---- the settings file image

static void WriteHistoryGroup(int number, const char* folder, const char* file, int stopPosition,
                              BOOL pinned)
{
    char key[64];
    NumberedKey(key, VLM_KEY_HISTORY_DIRNAME, number);
    WriteSettingsText(key, folder);
    NumberedKey(key, VLM_KEY_HISTORY_FILENAME, number);
    WriteSettingsText(key, file);
    NumberedKey(key, VLM_KEY_HISTORY_STOPPOSITION, number);
    WriteSettingsInt(key, stopPosition);
    NumberedKey(key, VLM_KEY_HISTORY_FIXFLAG, number);
    WriteSettingsBool(key, pinned);
}

static void WriteHistory()
{
    const HistoryLinks* l = &Settings.FolderHistory.live;
    int number = 1;
    for (int pass = 1; pass >= 0; pass--) {
        int s = l->usedHead;
        for (int steps = 0; IsSlot(s) && steps < VLM_HISTORY_SLOTS; steps++) {
            if ((l->node[s].pinned != 0) == pass && number <= VLM_HISTORY_SLOTS) {
                const HistorySlot* slot = &Settings.FolderHistory.slot[s];
                WriteHistoryGroup(number++, slot->folder, slot->file, slot->stopPosition, pass);
            }
            s = l->node[s].next;
        }
    }
    for (; number <= VLM_HISTORY_SLOTS; number++) WriteHistoryGroup(number, "", "", 0, FALSE);
}

int LoadHistory()
{
    HistoryLinks* l = &Settings.FolderHistory.live;
    l->usedHead = l->usedTail = -1;
    l->freeHead = 0;
    l->freeTail = VLM_HISTORY_SLOTS - 1;
    for (int i = 0; i < VLM_HISTORY_SLOTS; i++) {
        l->node[i].pinned = 0;
        l->node[i].prev = (signed char)(i - 1);
        l->node[i].next = (signed char)(i + 1 < VLM_HISTORY_SLOTS ? i + 1 : -1);
    }

    char key[64];
    for (int number = 1; number <= VLM_HISTORY_SLOTS; number++) {
        int s = TakeSlot(HistoryLive, 0);
        if (s < 0) return SetError(VLM_ERR_FATAL, "未使用履歴リスト列が足りなくなりました。", 0);
        HistorySlot* slot = &Settings.FolderHistory.slot[s];
        NumberedKey(key, VLM_KEY_HISTORY_DIRNAME, number);
        ReadSettingsText(key, "", slot->folder);
        if (slot->folder[0] == '\0') {
            ReleaseSlot(HistoryLive, s);
            break;
        }
        NumberedKey(key, VLM_KEY_HISTORY_FILENAME, number);
        ReadSettingsText(key, "", slot->file);
        NumberedKey(key, VLM_KEY_HISTORY_STOPPOSITION, number);
        slot->stopPosition = ReadSettingsInt(key, 0);
        NumberedKey(key, VLM_KEY_HISTORY_FIXFLAG, number);
        l->node[s].pinned = (signed char)(ReadSettingsBool(key, FALSE) ? 1 : 0);
    }

    int rewrite = GatherPinned();
    if (Settings.CommandLineFolder[0] != '\0') rewrite = 1;
    if (Settings.DirName[0] != '\0' && FindSlot(HistoryLive, SameFolder, 1, -1, 0) < 0 &&
        (l->freeHead >= 0 || FindSlot(HistoryLive, FirstUnpinned, 1, -1, 0) >= 0))
        rewrite = 1;
    if (rewrite) SaveFolderState(1, 1, 1, 1, 0);
    return 1;
}

static void ClearResumePoint()
{
    Settings.Playing[0] = '\0';
    Settings.StopPosition = 0;
}

void SaveFolderState(int writeFolder, int writePlaying, int writeHistory, int forceHistory, int takeResume)
{
    HistoryLinks* l = &Settings.FolderHistory.live;
    int changed = 0;
    if (Settings.DirName[0] != '\0') {
        int s = FindSlot(HistoryLive, SameFolder, 1, -1, 0);
        if (s < 0) {
            s = TakeSlot(HistoryLive, 1);
            if (s >= 0) {
                HistorySlot* slot = &Settings.FolderHistory.slot[s];
                CopyText(slot->folder, Settings.DirName);
                if (takeResume) {
                    slot->file[0] = '\0';
                    slot->stopPosition = 0;
                } else {
                    CopyText(slot->file, Settings.Playing);
                    slot->stopPosition = Settings.StopPosition;
                }
                changed = 1;
            }
            if (writePlaying && takeResume) ClearResumePoint();
        } else {
            HistorySlot* slot = &Settings.FolderHistory.slot[s];
            int first = FindSlot(HistoryLive, FirstUnpinned, 1, -1, 0);
            if (!l->node[s].pinned && s != first) {
                UnlinkSlot(HistoryLive, HistoryUsed, s);
                LinkSlot(HistoryLive, HistoryUsed, s, first, 0);
                changed = 1;
            }
            if (takeResume) {
                if (writePlaying) {
                    CopyText(Settings.Playing, slot->file);
                    Settings.StopPosition = slot->stopPosition;
                }
            } else {
                CopyText(slot->file, Settings.Playing);
                slot->stopPosition = Settings.StopPosition;
                changed = 1;
            }
        }
    }
    if (Settings.ProgramPlay || Settings.DirName[0] == '\0') ClearResumePoint();

    if (writeFolder) {
        WriteSettingsText("DIRNAME", Settings.DirName);
        WriteSettingsBool("PROGRAM_PLAY", Settings.ProgramPlay);
    }
    if (writePlaying) {
        WriteSettingsText("PLAYING", Settings.Playing);
        WriteSettingsInt("STOP_POSITION", Settings.StopPosition);
    }
    if (writeHistory && (forceHistory || changed)) WriteHistory();
}

void SaveProgramResume(int playNo, int seconds)
{
    Settings.ProgramPlayNo = playNo;
    Settings.ProgramStopPosition = seconds;
    WriteSettingsInt("PROGRAM_PLAY_NO", Settings.ProgramPlayNo);
    WriteSettingsInt("PROGRAM_STOPPOSITION", Settings.ProgramStopPosition);
}

void SaveStopPosition(const MediaFileEntry* entry, int seconds)
{
    if (entry == NULL) return;
    if (Settings.ProgramPlay) {
        SaveProgramResume(entry->id, seconds);
        return;
    }
    CopyText(Settings.Playing, entry->name);
    Settings.StopPosition = seconds;
    WriteSettingsText("PLAYING", Settings.Playing);
    WriteSettingsInt("STOP_POSITION", Settings.StopPosition);

    int s = FindSlot(HistoryLive, SameFolder, 1, -1, 0);
    if (s < 0) return;
    HistorySlot* slot = &Settings.FolderHistory.slot[s];
    CopyText(slot->file, entry->name);
    slot->stopPosition = seconds;

    int number = HistoryKeyNumber(s);
    if (number <= 0) return;
    char key[64];
    NumberedKey(key, VLM_KEY_HISTORY_FILENAME, number);
    WriteSettingsText(key, slot->file);
    NumberedKey(key, VLM_KEY_HISTORY_STOPPOSITION, number);
    WriteSettingsInt(key, slot->stopPosition);
}
