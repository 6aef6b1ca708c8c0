// Pictures as people should see them: clips tagged with a rotation come out upright and
// interlaced frames deinterlaced, each equal to what the ffmpeg tool itself makes of the same
// frame; progressive, unrotated video is converted exactly as before.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

extern "C" {
#include <libavutil/display.h>
}

#include "platform/mci/engine/ff.h"
#include "platform/mci/media_engine.h"
#include "platform/system/bmp_file.h"
#include "tests/engine/test_surface.h"
#include "tests/support/fixtures.h"

namespace stillmar::mci {
namespace {

using namespace std::chrono_literals;

class PictureTest : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = test::makeTempDir("engine-picture"); }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // The engine's capture of what it shows.
    sys::BmpImage capture(MediaEngine& engine) {
        sys::BmpImage image;
        const std::string bmp = dir_ + "/engine.bmp";
        EXPECT_EQ(engine.captureFrame(bmp), EngineStatus::Ok);
        EXPECT_TRUE(sys::readBmp(bmp, image));
        return image;
    }
    // Frame `n` of `path` as the ffmpeg tool makes it (it turns pictures upright on its own),
    // after `filters`, converted to RGB with the scaler settings the engine uses.
    sys::BmpImage toolFrame(const std::string& path, int n, const std::string& filters = "") {
        const std::string bmp = dir_ + "/tool.bmp";
        sys::BmpImage image;
        EXPECT_TRUE(test::writeToolFrame(path, n, bmp, filters));
        EXPECT_TRUE(sys::readBmp(bmp, image));
        return image;
    }

    std::string dir_;
};

// The largest difference of one colour channel between two pictures of the same size.
int largestDifference(const sys::BmpImage& a, const sys::BmpImage& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size())
        return 256;
    int most = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift : {0, 8, 16})
            most = std::max(most, std::abs(int((a.pixels[i] >> shift) & 0xff) -
                                           int((b.pixels[i] >> shift) & 0xff)));
    }
    return most;
}

// Combing: how much each line differs from the next (a line of the other field) against how
// much it differs from the line after that (the same field). A woven frame with motion has
// far more of the first; a deinterlaced one about as much of both.
double combing(const sys::BmpImage& image) {
    auto luma = [&](int x, int y) {
        const uint32_t p = image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)];
        return (int((p >> 16) & 0xff) * 299 + int((p >> 8) & 0xff) * 587 + int(p & 0xff) * 114) /
               1000.0;
    };
    double otherField = 0, sameField = 0;
    for (int y = 0; y + 2 < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double a = luma(x, y), b = luma(x, y + 1), c = luma(x, y + 2);
            otherField += (a - b) * (a - b);
            sameField += (a - c) * (a - c);
        }
    }
    return sameField > 0 ? otherField / sameField : 0;
}

// Copies `source` into an MP4 whose video carries a display matrix turning it `degrees`
// counter-clockwise, mirrored left to right first when `mirror` (the ffmpeg tool's command line
// cannot write such a matrix).
bool remuxWithMatrix(const std::string& source, const std::string& out, double degrees,
                     bool mirror) {
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, source.c_str(), nullptr, nullptr) < 0) return false;
    engine::FormatPtr input(in);
    AVFormatContext* raw = nullptr;
    if (avformat_find_stream_info(in, nullptr) < 0 ||
        avformat_alloc_output_context2(&raw, nullptr, "mp4", out.c_str()) < 0)
        return false;
    const std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> output(
        raw, [](AVFormatContext* f) {
            if (f->pb) avio_closep(&f->pb);
            avformat_free_context(f);
        });
    AVStream* st = avformat_new_stream(raw, nullptr);
    if (!st || in->nb_streams < 1 ||
        avcodec_parameters_copy(st->codecpar, in->streams[0]->codecpar) < 0)
        return false;
    st->codecpar->codec_tag = 0;
    st->time_base = in->streams[0]->time_base;
    auto* matrix = reinterpret_cast<int32_t*>(
        av_stream_new_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
    if (!matrix) return false;
    av_display_rotation_set(matrix, degrees);
    if (mirror) av_display_matrix_flip(matrix, 1, 0);
    if (avio_open(&raw->pb, out.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(raw, nullptr) < 0)
        return false;
    engine::PacketPtr pkt = engine::makePacket();
    while (pkt && av_read_frame(in, pkt.get()) >= 0) {
        if (pkt->stream_index == 0) {
            av_packet_rescale_ts(pkt.get(), in->streams[0]->time_base, st->time_base);
            pkt->stream_index = 0;
            if (av_interleaved_write_frame(raw, pkt.get()) < 0) return false;
        }
        av_packet_unref(pkt.get());
    }
    return av_write_trailer(raw) >= 0;
}

TEST_F(PictureTest, mirroredDisplayMatrices_areShownAsTheToolShowsThem) {
    const std::string source = test::fixture("pattern.mp4");
    ASSERT_FALSE(source.empty());
    for (const double degrees : {0.0, 90.0, 180.0, 270.0}) {
        SCOPED_TRACE(degrees);
        const std::string path = dir_ + "/mirrored.mp4";
        ASSERT_TRUE(remuxWithMatrix(source, path, degrees, true));
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(path), EngineStatus::Ok);
        engine->seek(1000);
        const sys::BmpImage mine = capture(*engine);
        const sys::BmpImage tool = toolFrame(path, 25);
        EXPECT_EQ(mine.width, tool.width);
        EXPECT_LE(largestDifference(mine, tool), 2);
        // Not merely the stored picture: a mirror always changes it.
        EXPECT_GT(largestDifference(mine, toolFrame(source, 25)), 16);
    }
}

TEST_F(PictureTest, clipsTaggedWithARotation_areShownAndCapturedUpright) {
    for (const int degrees : {90, 180, 270}) {
        SCOPED_TRACE(degrees);
        const std::string path = test::fixture("turned" + std::to_string(degrees) + ".mp4");
        ASSERT_FALSE(path.empty());
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(path), EngineStatus::Ok);
        const Size upright = degrees == 180 ? Size{320, 240} : Size{240, 320};
        EXPECT_EQ(engine->info().videoSize, upright);
        test::TestSurface surface;
        engine->setSurface(&surface);
        engine->seek(1000);
        ASSERT_TRUE(surface.presented());
        EXPECT_EQ(surface.presented()->width, upright.w);
        EXPECT_EQ(surface.presented()->height, upright.h);
        const sys::BmpImage mine = capture(*engine);
        EXPECT_EQ(mine.width, upright.w);
        EXPECT_EQ(mine.height, upright.h);
        EXPECT_LE(largestDifference(mine, toolFrame(path, 25)), 2);
        // Frame steps show their frames upright too, the one after and the one before.
        engine->step(1);
        EXPECT_LE(largestDifference(capture(*engine), toolFrame(path, 26)), 2);
        engine->step(-2);
        EXPECT_LE(largestDifference(capture(*engine), toolFrame(path, 24)), 2);
        engine->setSurface(nullptr);
    }
}

// Flagged interlaced by the decoder (MPEG-2), or only by the container's field order (a
// progressive codec carrying woven pictures).
TEST_F(PictureTest, interlacedFrames_areDeinterlacedInStillsAndInPlayback) {
    for (const char* name : {"interlaced.mpg", "woven.mkv"}) {
        SCOPED_TRACE(name);
        const std::string path = test::fixture(name);
        ASSERT_FALSE(path.empty());
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(path), EngineStatus::Ok);
        test::TestSurface surface;
        engine->setSurface(&surface);
        // A still: frame 25, reached by an exact seek.
        engine->seek(1000);
        const sys::BmpImage still = capture(*engine);
        const sys::BmpImage woven = toolFrame(path, 25);
        const sys::BmpImage tool = toolFrame(path, 25, "setfield=tff,bwdif=mode=send_frame");
        // The woven frame combs; the still drops to what the deinterlacer gives.
        EXPECT_LT(combing(tool), 0.7 * combing(woven));
        EXPECT_NEAR(combing(still), combing(tool), 0.05 * combing(tool));
        EXPECT_LE(largestDifference(still, tool), 2);
        // Stepping forward filters on from the still; stepping back from a seek decodes the
        // stretch before it (from the keyframe, frame 24) and filters that.
        const std::string deinterlace = "setfield=tff,bwdif=mode=send_frame";
        engine->step(1);
        EXPECT_LE(largestDifference(capture(*engine), toolFrame(path, 26, deinterlace)), 2);
        engine->seek(1080);
        engine->step(-2);
        EXPECT_LE(largestDifference(capture(*engine), toolFrame(path, 25, deinterlace)), 2);

        // Playback: the frame left on screen at the end of a range was filtered on the way.
        engine->play(1200, 2000);
        ASSERT_TRUE(engine->waitUntilStopped(20s));
        const sys::BmpImage played = capture(*engine);
        const sys::BmpImage toolPlayed = toolFrame(path, 50, "setfield=tff,bwdif=mode=send_frame");
        EXPECT_GT(largestDifference(played, toolFrame(path, 50)), 16);  // not the woven frame
        EXPECT_LE(largestDifference(played, toolPlayed), 2);
        engine->setSurface(nullptr);
    }
}

TEST_F(PictureTest, progressiveUnturnedVideo_isConvertedExactlyAsDecoded) {
    const std::string path = test::fixture("pattern.mp4");
    ASSERT_FALSE(path.empty());
    auto engine = createMediaEngine();
    ASSERT_EQ(engine->open(path), EngineStatus::Ok);
    EXPECT_EQ(engine->info().videoSize, (Size{320, 240}));
    engine->seek(1520);
    EXPECT_EQ(largestDifference(capture(*engine), toolFrame(path, 38)), 0);
}

// The chain a person would give the ffmpeg tool to see an HDR picture as ordinary video; `size`
// scales it down first.
std::string toneMapChain(bool hdr, const std::string& size = "") {
    return "zscale=" + (size.empty() ? "" : size + ":f=bicubic:") +
           "t=linear:npl=100,format=gbrpf32le,zscale=p=bt709," +
           (hdr ? "tonemap=tonemap=hable:desat=0," : "") + "zscale=t=bt709:m=bt709:r=tv";
}

// A 10-bit HEVC clip in BT.2020 with transfer `trc` (PQ, HLG or plain BT.709), as phones make;
// over 576 lines, where unlabelled video is taken for BT.709 rather than BT.601.
std::string makeWideClip(const std::string& dir, const std::string& trc) {
    const std::string path = dir + "/" + trc + ".mp4";
    const int rc = test::run(
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=s=320x600:r=25:d=2"
        " -vf \"format=yuv420p,zscale=tin=bt709:min=bt709:pin=bt709:rin=tv:t=" +
        trc +
        ":p=bt2020:m=bt2020nc:r=tv:npl=100,format=yuv420p10le\" -c:v libx265"
        " -x265-params log-level=error -color_trc " +
        trc + " -color_primaries bt2020 -colorspace bt2020nc \"" + path + "\"");
    EXPECT_EQ(rc, 0);
    return rc == 0 ? path : "";
}

sys::BmpImage asImage(const VideoFrame& frame) {
    return {frame.width, frame.height, 32, frame.pixels};
}

// PQ and HLG pictures are tone-mapped to BT.709, and a BT.2020 picture with an ordinary
// transfer only has its gamut converted: in stills at full size and in the window at the size
// shown, as the ffmpeg tool makes them through the same chain.
TEST_F(PictureTest, wideGamutAndHdrClips_lookAsTheToolMapsThem) {
    for (const auto& [trc, hdr] : {std::pair{"smpte2084", true}, std::pair{"arib-std-b67", true},
                                   std::pair{"bt709", false}}) {
        SCOPED_TRACE(trc);
        const std::string path = makeWideClip(dir_, trc);
        ASSERT_FALSE(path.empty());
        auto engine = createMediaEngine();
        ASSERT_EQ(engine->open(path), EngineStatus::Ok);
        test::TestSurface surface;
        surface.setTargetSize({160, 120});  // smaller, and under 576 lines
        engine->setSurface(&surface);
        engine->seek(1000);

        const sys::BmpImage still = capture(*engine);
        EXPECT_LE(largestDifference(still, toolFrame(path, 25, toneMapChain(hdr))), 2);
        // The code values read as ordinary video look far off.
        EXPECT_GT(largestDifference(still, toolFrame(path, 25)), 40);

        ASSERT_TRUE(surface.presented());
        const sys::BmpImage shown = asImage(*surface.presented());
        EXPECT_EQ(shown.width, 160);
        EXPECT_LE(largestDifference(shown, toolFrame(path, 25, toneMapChain(hdr, "w=160:h=120"))),
                  2);

        // Played frames take the same way.
        engine->play(1200, 1600);
        ASSERT_TRUE(engine->waitUntilStopped(20s));
        EXPECT_LE(largestDifference(asImage(*surface.presented()),
                                    toolFrame(path, 40, toneMapChain(hdr, "w=160:h=120"))),
                  2);
        engine->setSurface(nullptr);
    }
}

}  // namespace
}  // namespace stillmar::mci
