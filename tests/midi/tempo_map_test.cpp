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

int64_t lengthOf(const test::Bytes& bytes) {
    return TempoMap(parsed(bytes)).lengthMs();
}

TEST(TempoMap, format0_lengthIsTheClosedFormSumOfItsTempos) {
    // Without tempo events a quarter lasts 0.5 s: 10 quarters.
    EXPECT_EQ(lengthOf(smf(0, 96, {Track().noteOn(0, 0, 60).end(960)})), 5000);
    // 960 ticks at 0.5 s/qn + 960 at 0.25 + 480 at 1, 480 ticks per quarter.
    EXPECT_EQ(
        lengthOf(smf(0, 480,
                     {Track().tempo(0, 500000).tempo(960, 250000).tempo(960, 1000000).end(480)})),
        2500);
    // 100 ticks at 333333 us per 96-tick quarter: 347221.875 us.
    TempoMap odd(parsed(smf(0, 96, {Track().tempo(0, 333333).end(100)})));
    EXPECT_EQ(odd.lengthMs(), 347);
    EXPECT_EQ(odd.tickToUs(100), 347221);
}

TEST(TempoMap, format1_tempoOfAnyTrackAppliesToAllTracks) {
    // The conductor ends early; track 1 runs on at its last tempo: 1000 ms + 1920 ticks at
    // 0.25 s/qn.
    Track conductor, notes;
    conductor.tempo(0, 500000).tempo(960, 250000).end();
    notes.noteOn(0, 0, 60).noteOff(2880, 0, 60).end();
    TempoMap map(parsed(smf(1, 480, {conductor, notes})));
    EXPECT_EQ(map.lengthMs(), 2000);
    EXPECT_EQ(map.tickToMs(1920), 1500);
    // A tempo change outside the conductor track counts as well: 500 ms + 480 ticks at 1 s/qn.
    EXPECT_EQ(lengthOf(smf(1, 480, {Track().end(480), Track().tempo(480, 1000000).end(480)})),
              1500);
}

TEST(TempoMap, format2_tracksPlayOneAfterAnother_eachFromTheDefaultTempo) {
    Track a, b, c;
    a.tempo(0, 250000).end(960);     // 500 ms
    b.noteOn(0, 1, 62).end(480);     // the default tempo again, not a's: 500 ms
    c.tempo(240, 1000000).end(240);  // 250 + 500 ms
    MidiFile file = parsed(smf(2, 480, {a, b, c}));
    TempoMap map(file);
    EXPECT_EQ(map.trackOffset(2), 1440u);
    EXPECT_EQ(map.lengthTicks(), 1920u);
    EXPECT_EQ(map.tickToMs(1440), 1000);
    EXPECT_EQ(map.lengthMs(), 1750);
    std::vector<TimedEvent> tl = buildTimeline(file, map);
    ASSERT_EQ(tl.size(), 1u);
    EXPECT_EQ(tl[0].timeUs, 500000);  // b's note, after all of a
}

TEST(TempoMap, smpteDivision_ignoresTempo_andCountsSubframes) {
    struct Case {
        int fps, ticksPerFrame;
        uint32_t ticks;
        int64_t ms;
    };
    const Case cases[] = {
        {25, 40, 12345, 12345},  // 1 tick = 1 ms
        {24, 4, 100, 1041},      // 100 * 1000 / 96
        {30, 80, 2400, 1000},
        {29, 4, 1200, 10010},  // 29.97 drop frame: 1200 * 1000 * 1001 / (30000 * 4)
        {29, 4, 7, 58},
    };
    for (const Case& c : cases) {
        const auto bytes =
            smf(0, test::smpte(c.fps, c.ticksPerFrame), {Track().tempo(0, 100000).end(c.ticks)});
        EXPECT_EQ(lengthOf(bytes), c.ms) << c.fps << "/" << c.ticksPerFrame;
    }
}

// An independent model: the time of tick k summed tick by tick, in us * ticksPerQuarter.
TEST(TempoMap, conversions_matchATickByTickSum_bothWays) {
    const uint32_t tpq = 97;
    Track t;
    t.tempo(0, 333331).tempo(50, 123457).tempo(33, 999999).tempo(0, 777777).tempo(71, 41).end(60);
    TempoMap map(parsed(smf(0, tpq, {t})));
    const std::vector<std::pair<uint64_t, uint64_t>> changes = {
        {0, 333331}, {50, 123457}, {83, 777777}, {154, 41}};  // two at 83: the last holds
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
        EXPECT_LE(acc[k], uint64_t(ms) * tpq * 1000) << ms;      // starts at or before ms
        EXPECT_GT(acc[k + 1], uint64_t(ms) * tpq * 1000) << ms;  // and is the last one to
    }
    EXPECT_EQ(map.msToTick(-5), 0u);
}

TEST(TempoMap, hugeValues_saturateInsteadOfWrapping) {
    Track t;
    t.tempo(0, 0xFFFFFF).raw(0x0FFFFFFF, {0xC0, 0x01}).end(0x0FFFFFFF);
    TempoMap map(parsed(smf(0, 1, {t})));
    EXPECT_EQ(map.lengthMs(), int64_t((uint64_t(0x0FFFFFFF) * 2 * 0xFFFFFF) / 1000));
    EXPECT_GE(map.msToTick(std::numeric_limits<int64_t>::max()), map.lengthTicks());
    EXPECT_EQ(map.tickToMs(std::numeric_limits<uint64_t>::max()),
              std::numeric_limits<int64_t>::max());
}

TEST(Timeline, mergesTracksInTimeOrder_andStampsTempoTimes) {
    Track conductor, a, b;
    conductor.tempo(0, 500000).tempo(480, 1000000).end();
    a.noteOn(0, 0, 60).noteOff(960, 0, 60).end();
    b.raw(240, {0xF0, 0x02, 0x10, 0xF7})
        .raw(240, {0xB1, 0x07, 0x64})
        .raw(0, {0xFF, 0x06, 0x01, 'x'})
        .end();
    MidiFile file = parsed(smf(1, 480, {conductor, a, b}));
    std::vector<TimedEvent> tl = buildTimeline(file, TempoMap(file));
    ASSERT_EQ(tl.size(), 4u);  // metas are not played
    const uint8_t status[] = {0x90, 0xF0, 0xB1, 0x80};
    const int64_t timeUs[] = {0, 250000, 500000, 1500000};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(tl[i].status, status[i]) << i;
        EXPECT_EQ(tl[i].timeUs, timeUs[i]) << i;
    }
    EXPECT_EQ(file.bytes[tl[1].dataOffset], 0x10);
    EXPECT_EQ(firstEventAtOrAfter(tl, 250000), 1u);
    EXPECT_EQ(firstEventAtOrAfter(tl, 250001), 2u);
    EXPECT_EQ(firstEventAtOrAfter(tl, 2000000), 4u);
}

}  // namespace
}  // namespace stillmar::mci::midi
