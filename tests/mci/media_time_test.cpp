// Frames and milliseconds: a seek to a frame must read back as that frame at every rate.

#include <gtest/gtest.h>

#include "platform/mci/media_time.h"

namespace stillmar::mci {
namespace {

TEST(MediaTimeTest, aFramesFirstMillisecondReadsAsThatFrame_andTheOneBeforeAsThePrevious) {
    for (int32_t milliFps : {1000, 23976, 25000, 29970, 30000, 59940, 120000}) {
        const FrameRate rate{milliFps};
        for (int64_t n = 0; n < 200000; n += 7) {
            const int64_t ms = frameStartMs(n, rate);
            ASSERT_EQ(frameAt(ms, rate), n) << milliFps << " fps/1000, frame " << n;
            if (n > 0) {
                ASSERT_EQ(frameAt(ms - 1, rate), n - 1) << milliFps << ", frame " << n;
            }
        }
    }
}

TEST(MediaTimeTest, lengthsCountToTheNearestFrame_andNoRateConvertsNothing) {
    EXPECT_EQ(framesInLength(10000, FrameRate{29970}), 300);  // 299.7
    EXPECT_EQ(framesInLength(9000, FrameRate{29970}), 270);   // 269.73
    EXPECT_EQ(framesInLength(10019, FrameRate{25000}), 250);  // 250.475
    EXPECT_EQ(framesInLength(10020, FrameRate{25000}), 251);  // 250.5
    EXPECT_FALSE(FrameRate{}.known());
    EXPECT_EQ(frameAt(5000, FrameRate{}), 0);
    EXPECT_EQ(frameStartMs(5, FrameRate{}), 0);
}

}  // namespace
}  // namespace stillmar::mci
