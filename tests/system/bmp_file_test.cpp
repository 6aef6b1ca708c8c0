#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/system/bmp_file.h"
#include "tests/support/fixtures.h"

namespace fs = std::filesystem;
using stillmar::sys::BmpImage;

TEST(BmpFile, writesAReadable24BitFileWithPaddedBottomUpRows) {
    const std::string dir = stillmar::test::makeTempDir("bmp");
    const std::string path = dir + "/odd.bmp";
    // 3 pixels wide: 9 bytes a row, padded to 12.
    const std::vector<uint32_t> px = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                      0xFF010203, 0xFFFFFFFF, 0xFF000000};
    ASSERT_TRUE(stillmar::sys::writeBmp24(path, 3, 2, px.data(), 3));
    EXPECT_EQ(fs::file_size(path), 54u + 2 * 12u);
    BmpImage img;
    ASSERT_TRUE(stillmar::sys::readBmp(path, img));
    EXPECT_EQ(img.bitsPerPixel, 24);
    EXPECT_EQ(img.width, 3);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.pixels, px);
    fs::remove_all(dir);
}

TEST(BmpFile, replacesAnExistingFileAndFailsCleanlyInAMissingFolder) {
    const std::string dir = stillmar::test::makeTempDir("bmp");
    const std::string path = dir + "/a.bmp";
    { std::ofstream(path) << "old content that is not a bitmap"; }
    const uint32_t px = 0xFF112233;
    ASSERT_TRUE(stillmar::sys::writeBmp24(path, 1, 1, &px, 1));
    BmpImage img;
    ASSERT_TRUE(stillmar::sys::readBmp(path, img));
    EXPECT_EQ(img.pixels[0], px);

    std::string error;
    EXPECT_FALSE(stillmar::sys::writeBmp24(dir + "/gone/b.bmp", 1, 1, &px, 1, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir + "/gone"));
    EXPECT_FALSE(stillmar::sys::writeBmp24(dir + "/c.bmp", 0, 1, &px, 1, &error));
    EXPECT_FALSE(fs::exists(dir + "/c.bmp"));
    fs::remove_all(dir);
}
