// Play order of the media list: name order and random order.
//
// Both orders are defined by one insertion per entry into a new list (name
// order: before the first greater name; random order: at a drawn slot).
// Walking the list for every insertion is quadratic, and folders hold
// thousands of clips, so the same orders are reached in O(n log n): a stable
// natural merge sort, and slot inserts resolved backwards with a Fenwick
// tree.
#include "vlm_file.h"
#include <stdlib.h>

int (*MediaRandom)(void) = rand;

// ---- name order

static int ComesFirst(const MediaFileEntry* left, const MediaFileEntry* right, int descending)
{
    int order = lstrcmpA(left->name, right->name);
    // Ties go to the left, which holds the earlier arrivals.
    return descending ? order >= 0 : order <= 0;
}

// Merges two sorted runs, each ended by a null next; left holds the earlier
// arrivals. Returns the head of the result.
static MediaFileEntry* MergeRuns(MediaFileEntry* left, MediaFileEntry* right, int descending)
{
    MediaFileEntry* head = NULL;
    MediaFileEntry** link = &head;
    while (left != NULL && right != NULL) {
        if (ComesFirst(left, right, descending)) {
            *link = left;
            left = left->next;
        } else {
            *link = right;
            right = right->next;
        }
        link = &(*link)->next;
    }
    *link = left != NULL ? left : right;
    return head;
}

// Cuts the longest ordered run off the front of *rest and returns it ended
// by a null next. A run in strictly the opposite order is reversed; being
// strict it holds no equal names whose arrival order could be lost.
static MediaFileEntry* TakeRun(MediaFileEntry** rest, int descending)
{
    MediaFileEntry* first = *rest;
    MediaFileEntry* last = first;
    if (last->next != NULL && !ComesFirst(last, last->next, descending)) {
        MediaFileEntry* reversed = NULL;
        MediaFileEntry* p = first;
        MediaFileEntry* next;
        do {
            next = p->next;
            p->next = reversed;
            reversed = p;
            p = next;
        } while (p != NULL && !ComesFirst(reversed, p, descending));
        *rest = p;
        return reversed;
    }
    while (last->next != NULL && ComesFirst(last, last->next, descending)) last = last->next;
    *rest = last->next;
    last->next = NULL;
    return first;
}

// Rebuilds prev and tail from the next links.
static void RelinkBackwards(MediaFileListRecord* list)
{
    MediaFileEntry* prev = NULL;
    for (MediaFileEntry* entry = list->head; entry != NULL; entry = entry->next) {
        entry->prev = prev;
        prev = entry;
    }
    list->tail = prev;
}

// A natural merge sort: folder listings usually come close to name order
// already, and their ordered runs are taken whole. Runs are merged like a
// binary counter: pending[k] holds the merge of 2^k runs, all of them
// earlier arrivals than any run still to come.
void SortMediaList(MediaFileListRecord* list)
{
    int descending = Settings.Descending ? 1 : 0;
    MediaFileEntry* pending[64] = {};
    MediaFileEntry* rest = list->head;
    while (rest != NULL) {
        MediaFileEntry* run = TakeRun(&rest, descending);
        int k = 0;
        while (k < 63 && pending[k] != NULL) {
            run = MergeRuns(pending[k], run, descending);
            pending[k] = NULL;
            k++;
        }
        if (pending[k] != NULL) run = MergeRuns(pending[k], run, descending);
        pending[k] = run;
    }
    MediaFileEntry* sorted = NULL;
    for (int k = 0; k < 64; k++)
        if (pending[k] != NULL) sorted = sorted != NULL ? MergeRuns(pending[k], sorted, descending) : pending[k];
    list->head = sorted;
    RelinkBackwards(list);
    RenumberMediaList(list);
}

// ---- random order

int ShuffleSlot(int draw, int placed)
{
    if (draw < 0) draw = 0;
    if (draw > 32767) draw = 32767;
    return (int)(((long long)draw * (placed + 1)) / 32768);
}

// The literal rule: walk to the slot for every entry. Used only when the
// working arrays cannot be had.
static void ShuffleByWalking(MediaFileListRecord* list)
{
    MediaFileListRecord shuffled = {};
    int placed = 0;
    while (list->head != NULL) {
        MediaFileEntry* entry = list->head;
        UnlinkEntry(list, entry);
        int slot = ShuffleSlot(MediaRandom(), placed);
        MediaFileEntry* after = NULL;
        if (slot > 0) {
            after = shuffled.head;
            for (int i = 1; i < slot; i++) after = after->next;
        }
        InsertAfter(&shuffled, after, entry);
        placed++;
    }
    list->head = shuffled.head;
    list->tail = shuffled.tail;
}

// Index (0-based) of the (rank+1)-th free position in a Fenwick tree over
// 1..size holding 1 for every free position.
static int TakeFreePosition(int* tree, int size, int highBit, int rank)
{
    int position = 0;
    int remaining = rank + 1;
    for (int step = highBit; step > 0; step >>= 1) {
        int next = position + step;
        if (next <= size && tree[next] < remaining) {
            position = next;
            remaining -= tree[next];
        }
    }
    // position + 1 is the wanted one; mark it taken.
    for (int i = position + 1; i <= size; i += i & -i) tree[i]--;
    return position;
}

void ShuffleMediaList(MediaFileListRecord* list)
{
    int length = 0;
    for (MediaFileEntry* entry = list->head; entry != NULL; entry = entry->next) length++;
    if (length == 0) return;

    size_t bytes = (size_t)length * sizeof(MediaFileEntry*) + (size_t)(2 * length + 1) * sizeof(int);
    void* work = HeapAlloc(Settings.Heap, 0, bytes);
    if (work == NULL) {
        ShuffleByWalking(list);
        RenumberMediaList(list);
        return;
    }
    MediaFileEntry** order = (MediaFileEntry**)work;
    int* slots = (int*)(order + length);
    int* tree = slots + length;   // 1-based, tree[0] unused

    // Draws in the order the entries are taken, as the walking rule does.
    int i = 0;
    for (MediaFileEntry* entry = list->head; entry != NULL; entry = entry->next, i++)
        slots[i] = ShuffleSlot(MediaRandom(), i);

    // An entry inserted at slot s ends up at the s-th position still free
    // once every later entry has taken its place.
    for (int k = 1; k <= length; k++) tree[k] = k & -k;
    int highBit = 1;
    while (highBit * 2 <= length) highBit *= 2;
    MediaFileEntry* entry = list->tail;
    for (i = length - 1; i >= 0; i--, entry = entry->prev)
        order[TakeFreePosition(tree, length, highBit, slots[i])] = entry;

    for (i = 0; i < length; i++) {
        order[i]->prev = i > 0 ? order[i - 1] : NULL;
        order[i]->next = i + 1 < length ? order[i + 1] : NULL;
    }
    list->head = order[0];
    list->tail = order[length - 1];
    HeapFree(Settings.Heap, 0, work);
    RenumberMediaList(list);
}
