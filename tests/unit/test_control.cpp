// Play range, skip play, relative seeks, the A-B loop states and the saved
// A-B range.
#include "vlm_dx_control.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "support_files.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const LONGLONG Sec = 10000000LL;

// ---- play range

struct RangeCase {
    const char* what;
    PlayRangeInputs in;
    LONGLONG current;
    int applies;
    int action;
    LONGLONG target;   // for the two seek actions
};

PlayRangeInputs Inputs(int start, int end, BOOL intro, int introStart, int introEnd, BOOL loop,
                       int ab, LONGLONG abStart, LONGLONG abEnd)
{
    PlayRangeInputs in = {start, end, intro, introStart, introEnd, loop, ab, abStart, abEnd};
    return in;
}

const RangeCase RangeCases[] = {
    {"nothing set", Inputs(0, -1, FALSE, 0, 10, FALSE, 0, 0, 0), 50 * Sec, 0, 0, 0},
    {"A set but not looping", Inputs(0, -1, FALSE, 0, 10, TRUE, 1, 5 * Sec, 0), 50 * Sec, 0, 0, 0},
    {"entry start 30, position 10", Inputs(30, -1, FALSE, 0, 10, FALSE, 0, 0, 0), 10 * Sec, 1,
     RangeSeekToLow, 30 * Sec},
    {"entry start 30, position 29.9", Inputs(30, -1, FALSE, 0, 10, FALSE, 0, 0, 0),
     30 * Sec - 1, 1, RangeSeekToLow, 30 * Sec},
    {"entry start 30, position 30", Inputs(30, -1, FALSE, 0, 10, FALSE, 0, 0, 0), 30 * Sec, 1,
     RangeStay, 0},
    {"entry start 30, far beyond, no end", Inputs(30, -1, FALSE, 0, 10, FALSE, 0, 0, 0),
     5000 * Sec, 1, RangeStay, 0},
    {"intro 0-10 inside", Inputs(0, -1, TRUE, 0, 10, FALSE, 0, 0, 0), 10 * Sec, 1, RangeStay, 0},
    {"intro 0-10 past end, loop off", Inputs(0, -1, TRUE, 0, 10, FALSE, 0, 0, 0), 11 * Sec, 1,
     RangeLeave, 0},
    {"intro 0-10 past end, loop on", Inputs(0, -1, TRUE, 0, 10, TRUE, 0, 0, 0), 11 * Sec, 1,
     RangeLoopBack, 0},
    {"intro 20-20 below start", Inputs(0, -1, TRUE, 20, 20, FALSE, 0, 0, 0), 3 * Sec, 1,
     RangeSeekToLow, 20 * Sec},
    {"intro 20-20 just past start, loop off", Inputs(0, -1, TRUE, 20, 20, FALSE, 0, 0, 0),
     21 * Sec, 1, RangeLeave, 0},
    {"intro 20-15 past start, loop on", Inputs(0, -1, TRUE, 20, 15, TRUE, 0, 0, 0), 21 * Sec, 1,
     RangeLoopBack, 20 * Sec},
    {"intro start above entry start", Inputs(3, -1, TRUE, 7, 30, FALSE, 0, 0, 0), 5 * Sec, 1,
     RangeSeekToLow, 7 * Sec},
    {"entry start above intro start", Inputs(12, -1, TRUE, 7, 30, FALSE, 0, 0, 0), 8 * Sec, 1,
     RangeSeekToLow, 12 * Sec},
    {"entry end 8 inside intro end 10", Inputs(5, 8, TRUE, 0, 10, FALSE, 0, 0, 0), 9 * Sec, 1,
     RangeLeave, 0},
    {"intro end 10 inside entry end 40", Inputs(5, 40, TRUE, 0, 10, FALSE, 0, 0, 0), 11 * Sec, 1,
     RangeLeave, 0},
    {"entry end 100, B at 120, loop off", Inputs(0, 100, FALSE, 0, 10, FALSE, 2, 50 * Sec, 120 * Sec),
     101 * Sec, 1, RangeLeave, 0},
    {"entry end 100, B at 120, loop on", Inputs(0, 100, FALSE, 0, 10, TRUE, 2, 50 * Sec, 120 * Sec),
     101 * Sec, 1, RangeLoopBack, 50 * Sec},
    {"entry end 100, B at 80, loop off", Inputs(0, 100, FALSE, 0, 10, FALSE, 2, 50 * Sec, 80 * Sec),
     81 * Sec, 1, RangeLoopBack, 50 * Sec},
    {"entry end 100, B at 80, loop on", Inputs(0, 100, FALSE, 0, 10, TRUE, 2, 50 * Sec, 80 * Sec),
     81 * Sec, 1, RangeLoopBack, 50 * Sec},
    {"entry end 100, B at 80, between", Inputs(0, 100, FALSE, 0, 10, FALSE, 2, 50 * Sec, 80 * Sec),
     80 * Sec, 1, RangeStay, 0},
    {"entry end equal to B, loop off", Inputs(0, 100, FALSE, 0, 10, FALSE, 2, 50 * Sec, 100 * Sec),
     101 * Sec, 1, RangeLeave, 0},
    {"entry end equal to B, loop on", Inputs(0, 100, FALSE, 0, 10, TRUE, 2, 50 * Sec, 100 * Sec),
     101 * Sec, 1, RangeLoopBack, 50 * Sec},
    {"A-B alone loops", Inputs(0, -1, FALSE, 0, 10, FALSE, 2, 12 * Sec, 47 * Sec), 48 * Sec, 1,
     RangeLoopBack, 12 * Sec},
    {"A-B alone below A", Inputs(0, -1, FALSE, 0, 10, FALSE, 2, 12 * Sec, 47 * Sec), 2 * Sec, 1,
     RangeSeekToLow, 12 * Sec},
    {"B before A: back to A", Inputs(0, -1, FALSE, 0, 10, FALSE, 2, 60 * Sec, 40 * Sec), 60 * Sec, 1,
     RangeLoopBack, 60 * Sec},
    {"A before the entry start", Inputs(30, -1, FALSE, 0, 10, FALSE, 2, 10 * Sec, 90 * Sec),
     20 * Sec, 1, RangeSeekToLow, 30 * Sec},
    {"B beyond intro end", Inputs(0, -1, TRUE, 0, 10, FALSE, 2, 2 * Sec, 30 * Sec), 11 * Sec, 1,
     RangeLeave, 0},
};

class PlayRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(PlayRangeTest, GivesTheAction)
{
    const RangeCase& c = GetParam();
    PlayRange range;
    ASSERT_EQ(c.applies, CalcPlayRange(&c.in, &range)) << c.what;
    if (!c.applies) return;
    LONGLONG target = -12345;
    EXPECT_EQ(c.action, DecideRangeAction(&range, c.current, &target)) << c.what;
    if (c.action == RangeSeekToLow || c.action == RangeLoopBack)
        EXPECT_EQ(c.target, target) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, PlayRangeTest, ::testing::ValuesIn(RangeCases));

TEST(PlayRange, BoundsOfTheNarrowestRange)
{
    // Entry 5-40, intro 8-30, A-B 10-20: the A-B loop narrows further.
    PlayRangeInputs in = Inputs(5, 40, TRUE, 8, 30, FALSE, 2, 10 * Sec, 20 * Sec);
    PlayRange range;
    ASSERT_EQ(1, CalcPlayRange(&in, &range));
    EXPECT_EQ(10 * Sec, range.low);
    EXPECT_TRUE(range.hasHigh);
    EXPECT_EQ(20 * Sec, range.high);
    EXPECT_TRUE(range.loop);
}

TEST(PlayRange, NoEndMeansNoHigh)
{
    PlayRangeInputs in = Inputs(30, -1, FALSE, 0, 10, TRUE, 0, 0, 0);
    PlayRange range;
    ASSERT_EQ(1, CalcPlayRange(&in, &range));
    EXPECT_FALSE(range.hasHigh);
    EXPECT_EQ(30 * Sec, range.low);
}

// ---- skip play

struct SkipCase {
    const char* what;
    SkipInputs in;
    LONGLONG stop;
    LONGLONG current;
    int jumps;
    LONGLONG target;
};

const SkipCase SkipCases[] = {
    {"off", {0, 3, 900, 2, 10}, 90 * Sec, 15 * Sec, 0, 0},
    {"by number: head of first part", {1, 3, 900, 2, 10}, 90 * Sec, 1 * Sec, 0, 0},
    {"by number: exactly the played head", {1, 3, 900, 2, 10}, 90 * Sec, 2 * Sec, 0, 0},
    {"by number: past the head", {1, 3, 900, 2, 10}, 90 * Sec, 3 * Sec, 1, 30 * Sec},
    {"by number: second part", {1, 3, 900, 2, 10}, 90 * Sec, 33 * Sec, 1, 60 * Sec},
    {"by number: head of second part", {1, 3, 900, 2, 10}, 90 * Sec, 31 * Sec, 0, 0},
    {"by number: jump cut at the end zone", {1, 3, 900, 2, 10}, 90 * Sec, 63 * Sec, 1, 80 * Sec},
    {"by number: inside the end zone", {1, 3, 900, 2, 10}, 90 * Sec, 80 * Sec, 0, 0},
    {"by number: just before the end zone", {1, 3, 900, 2, 10}, 90 * Sec, 79 * Sec, 1, 80 * Sec},
    {"by number: zero-length file", {1, 3, 900, 2, 10}, 0, 0, 0, 0},
    {"by number: file shorter than the parts", {1, 3, 900, 2, 10}, 2, 1, 0, 0},
    {"by number: no parts", {1, 0, 900, 2, 10}, 90 * Sec, 15 * Sec, 0, 0},
    {"by time 900: first quarter hour", {2, 3, 900, 2, 10}, 3600 * Sec, 5 * Sec, 1, 900 * Sec},
    {"by time 900: head of an interval", {2, 3, 900, 2, 10}, 3600 * Sec, 901 * Sec, 0, 0},
    {"by time 900: second interval", {2, 3, 900, 2, 10}, 3600 * Sec, 1000 * Sec, 1, 1800 * Sec},
    {"by time 900: last jump cut", {2, 3, 900, 2, 10}, 3600 * Sec, 3500 * Sec, 1, 3590 * Sec},
    {"by time: file shorter than the end zone", {2, 3, 900, 2, 10}, 5 * Sec, 3 * Sec, 0, 0},
};

class SkipTest : public ::testing::TestWithParam<SkipCase> {};

TEST_P(SkipTest, GivesTheJump)
{
    const SkipCase& c = GetParam();
    LONGLONG target = -1;
    ASSERT_EQ(c.jumps, CalcSkipTarget(&c.in, c.stop, c.current, &target)) << c.what;
    if (c.jumps) EXPECT_EQ(c.target, target) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, SkipTest, ::testing::ValuesIn(SkipCases));

TEST(Skip, ByNumberVisitsEveryPartAndStopsAtTheEndZone)
{
    // Ticks of one second through a 90 s file cut into 3 parts.
    SkipInputs in = {1, 3, 900, 2, 10};
    LONGLONG position = 0;
    std::string jumps;
    for (int tick = 0; tick < 200 && position < 90 * Sec; tick++) {
        LONGLONG target;
        if (CalcSkipTarget(&in, 90 * Sec, position, &target)) {
            ASSERT_GT(target, position);
            jumps += std::to_string(target / Sec) + " ";
            position = target;
        } else {
            position += Sec;
        }
    }
    EXPECT_EQ("30 60 80 ", jumps);
}

// ---- relative seek

struct SeekCase {
    const char* what;
    LONGLONG current, stop;
    int forward, seconds, endPlayTime;
    LONGLONG target;
};

const SeekCase SeekCases[] = {
    {"forward at 10 s", 10 * Sec, 100 * Sec, 1, 30, 10, 40 * Sec},
    {"forward at 75 s stops at the end zone", 75 * Sec, 100 * Sec, 1, 30, 10, 90 * Sec},
    {"forward inside the end zone goes back to it", 95 * Sec, 100 * Sec, 1, 30, 10, 90 * Sec},
    {"forward to exactly the end zone", 60 * Sec, 100 * Sec, 1, 30, 10, 90 * Sec},
    {"backward at 20 s by 30", 20 * Sec, 100 * Sec, 0, 30, 10, 0},
    {"backward inside the end zone", 95 * Sec, 100 * Sec, 0, 10, 10, 85 * Sec},
    {"end zone longer than the file, early", 10 * Sec, 100 * Sec, 1, 30, 200, 40 * Sec},
    {"end zone longer than the file, into the last second", 80 * Sec, 100 * Sec, 1, 30, 200, 0},
    {"into the last second with a short end zone", 98 * Sec, 100 * Sec, 1, 1, 1, 99 * Sec},
    {"zero-length file", 0, 0, 1, 30, 10, 0},
};

class SeekTest : public ::testing::TestWithParam<SeekCase> {};

TEST_P(SeekTest, GivesTheTarget)
{
    const SeekCase& c = GetParam();
    EXPECT_EQ(c.target, CalcSeekTarget(c.current, c.stop, c.forward, c.seconds, c.endPlayTime))
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, SeekTest, ::testing::ValuesIn(SeekCases));

TEST(Seek, LargestStepDoesNotOverflow)
{
    // SEEKTIME 9999 s on a long file.
    EXPECT_EQ(20000 * Sec - 10 * Sec, CalcSeekTarget(15000 * Sec, 20000 * Sec, 1, 9999, 10));
    EXPECT_EQ(10001 * Sec, CalcSeekTarget(20000 * Sec, 30000 * Sec, 0, 9999, 10));
}

// ---- A-B loop states

TEST(ABLoop, StateTable)
{
    const struct { int state, isB, next; } rows[] = {
        {0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {1, 1, 2}, {2, 0, 0}, {2, 1, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.next, NextABLoopState(r.state, r.isB)) << r.state << (r.isB ? " B" : " A");
}

TEST(Conversions, TruncateTowardZero)
{
    EXPECT_EQ(12, PositionToSeconds(129 * Sec / 10));
    EXPECT_EQ(0, PositionToSeconds(Sec - 1));
    EXPECT_EQ(-1, PositionToSeconds(-15 * Sec / 10));
    EXPECT_EQ(32767 * Sec, SecondsToPosition(32767));
}

// ---- saving the A-B range

class SaveRangeTest : public ::testing::Test {
protected:
    std::string ini;
    void SetUp() override
    {
        ini = FileTestFolder("control") + "\\Velmora.ini";
        WritePrivateProfileStringA(VLM_INI_SECTION, "DIRNAME", "C:\\Movies", ini.c_str());
    }
    std::string Read(const char* key)
    {
        char value[64];
        GetPrivateProfileStringA(VLM_INI_SECTION, key, "<none>", value, sizeof(value), ini.c_str());
        return value;
    }
};

TEST_F(SaveRangeTest, FolderPlayWritesTheIntroRange)
{
    EXPECT_EQ(2, WriteABRange(ini.c_str(), FALSE, NULL, 129 * Sec / 10, 472 * Sec / 10));
    EXPECT_EQ("12", Read("INTRO_START_POSITION"));
    EXPECT_EQ("47", Read("INTRO_END_POSITION"));
    EXPECT_EQ("C:\\Movies", Read("DIRNAME"));
}

TEST_F(SaveRangeTest, ProgramPlayWritesTheEntryKeys)
{
    MediaFileEntry entry;
    ZeroMemory(&entry, sizeof(entry));
    entry.id = 7;
    EXPECT_EQ(2, WriteABRange(ini.c_str(), TRUE, &entry, 5 * Sec, 65 * Sec));
    EXPECT_EQ("5", Read("PROGRAM_STA_POSITION07"));
    EXPECT_EQ("65", Read("PROGRAM_END_POSITION07"));
    EXPECT_EQ("<none>", Read("INTRO_START_POSITION"));

    entry.id = 100;
    EXPECT_EQ(2, WriteABRange(ini.c_str(), TRUE, &entry, 1 * Sec, 2 * Sec));
    EXPECT_EQ("1", Read("PROGRAM_STA_POSITION100"));
    EXPECT_EQ("2", Read("PROGRAM_END_POSITION100"));
}

TEST_F(SaveRangeTest, ProgramPlayWithoutEntryWritesNothing)
{
    EXPECT_EQ(0, WriteABRange(ini.c_str(), TRUE, NULL, 5 * Sec, 65 * Sec));
    EXPECT_EQ("<none>", Read("PROGRAM_STA_POSITION00"));
    EXPECT_EQ("<none>", Read("INTRO_START_POSITION"));
}

TEST_F(SaveRangeTest, SecondsOutsideTheKeyRangeAreNotWritten)
{
    // B beyond 32767 s; and a position so large that its low 32 bits of
    // seconds would look valid.
    EXPECT_EQ(1, WriteABRange(ini.c_str(), FALSE, NULL, 32767 * Sec, 32768 * Sec));
    EXPECT_EQ("32767", Read("INTRO_START_POSITION"));
    EXPECT_EQ("<none>", Read("INTRO_END_POSITION"));

    LONGLONG wraps = (0x100000000LL + 5) * Sec;
    EXPECT_EQ(0, WriteABRange(ini.c_str(), FALSE, NULL, -Sec, wraps));
    EXPECT_EQ("32767", Read("INTRO_START_POSITION"));
    EXPECT_EQ("<none>", Read("INTRO_END_POSITION"));
}

}  // namespace
