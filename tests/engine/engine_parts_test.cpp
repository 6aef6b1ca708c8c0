// The engine's building blocks: colour conversion, time conversion, the frames kept for steps.

#include <gtest/gtest.h>

#include <vector>

#include "platform/mci/engine/ff.h"
#include "platform/mci/engine/frame_converter.h"
#include "platform/mci/engine/frame_store.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace stillmar::mci::engine {
namespace {

// A flat 4:2:0 picture of one colour.
FramePtr flatFrame(int w, int h, uint8_t y, uint8_t u, uint8_t v) {
    FramePtr f = makeFrame();
    f->width = w;
    f->height = h;
    f->format = AV_PIX_FMT_YUV420P;
    if (av_frame_get_buffer(f.get(), 0) < 0) return nullptr;
    for (int row = 0; row < h; ++row) memset(f->data[0] + row * f->linesize[0], y, size_t(w));
    for (int row = 0; row < h / 2; ++row) {
        memset(f->data[1] + row * f->linesize[1], u, size_t(w / 2));
        memset(f->data[2] + row * f->linesize[2], v, size_t(w / 2));
    }
    return f;
}

struct Rgb {
    int r, g, b;
};
Rgb centre(const VideoFrame& img) {
    const uint32_t p =
        img.pixels[size_t(img.height / 2) * size_t(img.width) + size_t(img.width / 2)];
    EXPECT_EQ(p >> 24, 0xFFu);
    return Rgb{int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)};
}

TEST(FrameConverterTest, range_limitedAndFullMapAsLabelled) {
    FrameConverter conv;
    auto white = conv.convert(flatFrame(64, 48, 235, 128, 128).get(), Size{}, 0);
    ASSERT_TRUE(white);
    EXPECT_NEAR(centre(*white).r, 255, 1);
    EXPECT_NEAR(centre(*white).g, 255, 1);
    auto black = conv.convert(flatFrame(64, 48, 16, 128, 128).get(), Size{}, 0);
    ASSERT_TRUE(black);
    EXPECT_NEAR(centre(*black).b, 0, 1);

    FramePtr full = flatFrame(64, 48, 235, 128, 128);
    full->color_range = AVCOL_RANGE_JPEG;  // 235 is then a light grey, not white
    auto grey = conv.convert(full.get(), Size{}, 0);
    ASSERT_TRUE(grey);
    EXPECT_NEAR(centre(*grey).r, 235, 1);
}

TEST(FrameConverterTest, colourSpace_fromTheLabel_orFromTheHeightWhenUnlabelled) {
    // Pure red in BT.601; read as BT.709 the same values carry some green.
    FrameConverter conv;
    auto sd = conv.convert(flatFrame(64, 48, 81, 90, 240).get(), Size{}, 0);
    ASSERT_TRUE(sd);
    EXPECT_GE(centre(*sd).r, 250);
    EXPECT_LE(centre(*sd).g, 3);

    FramePtr labelled = flatFrame(64, 48, 81, 90, 240);
    labelled->colorspace = AVCOL_SPC_BT709;
    auto hdLabel = conv.convert(labelled.get(), Size{}, 0);
    ASSERT_TRUE(hdLabel);
    EXPECT_NEAR(centre(*hdLabel).g, 24, 4);

    auto tall = conv.convert(flatFrame(64, 720, 81, 90, 240).get(), Size{}, 0);
    ASSERT_TRUE(tall);
    EXPECT_NEAR(centre(*tall).g, 24, 4);
}

TEST(FrameConverterTest, scalesToTheAskedSize_andRefusesNoPicture) {
    FrameConverter conv;
    auto img = conv.convert(flatFrame(64, 48, 235, 128, 128).get(), Size{489, 372}, 1234);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->width, 489);
    EXPECT_EQ(img->height, 372);
    EXPECT_EQ(img->ptsMs, 1234);
    EXPECT_EQ(img->pixels.size(), size_t(489 * 372));
    EXPECT_FALSE(conv.convert(nullptr, Size{}, 0));
    FramePtr empty = makeFrame();
    EXPECT_FALSE(conv.convert(empty.get(), Size{}, 0));
}

// A picture with detail everywhere, so that any pixel made differently shows.
FramePtr noiseFrame(int w, int h, AVPixelFormat format) {
    FramePtr f = makeFrame();
    f->width = w;
    f->height = h;
    f->format = format;
    if (av_frame_get_buffer(f.get(), 0) < 0) return nullptr;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    uint32_t seed = 12345;
    for (int plane = 0; plane < 3; ++plane) {
        const int pw = plane ? AV_CEIL_RSHIFT(w, d->log2_chroma_w) : w;
        const int ph = plane ? AV_CEIL_RSHIFT(h, d->log2_chroma_h) : h;
        for (int row = 0; row < ph; ++row) {
            for (int x = 0; x < pw; ++x) {
                seed = seed * 1103515245u + 12345u;
                f->data[plane][row * f->linesize[plane] + x] = uint8_t(seed >> 16);
            }
        }
    }
    return f;
}

// The pixels the scaler makes packed, in one go, as drawing did before it went through planes.
std::vector<uint32_t> packedPixels(const AVFrame* f, Size size) {
    const bool full = f->format == AV_PIX_FMT_YUVJ422P;
    SwsContext* sws = sws_getContext(
        f->width, f->height, AVPixelFormat(f->format), size.w, size.h, AV_PIX_FMT_RGB32,
        SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
    if (!sws) return {};
    sws_setColorspaceDetails(sws, sws_getCoefficients(SWS_CS_ITU601), full ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    std::vector<uint32_t> pixels(size_t(size.w) * size_t(size.h));
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(pixels.data())};
    int stride[4] = {size.w * 4};
    sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride);
    sws_freeContext(sws);
    for (uint32_t& p : pixels) p |= 0xFF000000u;
    return pixels;
}

TEST(FrameConverterTest, slicesAndBitmapRows_giveTheSamePixelsAsOneThreadDrawing) {
    FrameConverter one, four(4);
    for (AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUV444P}) {
        FramePtr f = noiseFrame(641, 361, format);
        ASSERT_TRUE(f);
        // Its own size, a wider picture (square pixels from wide ones), a smaller one.
        for (Size size : {Size{}, Size{855, 361}, Size{489, 372}, Size{160, 90}, Size{20, 361},
                          Size{3000, 361}}) {
            auto a = one.convert(f.get(), size, 0);
            auto b = four.convert(f.get(), size, 0);
            ASSERT_TRUE(a && b);
            EXPECT_EQ(b->width, a->width);
            EXPECT_EQ(b->height, a->height);
            EXPECT_TRUE(a->pixels == b->pixels) << size.w << "x" << size.h;
            // Drawn through planes, the very pixels of the packed scaler.
            EXPECT_TRUE(a->pixels == packedPixels(f.get(), Size{a->width, a->height}))
                << av_get_pix_fmt_name(format) << " " << size.w << "x" << size.h;

            const BgrPicture rows = four.convertBgr(f.get(), size);
            ASSERT_TRUE(rows);
            ASSERT_EQ(rows.width(), a->width);
            ASSERT_EQ(rows.height(), a->height);
            std::vector<uint8_t> row(size_t(rows.width()) * 3);
            int differing = 0;
            for (int y = 0; y < rows.height(); ++y) {
                rows.row(y, row.data());
                for (int x = 0; x < rows.width(); ++x) {
                    const uint32_t p = a->pixels[size_t(y) * size_t(a->width) + size_t(x)];
                    const uint8_t* q = &row[size_t(x) * 3];
                    differing +=
                        q[0] != uint8_t(p) || q[1] != uint8_t(p >> 8) || q[2] != uint8_t(p >> 16);
                }
            }
            EXPECT_EQ(differing, 0)
                << av_get_pix_fmt_name(format) << " " << size.w << "x" << size.h;
        }
    }
    EXPECT_FALSE(four.convertBgr(nullptr, Size{}));
}

TEST(TimeConversionTest, badTimeBases_giveZero_andTimesInsideAFrameStayInIt) {
    EXPECT_EQ(toMs(12345, AVRational{0, 0}), 0);
    EXPECT_EQ(toMs(12345, AVRational{1, 0}), 0);
    EXPECT_EQ(fromMs(12345, AVRational{0, 1}), 0);
    EXPECT_EQ(toMs(AV_NOPTS_VALUE, AVRational{1, 1000}), 0);
    EXPECT_EQ(toMs(180000, AVRational{1, 90000}), 2000);
    // 70 ms lies inside frame 1 (40..80 ms) of a 25 fps stream.
    EXPECT_EQ(fromMs(70, AVRational{1, 25}), 1);
    EXPECT_EQ(fromMs(79, AVRational{1, 25}), 1);
    EXPECT_EQ(fromMs(80, AVRational{1, 25}), 2);
}

// Frames of 4:2:0 pictures, 64x64 (about 6 KB each), at times 0, 10, 20 ... ticks.
std::vector<FramePtr> timedFrames(int from, int count) {
    std::vector<FramePtr> frames;
    for (int i = from; i < from + count; ++i) {
        frames.push_back(flatFrame(64, 64, 16, 128, 128));
        frames.back()->best_effort_timestamp = 10 * i;
    }
    return frames;
}

TEST(FrameStoreTest, keepsOneStretchWithinItsBound_droppingTheEndFurthestFromTheStep) {
    const std::size_t each = FrameStore::frameBytes(timedFrames(0, 1)[0].get());
    ASSERT_GT(each, 64u * 64u);
    FrameStore store(5 * each);
    // Appended (playback, steps forward): the oldest go.
    for (const FramePtr& f : timedFrames(0, 8)) store.append(f.get());
    EXPECT_EQ(store.size(), 5u);
    EXPECT_LE(store.bytes(), 5 * each);
    EXPECT_EQ(store.first()->best_effort_timestamp, 30);
    EXPECT_EQ(store.after(40)->best_effort_timestamp, 50);
    EXPECT_EQ(store.before(40)->best_effort_timestamp, 30);
    EXPECT_EQ(store.before(30), nullptr);  // the first held: the stretch before is decoded
    EXPECT_EQ(store.after(70), nullptr);
    EXPECT_EQ(store.find(20), nullptr);

    // Prepended (a stretch decoded backwards): the newest held go first, then the run's oldest.
    store.prepend(timedFrames(0, 3));
    EXPECT_EQ(store.size(), 5u);
    EXPECT_EQ(store.first()->best_effort_timestamp, 0);
    EXPECT_EQ(store.last()->best_effort_timestamp, 40);
    store.prepend(timedFrames(-9, 9));
    EXPECT_EQ(store.size(), 5u);
    EXPECT_EQ(store.first()->best_effort_timestamp, -50);
    EXPECT_EQ(store.last()->best_effort_timestamp, -10);

    // A frame that does not follow starts another stretch; a frame larger than the bound is
    // still kept, alone.
    store.append(timedFrames(-3, 1)[0].get());
    EXPECT_EQ(store.size(), 1u);
    FrameStore tiny(each / 2);
    for (const FramePtr& f : timedFrames(0, 3)) tiny.append(f.get());
    EXPECT_EQ(tiny.size(), 1u);
    EXPECT_EQ(tiny.last()->best_effort_timestamp, 20);

    // While playing, only the last few frames.
    store.clear();
    store.limitFrames(2);
    for (const FramePtr& f : timedFrames(0, 4)) store.append(f.get());
    EXPECT_EQ(store.size(), 2u);
    EXPECT_EQ(store.bytes(), 2 * each);
}

}  // namespace
}  // namespace stillmar::mci::engine
