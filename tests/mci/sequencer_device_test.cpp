#include <gtest/gtest.h>

#include <fstream>

#include "tests/mci/harness.h"

namespace stillmar::mci {
namespace {

// Format 0, 480 ticks a quarter at 120 bpm: one note held four quarters, 2000 ms.
const unsigned char kTwoSeconds[] = {
    'M',  'T',  'h',  'd',  0,    0,    0,    6,  0, 0, 0, 1, 0x01, 0xE0,  //
    'M',  'T',  'r',  'k',  0,    0,    0,    20,                          //
    0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,                              // tempo 500000 us
    0x00, 0x90, 0x3C, 0x64,                                                // note on
    0x8F, 0x00, 0x80, 0x3C, 0x00,                                          // 1920 ticks later, off
    0x00, 0xFF, 0x2F, 0x00,                                                // end of track
};

class SequencerTest : public test::ServiceHarness {
  protected:
    void SetUp() override {
        ServiceHarness::SetUp();
        std::ofstream(path("song.mid"), std::ios::binary)
            .write(reinterpret_cast<const char*>(kTwoSeconds), sizeof kTwoSeconds);
        std::ofstream(path("song.bin"), std::ios::binary)
            .write(reinterpret_cast<const char*>(kTwoSeconds), sizeof kTwoSeconds);
    }
};

TEST_F(SequencerTest, opensMidiFilesByExtensionTypeOrContent) {
    run({
        {"open $/song.mid alias A", 0, "1"},
        {"open $/song.mid type sequencer alias B", 0, "2"},
        {"open sequencer!$/song.mid alias C", 0, "3"},
        {"open $/clip.avi type sequencer alias D", 296},
        {"open $/gone.mid type sequencer alias D", 275},
    });
    world_.content = ContentKind::Midi;
    run({{"open $/song.bin type  alias D", 0, "4"}, {"status D length", 0, "2000"}});
    EXPECT_TRUE(world_.engines.empty());
}

TEST_F(SequencerTest, answersInMillisecondsOrSmpte) {
    run({
        {"open $/song.mid alias A", 0, "1"},
        {"status A time format", 0, "milliseconds"},
        {"status A length", 0, "2000"},
        {"status A mode", 0, "stopped"},
        {"set A time format smpte 25", 0},
        {"status A time format", 0, "smpte 25"},
        {"status A length", 0, "00:00:02:00"},
        {"seek A to 00:00:01:05", 0},
        {"status A position", 0, "00:00:01:05"},
        {"set A time format frames", 293},
        {"set A time format tmsf", 293},
        {"set A time format bogus", 290},
        {"status A time format", 0, "smpte 25"},
        {"seek A to 00:00:99:00", 270},
        {"set A time format ms", 0},
        {"status A position", 0, "1200"},
        {"seek A to 99999", 0},
        {"status A position", 0, "2000"},
        {"seek A to start", 0},
        {"status A position", 0, "0"},
    });
}

TEST_F(SequencerTest, transportAndTheCommandsItLacks) {
    run({
        {"open $/song.mid alias A", 0, "1"},
        {"pause A", 0},
        {"status A mode", 0, "paused"},
        {"play A from 1800 to 1900 wait", 0},
        {"status A mode", 0, "stopped"},
        {"status A position", 0, "1900"},
        {"play A from 1500 to 1000", 282},
        {"play A from x", 270},
        {"set A door open", 274},
        {"put A window at 0 0 10 10", 274},
        {"capture A as $/x.bmp", 274},
        {"status A window handle", 290},
        {"capability A has video", 0, "false"},
        {"capability A device type", 0, "sequencer"},
        {"setaudio A volume to 300", 0},
        {"status A volume", 0, "300"},
        {"set A audio all off", 0},
        {"status A audio", 0, "off"},
        {"close A", 0},
        {"open sequencer alias S", 0, "1"},
        {"status S mode", 0, "not ready"},
        {"play S", 276},
    });
}

}  // namespace
}  // namespace stillmar::mci
