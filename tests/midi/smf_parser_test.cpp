#include <gtest/gtest.h>

#include <fstream>

#include "platform/mci/midi/smf.h"
#include "tests/midi/smf_builder.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci::midi {
namespace {

using test::Bytes;
using test::smf;
using test::Track;

SmfResult parse(const Bytes& bytes) {
    return parseSmf(bytes.data(), bytes.size());
}

TEST(SmfParser, format0_readsRunningStatusSysexAndMeta) {
    // 90 3C 64, then "3E 64" and "40 00" under running status; C1 takes one data byte.
    Track t;
    t.noteOn(0, 0, 60).raw(96, {0x3E, 0x64}).raw(96, {0x40, 0x00}).raw(10, {0xC1, 0x05});
    t.raw(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7}).raw(0, {0xFF, 0x03, 0x02, 'H', 'i'}).end(4);
    SmfResult r = parse(smf(0, 96, {t}));
    ASSERT_TRUE(r.ok()) << smfErrorText(r.error);
    EXPECT_EQ(r.file.division.ticksPerQuarter, 96);
    ASSERT_EQ(r.file.tracks.size(), 1u);
    const auto& ev = r.file.tracks[0].events;
    ASSERT_EQ(ev.size(), 7u);
    EXPECT_EQ(ev[2].status, 0x90);
    EXPECT_EQ(ev[2].data1, 0x40);
    EXPECT_EQ(ev[2].tick, 192u);
    EXPECT_EQ(ev[3].data1, 0x05);
    EXPECT_EQ(ev[4].kind, EventKind::SysEx);
    ASSERT_EQ(ev[4].dataLength, 3u);
    EXPECT_EQ(r.file.payload(ev[4])[0], 0x7E);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.file.payload(ev[5])), 2), "Hi");
    EXPECT_EQ(r.file.tracks[0].endTick, 206u);

    // Without an end-of-track event the track ends at its last event.
    r = parse(smf(0, 96, {Track().noteOn(0, 0, 60).noteOff(30, 0, 60)}));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.file.tracks[0].endTick, 30u);
}

TEST(SmfParser, formats1And2AndSmpte_keepTracksAndDivision) {
    Track a, b;
    a.tempo(0, 400000).end(100);
    b.noteOn(0, 1, 50).noteOff(200, 1, 50).end();
    for (int format : {1, 2}) {
        SmfResult r = parse(smf(format, 480, {a, b}));
        ASSERT_TRUE(r.ok()) << smfErrorText(r.error);
        EXPECT_EQ(r.file.format, format);
        ASSERT_EQ(r.file.tracks.size(), 2u);
        EXPECT_EQ(r.file.tracks[1].endTick, 200u);
        EXPECT_EQ(r.file.tempoOf(r.file.tracks[0].events[0]), 400000u);
    }
    SmfResult r = parse(smf(0, test::smpte(25, 40), {Track().end(10)}));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.file.division.smpteFps, 25);
    EXPECT_EQ(r.file.division.ticksPerFrame, 40);
}

TEST(SmfParser, rmidWrapperAndForeignChunks_areUnwrappedAndSkipped) {
    Bytes plain = smf(0, 96, {Track().noteOn(0, 0, 60).end(48)});
    Bytes withAlien(plain.begin(), plain.begin() + 14);  // a foreign chunk after the header
    Bytes alien = test::chunk("XYZW", {1, 2, 3});
    withAlien.insert(withAlien.end(), alien.begin(), alien.end());
    withAlien.insert(withAlien.end(), plain.begin() + 14, plain.end());
    for (const Bytes& bytes : {test::rmid(plain), withAlien}) {
        SmfResult r = parse(bytes);
        ASSERT_TRUE(r.ok()) << smfErrorText(r.error);
        EXPECT_EQ(r.file.tracks[0].endTick, 48u);
        EXPECT_TRUE(looksLikeSmf(bytes.data(), bytes.size()));
    }
}

Bytes withHeader(std::initializer_list<uint8_t> header, const Bytes& rest = {}) {
    Bytes out = test::chunk("MThd", Bytes(header));
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

TEST(SmfParser, corruptFiles_failWithTheirReason) {
    struct BadCase {
        const char* name;
        Bytes bytes;
        SmfError expected;
    };
    Bytes track = test::chunk("MTrk", Track().end().body);
    auto oneTrack = [](const Track& t) { return smf(0, 96, {t}); };
    const std::vector<BadCase> cases = {
        {"empty", {}, SmfError::NotSmf},
        {"header cut", {'M', 'T', 'h', 'd', 0, 0}, SmfError::Truncated},
        {"short header", withHeader({0, 0, 0, 1}, track), SmfError::BadHeader},
        {"format 3", withHeader({0, 3, 0, 1, 0, 96}, track), SmfError::BadHeader},
        {"no tracks", withHeader({0, 1, 0, 0, 0, 96}), SmfError::BadHeader},
        {"zero division", withHeader({0, 0, 0, 1, 0, 0}, track), SmfError::BadHeader},
        {"smpte 23 fps", withHeader({0, 0, 0, 1, 0xE9, 4}, track), SmfError::BadHeader},
        {"smpte 0 ticks", withHeader({0, 0, 0, 1, 0xE7, 0}, track), SmfError::BadHeader},
        {"track missing", withHeader({0, 1, 0, 2, 0, 96}, track), SmfError::Truncated},
        {"running status first", oneTrack(Track().raw(0, {0x3C, 0x40})), SmfError::Corrupt},
        {"data byte high", oneTrack(Track().raw(0, {0x90, 0x3C, 0x90})), SmfError::Corrupt},
        {"5-byte delta", oneTrack(Track{{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x40}}),
         SmfError::Corrupt},
        {"system common", oneTrack(Track().raw(0, {0xF2, 0x00, 0x00})), SmfError::Corrupt},
        {"tempo of 2 bytes", oneTrack(Track().raw(0, {0xFF, 0x51, 0x02, 1, 2})), SmfError::Corrupt},
        {"tempo zero", oneTrack(Track().tempo(0, 0)), SmfError::Corrupt},
        {"running status after meta",
         oneTrack(Track().noteOn(0, 0, 60).raw(0, {0xFF, 0x01, 0x00}).raw(0, {0x40, 0x40})),
         SmfError::Corrupt},
        {"meta past chunk", oneTrack(Track().raw(0, {0xFF, 0x01, 0x10, 'a'})), SmfError::Truncated},
        {"sysex past chunk", oneTrack(Track().raw(0, {0xF0, 0x7F, 0x01})), SmfError::Truncated},
        {"note cut", oneTrack(Track().raw(0, {0x90, 0x3C})), SmfError::Truncated},
        {"rmid without data",
         {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'},
         SmfError::NotSmf},
        // Found by fuzzing: a RIFF size smaller than the RIFF header itself.
        {"riff size 0",
         {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', '#', 0, 'a', 0, 'Q'},
         SmfError::NotSmf},
    };
    for (const BadCase& c : cases) {
        SmfResult r = parse(c.bytes);
        EXPECT_EQ(r.error, c.expected) << c.name << ": got " << smfErrorText(r.error);
        EXPECT_TRUE(r.file.tracks.empty()) << c.name;
    }
}

TEST(SmfParser, eventsBeyondTheCap_areRefused) {
    Track t;
    t.noteOn(0, 0, 60);
    t.body.reserve(3 * kMaxEvents + 16);
    for (size_t i = 0; i < kMaxEvents; ++i) t.raw(0, {0x3C, 0x40});
    EXPECT_EQ(parse(smf(0, 96, {t})).error, SmfError::TooLarge);
}

TEST(SmfParser, loadSmf_tellsMissingFromUnreadable) {
    EXPECT_EQ(loadSmf("/nonexistent/dir/x.mid").error, SmfError::FileNotFound);
    const std::string dir = stillmar::test::makeTempDir("smf");
    EXPECT_EQ(loadSmf(dir).error, SmfError::Io);  // a folder is not a file
    const std::string path = dir + "/song with space.mid";
    Bytes bytes = smf(0, 96, {Track().noteOn(0, 0, 60).end(96)});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    SmfResult r = loadSmf(path);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.file.tracks[0].endTick, 96u);
}

}  // namespace
}  // namespace stillmar::mci::midi
