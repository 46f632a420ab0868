// The folder history: link operations against a plain reference model, the
// history image in the settings file, and the resume points.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "support_ini.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_util.h"

static HistoryLinks& LinksRef(int links)
{
    return links == HistoryWork ? Settings.FolderHistory.work : Settings.FolderHistory.live;
}

// Empty history on an empty settings file: every slot free, in order.
static std::string StartEmptyHistory()
{
    std::string path = WriteTestIni("history", "[VELMORA]\r\n");
    ResetSettings(path);
    EXPECT_EQ(LoadHistory(), 1);
    return path;
}

// ---- reference model: two plain vectors and the pinned flags

struct ModelLinks {
    std::vector<int> used, free;
    bool pinned[VLM_HISTORY_SLOTS] = {};

    ModelLinks()
    {
        for (int i = 0; i < VLM_HISTORY_SLOTS; i++) free.push_back(i);
    }

    int FirstUnpinnedIndex() const
    {
        for (size_t i = 0; i < used.size(); i++)
            if (!pinned[used[i]]) return (int)i;
        return -1;
    }

    int Take(bool atTop)
    {
        if (!free.empty()) {
            int s = free.front();
            free.erase(free.begin());
            int at = atTop ? FirstUnpinnedIndex() : -1;
            used.insert(at < 0 ? used.end() : used.begin() + at, s);
            pinned[s] = false;
            return s;
        }
        int first = FirstUnpinnedIndex();
        if (first < 0) return -1;
        int last = -1;
        for (size_t i = 0; i < used.size(); i++)
            if (!pinned[used[i]]) last = (int)i;
        int s = used[last];
        used.erase(used.begin() + last);
        used.insert(used.begin() + first, s);
        return s;
    }

    void Release(int s)
    {
        used.erase(std::find(used.begin(), used.end(), s));
        free.insert(free.begin(), s);
    }

    bool Gather()
    {
        std::vector<int> before = used;
        std::stable_partition(used.begin(), used.end(), [&](int s) { return pinned[s]; });
        return before != used;
    }

    void Move(int s, int ref, bool after)
    {
        used.erase(std::find(used.begin(), used.end(), s));
        std::vector<int>::iterator at;
        if (ref < 0) at = after ? used.begin() : used.end();
        else {
            at = std::find(used.begin(), used.end(), ref);
            if (after) ++at;
        }
        used.insert(at, s);
    }

    // The slots visited from start (or from the end the direction begins at).
    std::vector<int> Walk(bool forward, int start) const
    {
        std::vector<int> order = used;
        if (!forward) std::reverse(order.begin(), order.end());
        if (start >= 0) order.erase(order.begin(), std::find(order.begin(), order.end(), start));
        return order;
    }

    int Find(int kind, bool forward, int start, int n, const char* dirName) const
    {
        int count = 0;
        for (int s : Walk(forward, start)) {
            switch (kind) {
            case FirstUnpinned:
                if (!pinned[s]) return s;
                break;
            case FirstPinned:
                if (pinned[s]) return s;
                break;
            case SameFolder:
                if (*dirName && _stricmp(Settings.FolderHistory.slot[s].folder, dirName) == 0) return s;
                break;
            case NthEntry:
                if (++count >= n) return s;
                break;
            case NthPinned:
                if (pinned[s] && ++count >= n) return s;
                break;
            }
        }
        return -1;
    }
};

static std::string CompareWithModel(int links, const ModelLinks& model)
{
    const HistoryLinks& real = LinksRef(links);
    std::string problem = CheckHistoryLinks(real, false);
    if (!problem.empty()) return problem;
    if (HistoryListSlots(real, 0) != model.used) return "used list differs from the model";
    if (HistoryListSlots(real, 1) != model.free) return "free list differs from the model";
    for (int s : model.used)
        if ((real.node[s].pinned != 0) != model.pinned[s]) return "pinned flag of " + std::to_string(s) + " differs";
    return "";
}

static std::vector<int> PinnedFlagsOf(int links, const std::vector<int>& slots)
{
    std::vector<int> flags;
    for (int s : slots) flags.push_back(LinksRef(links).node[s].pinned);
    return flags;
}

TEST(HistoryLinks, RandomOperationsMatchTheReferenceModel)
{
    StartEmptyHistory();
    for (int s = 0; s < VLM_HISTORY_SLOTS; s++)
        snprintf(Settings.FolderHistory.slot[s].folder, VLM_PATH_CHARS, "C:\\Folder%02d", s);
    memcpy(&Settings.FolderHistory.work, &Settings.FolderHistory.live, sizeof(HistoryLinks));
    ModelLinks model[2];

    std::mt19937 rng(4812);
    for (int step = 0; step < 6000; step++) {
        int links = (int)(rng() % 2);
        ModelLinks& m = model[links];
        std::string what = "step " + std::to_string(step) + " links " + std::to_string(links);
        int op = (int)(rng() % 6);
        int anyUsed = m.used.empty() ? -1 : m.used[rng() % m.used.size()];
        switch (op) {
        case 0: {
            int atTop = (int)(rng() % 2);
            ASSERT_EQ(TakeSlot(links, atTop), m.Take(atTop)) << what;
            break;
        }
        case 1:
            if (anyUsed < 0) break;
            ReleaseSlot(links, anyUsed);
            m.Release(anyUsed);
            break;
        case 2:
            if (anyUsed < 0) break;
            // Pinning on the live links is always followed by gathering, as
            // the history dialog's acceptance does.
            LinksRef(links).node[anyUsed].pinned ^= 1;
            m.pinned[anyUsed] = !m.pinned[anyUsed];
            if (links == HistoryLive) ASSERT_EQ(GatherPinned(), m.Gather() ? 1 : 0) << what;
            break;
        case 3: {
            // Free moves happen only in the dialog's working copy.
            if (links == HistoryLive || anyUsed < 0) break;
            int ref = (rng() % 4 == 0) ? -1 : m.used[rng() % m.used.size()];
            if (ref == anyUsed) break;
            int after = (int)(rng() % 2);
            UnlinkSlot(links, HistoryUsed, anyUsed);
            LinkSlot(links, HistoryUsed, anyUsed, ref, after);
            m.Move(anyUsed, ref, after);
            break;
        }
        default: {
            int kind = (int)(rng() % 5);
            int forward = (int)(rng() % 2);
            int start = (rng() % 3 == 0 || anyUsed < 0) ? -1 : anyUsed;
            int n = (int)(rng() % 52) - 2;
            if (kind == SameFolder) {
                int s = (int)(rng() % VLM_HISTORY_SLOTS);
                snprintf(Settings.DirName, VLM_PATH_CHARS, (rng() % 2) ? "c:\\folder%02d" : "C:\\FOLDER%02d", s);
            }
            ASSERT_EQ(FindSlot(links, kind, forward, start, n), m.Find(kind, forward, start, n, Settings.DirName))
                << what << " kind " << kind << " forward " << forward << " start " << start << " n " << n;
            break;
        }
        }
        ASSERT_EQ(CompareWithModel(HistoryLive, model[0]), "") << what;
        ASSERT_EQ(CompareWithModel(HistoryWork, model[1]), "") << what;
        ASSERT_EQ(CheckHistoryLinks(Settings.FolderHistory.live, true), "") << what;
    }
}

TEST(HistoryLinks, LinkSlotPlacesBeforeAfterHeadAndTail)
{
    StartEmptyHistory();
    for (int i = 0; i < 3; i++) TakeSlot(HistoryLive, 0);  // used 0 1 2
    const struct {
        int slot, ref, after;
        std::vector<int> expected;
    } cases[] = {
        { 0, -1, 0, { 1, 2, 0 } },  // append at the tail
        { 0, -1, 1, { 0, 1, 2 } },  // insert at the head
        { 0, 2, 0, { 1, 0, 2 } },   // before 2
        { 0, 2, 1, { 1, 2, 0 } },   // after 2
        { 2, 0, 0, { 2, 0, 1 } },   // before the head
        { 0, 1, 1, { 1, 0, 2 } },   // after the head
    };
    for (const auto& c : cases) {
        StartEmptyHistory();
        for (int i = 0; i < 3; i++) TakeSlot(HistoryLive, 0);
        UnlinkSlot(HistoryLive, HistoryUsed, c.slot);
        LinkSlot(HistoryLive, HistoryUsed, c.slot, c.ref, c.after);
        EXPECT_EQ(HistoryListSlots(Settings.FolderHistory.live, 0), c.expected)
            << "slot " << c.slot << " ref " << c.ref << " after " << c.after;
        EXPECT_EQ(CheckHistoryLinks(Settings.FolderHistory.live, false), "");
    }
}

TEST(HistoryLinks, ReleasedSlotIsTheNextOneTaken)
{
    StartEmptyHistory();
    for (int i = 0; i < 5; i++) TakeSlot(HistoryLive, 0);
    ReleaseSlot(HistoryLive, 3);
    EXPECT_EQ(Settings.FolderHistory.live.freeHead, 3);
    EXPECT_EQ(TakeSlot(HistoryLive, 1), 3);
    // Taken "at top" with nothing pinned: the head of the used list.
    EXPECT_EQ(Settings.FolderHistory.live.usedHead, 3);
}

TEST(HistoryLinks, FullTableReusesTheOldestUnpinnedOrNothing)
{
    StartEmptyHistory();
    for (int i = 0; i < 48; i++) TakeSlot(HistoryLive, 0);
    Settings.FolderHistory.live.node[0].pinned = 1;
    Settings.FolderHistory.live.node[1].pinned = 1;
    // Used order 0..47 with 0 and 1 pinned: 47 is the oldest unpinned.
    EXPECT_EQ(TakeSlot(HistoryLive, 1), 47);
    std::vector<int> used = HistoryListSlots(Settings.FolderHistory.live, 0);
    EXPECT_EQ(used[0], 0);
    EXPECT_EQ(used[1], 1);
    EXPECT_EQ(used[2], 47);
    for (int i = 0; i < 48; i++) Settings.FolderHistory.live.node[i].pinned = 1;
    EXPECT_EQ(TakeSlot(HistoryLive, 1), -1);
    EXPECT_EQ(HistoryListSlots(Settings.FolderHistory.live, 0), used);
}

TEST(HistoryLinks, FolderNamesCompareWithoutLetterCaseButDoubleByteExactly)
{
    const struct {
        const char* a;
        const char* b;
        int same;
    } cases[] = {
        { "C:\\Videos", "c:\\VIDEOS", 1 },
        { "C:\\Videos", "C:\\Videos2", 0 },
        { "C:\\Videos", "C:\\Video", 0 },
        { "C:\\動画", "C:\\動画", 1 },
        { "C:\\ア", "C:\\ヂ", 0 },  // trail bytes 0x41 and 0x61: a letter pair only when alone
        { "", "", 1 },
        { "a", "", 0 },
    };
    for (const auto& c : cases) EXPECT_EQ(SameFolderName(c.a, c.b), c.same) << c.a << " / " << c.b;
}

// ---- the history in the settings file

static IniPairs HistoryPairs(int count, const std::set<int>& pinned)
{
    IniPairs pairs;
    char key[64], value[64];
    for (int n = 1; n <= count; n++) {
        snprintf(key, sizeof(key), "HISTORY_DIRNAME%02d", n);
        snprintf(value, sizeof(value), "C:\\F%02d", n);
        pairs.push_back({ key, value });
        snprintf(key, sizeof(key), "HISTORY_FILENAME%02d", n);
        snprintf(value, sizeof(value), "f%02d.avi", n);
        pairs.push_back({ key, value });
        snprintf(key, sizeof(key), "HISTORY_STOPPOSITION%02d", n);
        pairs.push_back({ key, std::to_string(n * 10) });
        snprintf(key, sizeof(key), "HISTORY_FIXFLAG%02d", n);
        pairs.push_back({ key, pinned.count(n) ? "TRUE" : "FALSE" });
    }
    return pairs;
}

static std::string Key(const char* stem, int n)
{
    char key[64];
    snprintf(key, sizeof(key), "%s%02d", stem, n);
    return key;
}

// Loads the history (and DIRNAME, PLAYING, STOP_POSITION as given) from a file.
static std::string LoadHistoryFile(const IniPairs& pairs, const char* dirName = "", const char* playing = "",
                                   int stopPosition = 0)
{
    std::string path = WriteTestIni("histfile", IniText(pairs));
    ResetSettings(path);
    strcpy(Settings.DirName, dirName);
    strcpy(Settings.Playing, playing);
    Settings.StopPosition = stopPosition;
    EXPECT_EQ(LoadHistory(), 1);
    return path;
}

static std::vector<std::string> UsedFolders()
{
    std::vector<std::string> folders;
    for (int s : HistoryListSlots(Settings.FolderHistory.live, 0)) folders.push_back(Settings.FolderHistory.slot[s].folder);
    return folders;
}

TEST(HistoryFile, EmptyEntryEndsTheHistoryAndTheNextRewriteClearsWhatFollows)
{
    IniPairs pairs = HistoryPairs(4, {});
    pairs[8].second = "";  // HISTORY_DIRNAME03
    std::string path = LoadHistoryFile(pairs);
    EXPECT_EQ(UsedFolders(), (std::vector<std::string>{ "C:\\F01", "C:\\F02" }));
    EXPECT_EQ(CheckHistoryLinks(Settings.FolderHistory.live, true), "");
    // Loading alone had no reason to write.
    EXPECT_EQ(ReadFileBytes(path), IniText(pairs));

    SaveFolderState(1, 1, 1, 1, 0);
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME01"), "C:\\F01");
    EXPECT_EQ(IniValue(path, "HISTORY_STOPPOSITION02"), "20");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME03"), "");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME04"), "");
    EXPECT_EQ(IniValue(path, "HISTORY_FILENAME04"), "");
    EXPECT_EQ(IniValue(path, "HISTORY_STOPPOSITION04"), "0");
    EXPECT_EQ(IniValue(path, "HISTORY_FIXFLAG48"), "FALSE");
}

TEST(HistoryFile, PinnedFolderFurtherDownMovesToTheTopAndIsRewritten)
{
    std::string path = LoadHistoryFile(HistoryPairs(5, { 5 }));
    EXPECT_EQ(UsedFolders(),
              (std::vector<std::string>{ "C:\\F05", "C:\\F01", "C:\\F02", "C:\\F03", "C:\\F04" }));
    const char* expected[] = { "05", "01", "02", "03", "04" };
    for (int n = 1; n <= 5; n++) {
        int old = atoi(expected[n - 1]);
        EXPECT_EQ(IniValue(path, Key("HISTORY_DIRNAME", n)), std::string("C:\\F") + expected[n - 1]);
        EXPECT_EQ(IniValue(path, Key("HISTORY_FILENAME", n)), std::string("f") + expected[n - 1] + ".avi");
        EXPECT_EQ(IniValue(path, Key("HISTORY_STOPPOSITION", n)), std::to_string(old * 10));
        EXPECT_EQ(IniValue(path, Key("HISTORY_FIXFLAG", n)), n == 1 ? "TRUE" : "FALSE");
    }
}

TEST(HistoryFile, PinnedFlagReadsAsTrueOnlyForTheWord)
{
    IniPairs pairs = HistoryPairs(4, {});
    pairs[3].second = "true";   // 01
    pairs[7].second = "1";      // 02
    pairs[11].second = "ON";    // 03
    pairs[15].second = "TrUe";  // 04
    LoadHistoryFile(pairs);
    std::vector<int> used = HistoryListSlots(Settings.FolderHistory.live, 0);
    EXPECT_EQ(UsedFolders(), (std::vector<std::string>{ "C:\\F01", "C:\\F04", "C:\\F02", "C:\\F03" }));
    EXPECT_EQ(PinnedFlagsOf(HistoryLive, used), (std::vector<int>{ 1, 1, 0, 0 }));
}

TEST(HistoryFile, SwitchingToARememberedFolderMovesItBehindThePinnedAndResumesIt)
{
    std::string path = LoadHistoryFile(HistoryPairs(4, { 1 }), "C:\\F02", "f02.avi", 20);
    strcpy(Settings.DirName, "c:\\f04");
    SaveFolderState(1, 1, 1, 0, 1);
    EXPECT_EQ(UsedFolders(), (std::vector<std::string>{ "C:\\F01", "C:\\F04", "C:\\F02", "C:\\F03" }));
    EXPECT_STREQ(Settings.Playing, "f04.avi");
    EXPECT_EQ(Settings.StopPosition, 40);
    EXPECT_EQ(IniValue(path, "DIRNAME"), "c:\\f04");
    EXPECT_EQ(IniValue(path, "PLAYING"), "f04.avi");
    EXPECT_EQ(IniValue(path, "STOP_POSITION"), "40");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME02"), "C:\\F04");
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME03"), "C:\\F02");

    // A pinned folder keeps its place.
    strcpy(Settings.DirName, "C:\\F01");
    SaveFolderState(1, 1, 1, 0, 1);
    EXPECT_EQ(UsedFolders(), (std::vector<std::string>{ "C:\\F01", "C:\\F04", "C:\\F02", "C:\\F03" }));
    EXPECT_STREQ(Settings.Playing, "f01.avi");
    EXPECT_EQ(Settings.StopPosition, 10);
}

TEST(HistoryFile, StoringTheResumePointUpdatesTheFoldersSlot)
{
    std::string path = LoadHistoryFile(HistoryPairs(3, {}), "C:\\F03", "new.avi", 77);
    SaveFolderState(1, 1, 1, 0, 0);
    // Not taken as current: the slot receives PLAYING and stays where it is.
    EXPECT_EQ(UsedFolders(), (std::vector<std::string>{ "C:\\F03", "C:\\F01", "C:\\F02" }));
    EXPECT_EQ(IniValue(path, "HISTORY_FILENAME01"), "new.avi");
    EXPECT_EQ(IniValue(path, "HISTORY_STOPPOSITION01"), "77");
    EXPECT_STREQ(Settings.Playing, "new.avi");
}

TEST(HistoryFile, FullHistoryWithThreePinnedDropsTheOldestUnpinned)
{
    // Pinned folders spread through the file are gathered first.
    const std::set<int> pinnedRows[] = { { 1, 2, 3 }, { 10, 20, 30 } };
    for (const auto& pinned : pinnedRows) {
        std::string path = LoadHistoryFile(HistoryPairs(48, pinned));
        std::vector<std::string> before = UsedFolders();
        ASSERT_EQ(before.size(), 48u);
        strcpy(Settings.DirName, "C:\\新規");
        SaveFolderState(1, 1, 1, 0, 1);
        std::vector<std::string> after = UsedFolders();
        ASSERT_EQ(after.size(), 48u);
        EXPECT_EQ(after[3], "C:\\新規");
        std::vector<std::string> expected = before;
        expected.pop_back();
        expected.insert(expected.begin() + 3, "C:\\新規");
        EXPECT_EQ(after, expected);
        EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME04"), "C:\\新規");
        EXPECT_EQ(IniValue(path, "HISTORY_FILENAME04"), "");
        EXPECT_EQ(IniValue(path, "HISTORY_STOPPOSITION04"), "0");
        EXPECT_EQ(IniValue(path, "HISTORY_FIXFLAG04"), "FALSE");
        EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME48"), before[46]);
        EXPECT_EQ(CheckHistoryLinks(Settings.FolderHistory.live, true), "");
    }
}

TEST(HistoryFile, AllPinnedRemembersNoNewFolderButClearsTheResumePoint)
{
    std::set<int> all;
    for (int n = 1; n <= 48; n++) all.insert(n);
    IniPairs pairs = HistoryPairs(48, all);
    pairs.push_back({ "DIRNAME", "C:\\F01" });
    pairs.push_back({ "PLAYING", "f01.avi" });
    std::string path = LoadHistoryFile(pairs, "C:\\F01", "f01.avi", 10);
    std::vector<std::string> before = UsedFolders();

    strcpy(Settings.DirName, "C:\\Another");
    strcpy(Settings.Playing, "x.avi");
    Settings.StopPosition = 5;
    SaveFolderState(1, 1, 1, 0, 1);
    EXPECT_EQ(UsedFolders(), before);
    EXPECT_STREQ(Settings.Playing, "");
    EXPECT_EQ(Settings.StopPosition, 0);
    IniPairs written = ParseIniSection(ReadFileBytes(path));
    for (const auto& kv : pairs)
        if (kv.first.compare(0, 8, "HISTORY_") == 0) EXPECT_EQ(IniValueOf(written, kv.first), kv.second) << kv.first;
    EXPECT_EQ(IniValueOf(written, "DIRNAME"), "C:\\Another");
    EXPECT_EQ(IniValueOf(written, "PLAYING"), "");

    // Loading such a file with a new DIRNAME has nothing to record either.
    std::string bytes = ReadFileBytes(path);
    ResetSettings(path);
    strcpy(Settings.DirName, "C:\\Another");
    ASSERT_EQ(LoadHistory(), 1);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST(HistoryFile, LoadingRecordsACurrentFolderMissingFromTheHistory)
{
    std::string path = LoadHistoryFile(HistoryPairs(2, { 2 }), "C:\\Here", "h.avi", 33);
    EXPECT_EQ(UsedFolders(), (std::vector<std::string>{ "C:\\F02", "C:\\Here", "C:\\F01" }));
    EXPECT_EQ(IniValue(path, "HISTORY_DIRNAME02"), "C:\\Here");
    EXPECT_EQ(IniValue(path, "HISTORY_FILENAME02"), "h.avi");
    EXPECT_EQ(IniValue(path, "HISTORY_STOPPOSITION02"), "33");
    EXPECT_EQ(IniValue(path, "PLAYING"), "h.avi");
}

TEST(HistoryFile, FunctionKeysReachTheNthPinnedFolder)
{
    // F1 with Shift and Ctrl: 1 + 12 + 24.
    const int f1ShiftCtrl = 1 + 12 + 24;
    std::set<int> pinned;
    for (int n = 1; n <= 40; n++) pinned.insert(n);
    LoadHistoryFile(HistoryPairs(48, pinned));
    memcpy(&Settings.FolderHistory.work, &Settings.FolderHistory.live, sizeof(HistoryLinks));
    for (int links = 0; links <= 1; links++) {
        int s = FindSlot(links, NthPinned, 1, -1, f1ShiftCtrl);
        ASSERT_GE(s, 0);
        EXPECT_STREQ(Settings.FolderHistory.slot[s].folder, "C:\\F37");
        EXPECT_STREQ(Settings.FolderHistory.slot[FindSlot(links, NthPinned, 1, -1, 1)].folder, "C:\\F01");
        EXPECT_STREQ(Settings.FolderHistory.slot[FindSlot(links, NthPinned, 1, -1, 40)].folder, "C:\\F40");
        EXPECT_EQ(FindSlot(links, NthPinned, 1, -1, 41), -1);
        // List rows: row + 1.
        EXPECT_STREQ(Settings.FolderHistory.slot[FindSlot(links, NthEntry, 1, -1, 45)].folder, "C:\\F45");
    }

    pinned.clear();
    for (int n = 1; n <= 36; n++) pinned.insert(n);
    LoadHistoryFile(HistoryPairs(48, pinned));
    EXPECT_EQ(FindSlot(HistoryLive, NthPinned, 1, -1, f1ShiftCtrl), -1);
    EXPECT_STREQ(Settings.FolderHistory.slot[FindSlot(HistoryLive, NthPinned, 1, -1, 36)].folder, "C:\\F36");
}

TEST(HistoryFile, JapaneseFolderNamesSurviveWriteAndRead)
{
    const char* folders[] = { "C:\\ビデオ\\表示", "D:\\動画ソフト\\予告", "E:\\ﾊﾝｶｸ\\能" };
    std::string path = StartEmptyHistory();
    for (const char* folder : folders) {
        strcpy(Settings.DirName, folder);
        strcpy(Settings.Playing, "ソース.avi");
        SaveFolderState(1, 1, 1, 1, 0);
    }
    std::string bytes = ReadFileBytes(path);
    for (const char* folder : folders) EXPECT_NE(bytes.find(std::string("=") + folder + "\r\n"), std::string::npos);

    ResetSettings(path);
    ASSERT_EQ(LoadHistory(), 1);
    EXPECT_EQ(UsedFolders(), (std::vector<std::string>{ folders[2], folders[1], folders[0] }));
    for (int s : HistoryListSlots(Settings.FolderHistory.live, 0))
        EXPECT_STREQ(Settings.FolderHistory.slot[s].file, "ソース.avi");
}

// ---- SaveStopPosition

static MediaFileEntry Entry(int id, const char* name)
{
    MediaFileEntry entry;
    memset(&entry, 0, sizeof(entry));
    entry.id = id;
    entry.endSeconds = -1;
    strcpy(entry.name, name);
    return entry;
}

// Keys whose values differ between two images of the file.
static std::set<std::string> ChangedKeys(const std::string& before, const std::string& after)
{
    IniPairs a = ParseIniSection(before), b = ParseIniSection(after);
    std::set<std::string> changed;
    for (const auto& kv : b)
        if (IniValueOf(a, kv.first) != kv.second) changed.insert(kv.first);
    for (const auto& kv : a)
        if (IniValueOf(b, kv.first) == "<absent>") changed.insert(kv.first);
    return changed;
}

static std::string StopPositionFile(const char* dirName)
{
    IniPairs pairs = HistoryPairs(6, { 2, 5 });
    pairs.push_back({ "DIRNAME", dirName });
    pairs.push_back({ "PLAYING", "" });
    pairs.push_back({ "STOP_POSITION", "0" });
    pairs.push_back({ "PROGRAM_PLAY_NO", "1" });
    pairs.push_back({ "PROGRAM_STOPPOSITION", "0" });
    // Written in the order a rewrite gives, so loading changes nothing.
    std::string path = LoadHistoryFile(pairs, dirName);
    SaveFolderState(1, 1, 1, 1, 0);
    return path;
}

TEST(StopPosition, WritesOnlyTheTwoKeysOfTheFoldersSlot)
{
    // File order: the pinned F02 and F05, then the current folder F03 first
    // of the others, then F01, F04, F06.
    const struct {
        const char* folder;
        int number;
    } cases[] = { { "C:\\F05", 2 }, { "C:\\F03", 3 }, { "c:\\f06", 6 }, { "C:\\F02", 1 }, { "C:\\F04", 5 } };
    for (const auto& c : cases) {
        std::string path = StopPositionFile("C:\\F03");
        ASSERT_EQ(IniValue(path, "HISTORY_DIRNAME03"), "C:\\F03");
        ASSERT_EQ(IniValue(path, "HISTORY_DIRNAME06"), "C:\\F06");
        strcpy(Settings.DirName, c.folder);
        std::string before = ReadFileBytes(path);
        MediaFileEntry entry = Entry(3, "停止.avi");
        SaveStopPosition(&entry, 123);
        std::set<std::string> expected = { "PLAYING", "STOP_POSITION", Key("HISTORY_FILENAME", c.number),
                                           Key("HISTORY_STOPPOSITION", c.number) };
        EXPECT_EQ(ChangedKeys(before, ReadFileBytes(path)), expected) << c.folder;
        EXPECT_EQ(IniValue(path, Key("HISTORY_FILENAME", c.number)), "停止.avi");
        EXPECT_EQ(IniValue(path, Key("HISTORY_STOPPOSITION", c.number)), "123");
        EXPECT_EQ(IniValue(path, "PLAYING"), "停止.avi");
        EXPECT_EQ(IniValue(path, "STOP_POSITION"), "123");
        int s = FindSlot(HistoryLive, SameFolder, 1, -1, 0);
        EXPECT_STREQ(Settings.FolderHistory.slot[s].file, "停止.avi");
        EXPECT_EQ(Settings.FolderHistory.slot[s].stopPosition, 123);
        EXPECT_EQ(HistoryKeyNumber(s), c.number);
    }
}

TEST(StopPosition, ProgramPlayWritesOnlyTheProgramResumeKeys)
{
    std::string path = StopPositionFile("C:\\F03");
    std::string before = ReadFileBytes(path);
    Settings.ProgramPlay = TRUE;
    MediaFileEntry entry = Entry(17, "prog.avi");
    SaveStopPosition(&entry, 55);
    EXPECT_EQ(ChangedKeys(before, ReadFileBytes(path)),
              (std::set<std::string>{ "PROGRAM_PLAY_NO", "PROGRAM_STOPPOSITION" }));
    EXPECT_EQ(IniValue(path, "PROGRAM_PLAY_NO"), "17");
    EXPECT_EQ(IniValue(path, "PROGRAM_STOPPOSITION"), "55");
    EXPECT_EQ(Settings.ProgramPlayNo, 17);
    EXPECT_EQ(Settings.ProgramStopPosition, 55);
}

TEST(StopPosition, FolderOutsideTheHistoryWritesOnlyTheResumePoint)
{
    std::string path = StopPositionFile("C:\\F03");
    strcpy(Settings.DirName, "C:\\Elsewhere");
    std::string before = ReadFileBytes(path);
    MediaFileEntry entry = Entry(1, "a.avi");
    SaveStopPosition(&entry, 9);
    EXPECT_EQ(ChangedKeys(before, ReadFileBytes(path)), (std::set<std::string>{ "PLAYING", "STOP_POSITION" }));
}

TEST(StopPosition, NoEntryChangesNothing)
{
    std::string path = StopPositionFile("C:\\F03");
    std::string before = ReadFileBytes(path);
    SaveStopPosition(nullptr, 9);
    EXPECT_EQ(ReadFileBytes(path), before);
}
