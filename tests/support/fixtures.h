#pragma once
// Test media, generated on first use with the ffmpeg tool into the build folder.
//
// Video fixtures tell their time: frame N (counted from 0 at the stream's start) shows N in
// binary as kFrameBits vertical stripes, bit 0 at the left, white for 1 and black for 0.
// decodeFrameNumber() reads it back from any picture of the frame, scaled or not.

#include <cstdint>
#include <string>
#include <vector>

namespace stillmar::test {

constexpr int kFrameBits = 12;

// Known fixtures (name: content):
//   clock.mp4   H.264 + AAC, 320x240, 25 fps, 20 s, keyframe every 2 s
//   clock.mkv   H.264 + Vorbis in Matroska, as above
//   clock.webm  VP8 + Vorbis, 320x240, 25 fps, 10 s
//   clock.mpg   MPEG-1 video + MP2 in an MPEG program stream, 25 fps, 10 s
//   clock2.mpg  MPEG-2 video + MP2 in an MPEG-2 program stream, 25 fps, 10 s
//   clock.vob   MPEG-2 video + AC-3 in a DVD program stream, 25 fps, 10 s
//   gaps.mpg    clock.mpg's kind, 8 s, with sound from 1 s to 3 s only
//   clock.avi   MPEG-4 part 2 + PCM in AVI, 25 fps, 10 s
//   clock.wmv   WMV2 + WMA2 in ASF, 25 fps, 10 s
//   clock.mov   H.264 + AAC in QuickTime, 25 fps, 10 s
//   clock.divx  MPEG-4 part 2 in AVI under a .divx name, 25 fps, 10 s
//   pattern.mp4 testsrc2 (a picture with no symmetry), H.264, 320x240, 25 fps, 4 s
//   turned90.mp4, turned180.mp4, turned270.mp4  pattern.mp4 tagged to be shown turned
//               clockwise by that many degrees
//   interlaced.mpg  testsrc2 at 50 pictures/s woven into 25 interlaced frames/s, MPEG-2
//   woven.mkv   the same pictures coded progressive (MPEG-4), field order "tt" in Matroska
//   clock30.mp4 H.264, 30 fps, 10 s, no sound
//   tone.wav    440 Hz sine, PCM, 5 s; tone.mp3 / tone.mpa the same as MP3 / MP2
//   short.mp4   H.264, 25 fps, 0.4 s
//   steps.mp4   H.264, 29.97 fps, 9 s (270 frames), a keyframe every 250 frames, no sound
//   steps_vfr.mp4  H.264, 275 frames 55, 40 and 25 ms apart in turn, keyframes as above
//   noise.bin   4 KiB of pseudo-random bytes; empty.mp4 an empty file
//   truncated.mp4  the first half of clock.mp4 (moov at the end: unplayable)
//   truncated.mpg  the first half of clock.mpg (a playable prefix)
//   damaged.mp4 clock.mp4 with the bytes of its pictures from 8.4 s to 11.6 s zeroed: nothing
//               from 8.4 s to the keyframe at 12 s can be decoded
//   damaged_end.mp4  the same with the pictures from 18.4 s to the end zeroed
// Returns the fixture's absolute path; fails the calling test (ADD_FAILURE) and returns an
// empty text when the tool cannot make it.
std::string fixture(const std::string& name);

// Every fixture with sound, one per container and sound codec.
const std::vector<std::string>& fixturesWithSound();

// The folder fixtures live in (created on demand).
std::string fixtureDir();

// A fresh empty folder for one test's files, removed by the caller when it wants.
std::string makeTempDir(const std::string& tag);

// Reads the frame number from a picture (0xFFRRGGBB pixels, rows of `stride` words).
// Returns -1 when the stripes cannot be read (a picture that is not a fixture frame).
int decodeFrameNumber(const uint32_t* pixels, int width, int height, int stride);
inline int decodeFrameNumber(const std::vector<uint32_t>& pixels, int width, int height) {
    return decodeFrameNumber(pixels.data(), width, height, width);
}

// Frame `n` (counted in display order) of `media` as the ffmpeg tool decodes it (turned
// upright on its own), after `filters`, written to `bmp` as a 24-bit bitmap converted with the
// scaler settings the engine uses. False when the tool fails.
bool writeToolFrame(const std::string& media, int n, const std::string& bmp,
                    const std::string& filters = "");

// Runs a shell command; returns its exit status.
int run(const std::string& command);

}  // namespace stillmar::test
