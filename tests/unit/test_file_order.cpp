// List links, name order and random order, checked against the plain
// insertion rules they must reproduce.
#include "support_files.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>

namespace {

MediaFileEntry* NewEntry(const std::string& name, int id)
{
    MediaFileEntry* e = (MediaFileEntry*)HeapAlloc(Settings.Heap, HEAP_ZERO_MEMORY, sizeof(MediaFileEntry));
    e->id = id;
    e->endSeconds = -1;
    strcpy(e->name, name.c_str());
    strcpy(e->path, ("Z:\\clips\\" + name).c_str());
    return e;
}

// MediaFileList holds names in this order with ids 1, 2, 3 ...
void BuildList(const std::vector<std::string>& names)
{
    FreeMediaList();
    for (size_t i = 0; i < names.size(); i++) {
        InsertAfter(&MediaFileList, MediaFileList.tail, NewEntry(names[i], (int)i + 1));
        MediaFileList.count++;
    }
}

std::vector<int> Sequence(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; i++) v.push_back(i);
    return v;
}

// Deterministic generator of test data (not the one under test).
struct TestGenerator {
    unsigned state;
    unsigned Next()
    {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7FFF;
    }
};

std::vector<std::string> RandomNames(unsigned seed, int count)
{
    static const char* pieces[] = {"a", "A", "b", "B", "z", "Z", "あ", "ア", "ｱ", "亜", "表", "ソ", "能",
                                   "1", "2", "10", "_", "-", " ", "Ａ", "ａ", "'", ".", "ー", "ぁ"};
    const int pieceCount = sizeof(pieces) / sizeof(pieces[0]);
    TestGenerator g{seed};
    std::vector<std::string> names;
    for (int i = 0; i < count; i++) {
        int r = (int)(g.Next() % 10);
        if (r == 0 && !names.empty()) {
            names.push_back(names[g.Next() % names.size()]);   // an equal name
            continue;
        }
        if (r == 1 && !names.empty()) {                         // the same name in other case
            std::string n = names[g.Next() % names.size()];
            for (size_t k = 0; k < n.size(); k++) {
                unsigned char c = (unsigned char)n[k];
                if (IsDBCSLeadByte(c)) { k++; continue; }
                if (c >= 'a' && c <= 'z') n[k] = (char)(c - 32);
                else if (c >= 'A' && c <= 'Z') n[k] = (char)(c + 32);
            }
            names.push_back(n);
            continue;
        }
        std::string n;
        int length = 1 + (int)(g.Next() % 5);
        for (int k = 0; k < length; k++) n += pieces[g.Next() % pieceCount];
        names.push_back(n + ".avi");
    }
    return names;
}

// The insertion sort the name order is defined by; gives ids.
std::vector<int> ReferenceSort(const std::vector<std::string>& names, bool descending)
{
    std::vector<int> order;   // indexes into names
    for (int i = 0; i < (int)names.size(); i++) {
        size_t at = 0;
        while (at < order.size()) {
            int c = lstrcmpA(names[order[at]].c_str(), names[i].c_str());
            if (descending ? c < 0 : c > 0) break;
            at++;
        }
        order.insert(order.begin() + at, i);
    }
    for (int& i : order) i += 1;
    return order;
}

// The slot rule the random order is defined by; gives ids.
std::vector<int> ReferenceShuffle(const std::vector<int>& ids, const std::vector<int>& draws)
{
    std::vector<int> order;
    for (size_t k = 0; k < ids.size(); k++) {
        long long slot = (long long)draws[k] * (long long)(k + 1) / 32768;
        order.insert(order.begin() + slot, ids[k]);
    }
    return order;
}

std::vector<int> RandomDraws(unsigned seed, int count)
{
    TestGenerator g{seed};
    std::vector<int> draws;
    for (int i = 0; i < count; i++) {
        int kind = (int)(g.Next() % 16);
        draws.push_back(kind == 0 ? 0 : kind == 1 ? 32767 : (int)g.Next());
    }
    return draws;
}

class MediaOrderTest : public ::testing::Test {
protected:
    void SetUp() override { FileTestReset(); }
    void TearDown() override { FileTestReset(); }
};

// ---- links

TEST_F(MediaOrderTest, InsertAfterAtHeadMiddleAndTail)
{
    MediaFileEntry* b = NewEntry("b", 2);
    InsertAfter(&MediaFileList, NULL, b);
    EXPECT_EQ(MediaFileList.head, b);
    EXPECT_EQ(MediaFileList.tail, b);
    MediaFileEntry* a = NewEntry("a", 1);
    InsertAfter(&MediaFileList, NULL, a);
    MediaFileEntry* d = NewEntry("d", 4);
    InsertAfter(&MediaFileList, MediaFileList.tail, d);
    MediaFileEntry* c = NewEntry("c", 3);
    InsertAfter(&MediaFileList, b, c);
    MediaFileList.count = 4;
    EXPECT_EQ(FileTestIds(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(MediaFileList.head, a);
    EXPECT_EQ(MediaFileList.tail, d);
    FileTestCheckLinks(1);
}

TEST_F(MediaOrderTest, UnlinkHeadMiddleTailAndLast)
{
    BuildList({"a", "b", "c", "d"});
    MediaFileEntry* a = MediaFileList.head;
    MediaFileEntry* c = a->next->next;
    MediaFileEntry* d = MediaFileList.tail;

    UnlinkEntry(&MediaFileList, c);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(c->prev, nullptr);
    EXPECT_EQ(c->next, nullptr);
    UnlinkEntry(&MediaFileList, a);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{2, 4}));
    UnlinkEntry(&MediaFileList, d);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{2}));
    EXPECT_EQ(MediaFileList.head, MediaFileList.tail);
    MediaFileEntry* b = MediaFileList.head;
    UnlinkEntry(&MediaFileList, b);
    EXPECT_EQ(MediaFileList.head, nullptr);
    EXPECT_EQ(MediaFileList.tail, nullptr);
    for (MediaFileEntry* e : {a, b, c, d}) HeapFree(Settings.Heap, 0, e);
    MediaFileList.count = 0;
}

TEST_F(MediaOrderTest, RenumberCountsFromHead)
{
    BuildList({"x", "y", "z"});
    MediaFileList.head->playNo = 7;
    RenumberMediaList(&MediaFileList);
    EXPECT_EQ(FileTestPlayNos(), (std::vector<int>{1, 2, 3}));
}

TEST_F(MediaOrderTest, FreeEmptiesTheRecord)
{
    BuildList({"x", "y"});
    MediaFileList.current = MediaFileList.tail;
    FreeMediaList();
    EXPECT_EQ(MediaFileList.count, 0);
    EXPECT_EQ(MediaFileList.head, nullptr);
    EXPECT_EQ(MediaFileList.tail, nullptr);
    EXPECT_EQ(MediaFileList.current, nullptr);
    FreeMediaList();   // a second free is harmless
    EXPECT_EQ(MediaFileList.count, 0);
}

// ---- name order

TEST_F(MediaOrderTest, CaseOnlyDifferencesFollowTheLocaleNotBytes)
{
    std::vector<std::string> names = {"b.avi", "B.avi", "a.avi", "A.avi", "c.avi"};
    BuildList(names);
    SortMediaList(&MediaFileList);
    std::vector<std::string> got = FileTestNames();
    // Byte order would put both capitals first.
    EXPECT_TRUE(got[0] == "a.avi" || got[0] == "A.avi") << got[0];
    EXPECT_EQ(got[4], "c.avi");
    EXPECT_EQ(FileTestIds(), ReferenceSort(names, false));
}

TEST_F(MediaOrderTest, EqualNamesKeepArrivalOrderBothWays)
{
    std::vector<std::string> names = {"m.avi", "k.avi", "m.avi", "z.avi", "m.avi", "k.avi"};
    BuildList(names);
    SortMediaList(&MediaFileList);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{2, 6, 1, 3, 5, 4}));
    EXPECT_EQ(FileTestPlayNos(), Sequence(1, 6));

    Settings.Descending = TRUE;
    BuildList(names);
    SortMediaList(&MediaFileList);
    EXPECT_EQ(FileTestIds(), (std::vector<int>{4, 1, 3, 5, 2, 6}));
    FileTestCheckLinks(1);
}

TEST_F(MediaOrderTest, SortOfEmptyAndSingleList)
{
    SortMediaList(&MediaFileList);
    EXPECT_EQ(MediaFileList.head, nullptr);
    EXPECT_EQ(MediaFileList.tail, nullptr);
    BuildList({"only.avi"});
    SortMediaList(&MediaFileList);
    EXPECT_EQ(FileTestPlayNos(), (std::vector<int>{1}));
    FileTestCheckLinks(1);
}

struct SortCase {
    unsigned seed;
    int count;
    BOOL descending;
};

class NameOrderAgainstReference : public MediaOrderTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(NameOrderAgainstReference, SameOrderAsInsertionSort)
{
    const SortCase& c = GetParam();
    std::vector<std::string> names = RandomNames(c.seed, c.count);
    Settings.Descending = c.descending;
    BuildList(names);
    SortMediaList(&MediaFileList);
    EXPECT_EQ(FileTestIds(), ReferenceSort(names, c.descending != FALSE));
    EXPECT_EQ(FileTestPlayNos(), Sequence(1, c.count));
    FileTestCheckLinks(1);
}

INSTANTIATE_TEST_SUITE_P(RandomNames, NameOrderAgainstReference,
                         ::testing::Values(SortCase{1, 2, FALSE}, SortCase{2, 3, TRUE}, SortCase{3, 17, FALSE},
                                           SortCase{4, 64, TRUE}, SortCase{5, 300, FALSE},
                                           SortCase{5, 300, TRUE}, SortCase{6, 513, FALSE},
                                           SortCase{7, 400, TRUE}));

// Listings often arrive nearly in order, or in reverse: ordered runs,
// reversed runs and equal names inside both must still give the
// insertion-sort order.
TEST_F(MediaOrderTest, PresortedAndReversedInputsBothWays)
{
    std::vector<std::string> base = RandomNames(8, 300);
    std::vector<int> ascending = ReferenceSort(base, false);
    std::vector<std::string> sorted;
    for (int id : ascending) sorted.push_back(base[id - 1]);
    std::vector<std::string> reversed(sorted.rbegin(), sorted.rend());
    std::vector<std::string> bytes = base;
    std::sort(bytes.begin(), bytes.end());
    // Sorted blocks glued in alternating directions.
    std::vector<std::string> blocks;
    for (size_t at = 0; at < sorted.size(); at += 37) {
        size_t end = std::min(sorted.size(), at + 37);
        if ((at / 37) % 2)
            blocks.insert(blocks.end(), sorted.rbegin() + (sorted.size() - end), sorted.rbegin() + (sorted.size() - at));
        else
            blocks.insert(blocks.end(), sorted.begin() + at, sorted.begin() + end);
    }
    std::vector<std::string> equalRuns = {"b", "b", "a", "a", "c", "c", "b", "a", "a", "B", "b"};

    for (const std::vector<std::string>* input : {&sorted, &reversed, &bytes, &blocks, &equalRuns}) {
        for (BOOL descending : {FALSE, TRUE}) {
            Settings.Descending = descending;
            BuildList(*input);
            SortMediaList(&MediaFileList);
            EXPECT_EQ(FileTestIds(), ReferenceSort(*input, descending != FALSE))
                << "input of " << input->size() << " names, descending " << descending;
            FileTestCheckLinks(1);
        }
    }
}

// ---- random order

struct SlotCase {
    int draw, placed, slot;
};

TEST(ShuffleSlot, Table)
{
    const SlotCase cases[] = {
        {0, 0, 0},     {32767, 0, 0},  {16383, 1, 0}, {16384, 1, 1},     {32767, 1, 1},
        {3276, 9, 0},  {3277, 9, 1},   {32767, 9, 9}, {32767, 40000, 39999}, {0, 40000, 0},
        {-5, 3, 0},    {40000, 3, 3},  // out-of-range draws are held to 0..32767
    };
    for (const SlotCase& c : cases)
        EXPECT_EQ(ShuffleSlot(c.draw, c.placed), c.slot) << c.draw << " " << c.placed;
}

TEST_F(MediaOrderTest, ShuffleHandExamples)
{
    BuildList({"A", "B", "C"});
    FileTestUseDraws({12345, 32767, 0});   // A; B after A; C at the head
    ShuffleMediaList(&MediaFileList);
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(FileTestPlayNos(), Sequence(1, 3));

    BuildList({"A", "B", "C"});
    FileTestUseDraws({0, 0, 16384});   // B before A; C after the first
    ShuffleMediaList(&MediaFileList);
    EXPECT_EQ(FileTestNames(), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(FileTestDrawsTaken(), 3);
    FileTestCheckLinks(1);
}

TEST_F(MediaOrderTest, ShuffleOfEmptyListDrawsNothing)
{
    FileTestUseDraws({});
    ShuffleMediaList(&MediaFileList);
    EXPECT_EQ(FileTestDrawOverruns(), 0);
    EXPECT_EQ(MediaFileList.head, nullptr);
}

struct ShuffleCase {
    unsigned seed;
    int count;
};

class RandomOrderAgainstReference : public MediaOrderTest, public ::testing::WithParamInterface<ShuffleCase> {};

TEST_P(RandomOrderAgainstReference, SameOrderAsSlotRule)
{
    const ShuffleCase& c = GetParam();
    std::vector<std::string> names = RandomNames(c.seed, c.count);
    std::vector<int> draws = RandomDraws(c.seed * 7 + 1, c.count);
    BuildList(names);
    FileTestUseDraws(draws);
    ShuffleMediaList(&MediaFileList);
    EXPECT_EQ(FileTestDrawsTaken(), c.count);
    EXPECT_EQ(FileTestDrawOverruns(), 0);
    EXPECT_EQ(FileTestIds(), ReferenceShuffle(Sequence(1, c.count), draws));
    EXPECT_EQ(FileTestPlayNos(), Sequence(1, c.count));
    FileTestCheckLinks(1);

    // A second pass shuffles the previous order, not the arrival order.
    std::vector<int> before = FileTestIds();
    std::vector<int> again = RandomDraws(c.seed * 7 + 2, c.count);
    FileTestUseDraws(again);
    ShuffleMediaList(&MediaFileList);
    EXPECT_EQ(FileTestIds(), ReferenceShuffle(before, again));
}

INSTANTIATE_TEST_SUITE_P(FixedDraws, RandomOrderAgainstReference,
                         ::testing::Values(ShuffleCase{11, 1}, ShuffleCase{12, 2}, ShuffleCase{13, 3},
                                           ShuffleCase{14, 7}, ShuffleCase{15, 8}, ShuffleCase{16, 9},
                                           ShuffleCase{17, 100}, ShuffleCase{18, 333}, ShuffleCase{19, 1024},
                                           ShuffleCase{20, 1500}));

TEST_F(MediaOrderTest, ShuffleWithoutWorkingMemoryGivesTheSameOrder)
{
    std::vector<std::string> names = RandomNames(31, 60);
    std::vector<int> draws = RandomDraws(32, 60);
    BuildList(names);

    // A heap with no room left: the working arrays cannot be had.
    HANDLE full = HeapCreate(0, 0, 16 * 1024);
    ASSERT_NE(full, nullptr);
    for (SIZE_T size : {4096, 256, 16})
        while (HeapAlloc(full, 0, size) != NULL) {}
    ASSERT_EQ(HeapAlloc(full, 0, 60 * 16), nullptr);

    Settings.Heap = full;
    FileTestUseDraws(draws);
    ShuffleMediaList(&MediaFileList);
    Settings.Heap = GetProcessHeap();
    HeapDestroy(full);

    EXPECT_EQ(FileTestIds(), ReferenceShuffle(Sequence(1, 60), draws));
    EXPECT_EQ(FileTestPlayNos(), Sequence(1, 60));
    FileTestCheckLinks(1);
}

TEST_F(MediaOrderTest, DefaultRandomSourceIsTheRunTimeGenerator)
{
    std::vector<std::string> names = RandomNames(41, 50);
    srand(1234);
    std::vector<int> draws;
    for (int i = 0; i < 50; i++) draws.push_back(rand());
    srand(1234);
    BuildList(names);
    ShuffleMediaList(&MediaFileList);
    EXPECT_EQ(FileTestIds(), ReferenceShuffle(Sequence(1, 50), draws));
}

}  // namespace
