#include <gtest/gtest.h>

#include <limits>

#include "platform/mci/midi/tempo_map.h"
#include "platform/mci/midi/timeline.h"
#include "tests/midi/smf_builder.h"

namespace stillmar::mci::midi {
namespace {

using test::smf;
using test::Track;

MidiFile parsed(const test::Bytes& bytes) {
    SmfResult r = parseSmf(bytes);
    EXPECT_TRUE(r.ok()) << smfErrorText(r.error);
    return std::move(r.file);
}

TEST(TempoMap, withoutTempoEvents_aQuarterLastsHalfASecond) {
    TempoMap map(parsed(smf(0, 96, {Track().noteOn(0, 0, 60).end(960)})));
    EXPECT_EQ(map.lengthTicks(), 960u);
    EXPECT_EQ(map.lengthMs(), 5000);  // 10 quarters at 0.5 s
}

TEST(TempoMap, tempoChanges_giveTheClosedFormLength) {
    // 960 ticks at 0.5 s/qn + 960 at 0.25 s/qn + 480 at 1 s/qn, 480 ticks per quarter:
    // 1000 + 500 + 1000 ms.
    Track t;
    t.tempo(0, 500000).tempo(960, 250000).tempo(960, 1000000).end(480);
    EXPECT_EQ(TempoMap(parsed(smf(0, 480, {t}))).lengthMs(), 2500);

    // 100 ticks at 333333 us per 96-tick quarter: 347221.875 us, floored to 347 ms.
    Track odd;
    odd.tempo(0, 333333).end(100);
    TempoMap oddMap(parsed(smf(0, 96, {odd})));
    EXPECT_EQ(oddMap.lengthMs(), 347);
    EXPECT_EQ(oddMap.tickToUs(100), 347221);
}

TEST(TempoMap, format1_conductorTempoAppliesToEveryTrack) {
    // The conductor ends early; the notes of track 1 run on at its last tempo:
    // 960 ticks at 0.5 s/qn (1000 ms) + 1920 ticks at 0.25 s/qn (1000 ms).
    Track conductor, notes;
    conductor.tempo(0, 500000).tempo(960, 250000).end();
    notes.noteOn(0, 0, 60).noteOff(2880, 0, 60).end();
    TempoMap map(parsed(smf(1, 480, {conductor, notes})));
    EXPECT_EQ(map.lengthTicks(), 2880u);
    EXPECT_EQ(map.lengthMs(), 2000);
    EXPECT_EQ(map.tickToMs(960), 1000);
    EXPECT_EQ(map.tickToMs(1920), 1500);
}

TEST(TempoMap, format1_tempoOutsideTheConductorIsHonouredToo) {
    Track conductor, notes;
    conductor.end(480);
    notes.tempo(480, 1000000).end(480);  // from tick 480 on, 1 s per quarter
    EXPECT_EQ(TempoMap(parsed(smf(1, 480, {conductor, notes}))).lengthMs(), 500 + 1000);
}

TEST(TempoMap, format2_tracksPlayOneAfterAnother_eachFromTheDefaultTempo) {
    Track a, b, c;
    a.tempo(0, 250000).end(960);     // 960 ticks at 0.25 s/qn: 500 ms
    b.noteOn(0, 0, 60).end(480);     // the default tempo again, not a's: 500 ms
    c.tempo(240, 1000000).end(240);  // 240 at 0.5 + 240 at 1 s/qn: 250 + 500 ms
    TempoMap map(parsed(smf(2, 480, {a, b, c})));
    EXPECT_EQ(map.trackOffset(0), 0u);
    EXPECT_EQ(map.trackOffset(1), 960u);
    EXPECT_EQ(map.trackOffset(2), 1440u);
    EXPECT_EQ(map.lengthTicks(), 1920u);
    EXPECT_EQ(map.tickToMs(960), 500);
    EXPECT_EQ(map.tickToMs(1440), 1000);
    EXPECT_EQ(map.lengthMs(), 1750);
}

TEST(TempoMap, smpteDivision_ignoresTempo_andCountsSubframes) {
    struct Case {
        int fps, ticksPerFrame;
        uint32_t ticks;
        int64_t ms;
    };
    const Case cases[] = {
        {25, 40, 12345, 12345},  // 1 tick = 1 ms
        {24, 4, 100, 1041},      // 100 * 1000 / 96 = 1041.67
        {30, 80, 2400, 1000},
        {29, 4, 1200, 10010},  // 29.97 drop frame: 1200 * 1000 * 1001 / (30000 * 4)
        {29, 4, 7, 58},        // 58.39
    };
    for (const Case& c : cases) {
        Track t;
        t.tempo(0, 100000).end(c.ticks);
        TempoMap map(parsed(smf(0, test::smpte(c.fps, c.ticksPerFrame), {t})));
        EXPECT_EQ(map.lengthMs(), c.ms) << c.fps << "/" << c.ticksPerFrame;
    }
}

// An independent model: time of tick t, summed tick by tick, in units of us * ticksPerQuarter.
TEST(TempoMap, conversions_matchATickByTickSum_bothWays) {
    const uint32_t tpq = 97;
    Track t;
    t.tempo(0, 333331).tempo(50, 123457).tempo(33, 999999).tempo(0, 777777).tempo(71, 41).end(60);
    TempoMap map(parsed(smf(0, tpq, {t})));
    const std::vector<std::pair<uint64_t, uint64_t>> changes = {
        {0, 333331}, {50, 123457}, {83, 777777}, {154, 41}};
    const uint64_t ticks = map.lengthTicks();
    ASSERT_EQ(ticks, 214u);
    std::vector<uint64_t> acc(ticks + 2, 0);
    for (uint64_t k = 0; k <= ticks; ++k) {
        uint64_t tempo = 0;
        for (const auto& [at, value] : changes)
            if (at <= k) tempo = value;
        acc[k + 1] = acc[k] + tempo;
    }
    for (uint64_t k = 0; k <= ticks; ++k) {
        EXPECT_EQ(map.tickToMs(k), int64_t(acc[k] / (tpq * 1000))) << k;
        EXPECT_EQ(map.tickToUs(k), int64_t(acc[k] / tpq)) << k;
    }
    for (int64_t ms = 0; ms <= map.lengthMs(); ++ms) {
        const uint64_t k = map.msToTick(ms);
        ASSERT_LE(k, ticks);
        const uint64_t limit = uint64_t(ms) * tpq * 1000;
        EXPECT_LE(acc[k], limit) << ms;      // starts at or before ms
        EXPECT_GT(acc[k + 1], limit) << ms;  // and is the last one that does
    }
    EXPECT_EQ(map.msToTick(-5), 0u);
}

TEST(TempoMap, hugeValues_saturateInsteadOfWrapping) {
    Track t;
    t.tempo(0, 0xFFFFFF).raw(0x0FFFFFFF, {0xC0, 0x01}).end(0x0FFFFFFF);
    TempoMap map(parsed(smf(0, 1, {t})));
    const int64_t length = map.lengthMs();
    EXPECT_EQ(length, int64_t((uint64_t(0x0FFFFFFF) * 2 * 0xFFFFFF) / 1000));
    EXPECT_GE(map.msToTick(std::numeric_limits<int64_t>::max()), map.lengthTicks());
    // (2^64 - 1) ticks of 16.7 s each: far past what int64 milliseconds hold.
    EXPECT_EQ(map.tickToMs(std::numeric_limits<uint64_t>::max()),
              std::numeric_limits<int64_t>::max());
}

TEST(Timeline, mergesTracksInTimeOrder_andStampsTempoTimes) {
    Track conductor, a, b;
    conductor.tempo(0, 500000).tempo(480, 1000000).end();
    a.noteOn(0, 0, 60).noteOff(960, 0, 60).end();  // ticks 0, 960
    b.raw(240, {0xF0, 0x02, 0x10, 0xF7})
        .raw(240, {0xB1, 0x07, 0x64})  // tick 480: the tempo change itself
        .raw(0, {0xFF, 0x06, 0x01, 'x'})
        .end();
    MidiFile file = parsed(smf(1, 480, {conductor, a, b}));
    TempoMap map(file);
    std::vector<TimedEvent> tl = buildTimeline(file, map);
    ASSERT_EQ(tl.size(), 4u);  // metas are not played
    EXPECT_EQ(tl[0].status, 0x90);
    EXPECT_EQ(tl[0].timeUs, 0);
    EXPECT_EQ(tl[1].status, 0xF0);
    EXPECT_EQ(tl[1].timeUs, 250000);
    EXPECT_EQ(tl[1].dataLength, 2u);
    EXPECT_EQ(file.bytes[tl[1].dataOffset], 0x10);
    EXPECT_EQ(tl[2].status, 0xB1);
    EXPECT_EQ(tl[2].timeUs, 500000);
    EXPECT_EQ(tl[3].status, 0x80);
    EXPECT_EQ(tl[3].timeUs, 1500000);  // 480 ticks at 0.5 s + 480 at 1 s
    EXPECT_EQ(firstEventAtOrAfter(tl, 250000), 1u);
    EXPECT_EQ(firstEventAtOrAfter(tl, 250001), 2u);
    EXPECT_EQ(firstEventAtOrAfter(tl, 2000000), 4u);
}

TEST(Timeline, format2_placesEachTrackAfterThePrevious) {
    Track a, b;
    a.noteOn(0, 0, 60).end(480);
    b.noteOn(0, 1, 62).end(480);
    MidiFile file = parsed(smf(2, 480, {a, b}));
    std::vector<TimedEvent> tl = buildTimeline(file, TempoMap(file));
    ASSERT_EQ(tl.size(), 2u);
    EXPECT_EQ(tl[0].timeUs, 0);
    EXPECT_EQ(tl[1].status, 0x91);
    EXPECT_EQ(tl[1].timeUs, 500000);
}

}  // namespace
}  // namespace stillmar::mci::midi
