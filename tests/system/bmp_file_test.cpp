#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/system/bmp_file.h"
#include "tests/support/fixtures.h"

namespace fs = std::filesystem;
using stillmar::sys::BmpImage;

TEST(BmpFile, writesAReadable24BitFileWithPaddedBottomUpRows_inSeveralPieces) {
    const std::string dir = stillmar::test::makeTempDir("bmp");
    const std::string path = dir + "/odd.bmp";
    // 1001 pixels wide (four packed together, the last one alone): 3,003 bytes a row, padded
    // to 3,004; rows 1002 pixels apart in memory, the last never written; 600 rows make
    // several pieces of about half a megabyte.
    const int32_t w = 1001, h = 600, stride = 1002;
    std::vector<uint32_t> px(size_t(stride) * h);
    uint32_t seed = 7;
    for (uint32_t& p : px) p = 0xFF000000u | ((seed = seed * 1103515245u + 12345u) >> 8);
    ASSERT_TRUE(stillmar::sys::writeBmp24(path, w, h, px.data(), stride));
    EXPECT_EQ(fs::file_size(path), 54u + size_t(h) * 3004u);
    EXPECT_FALSE(fs::exists(path + ".part"));
    BmpImage img;
    ASSERT_TRUE(stillmar::sys::readBmp(path, img));
    EXPECT_EQ(img.bitsPerPixel, 24);
    ASSERT_EQ(img.width, w);
    ASSERT_EQ(img.height, h);
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            differing += img.pixels[size_t(y) * w + x] != px[size_t(y) * stride + x];
    EXPECT_EQ(differing, 0);
    std::ifstream raw(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(raw), {}};
    for (std::size_t row : {0u, 299u, 599u})
        EXPECT_EQ(bytes.at(54 + row * 3004 + 3003), 0) << "padding";
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

    // The reason comes back as the system's number, for the caller to put in words.
    using Kind = stillmar::sys::BmpError::Kind;
    stillmar::sys::BmpError error;
    EXPECT_FALSE(stillmar::sys::writeBmp24(dir + "/gone/b.bmp", 1, 1, &px, 1, &error));
    EXPECT_EQ(error.kind, Kind::System);
    EXPECT_EQ(error.systemError, ENOENT);
    EXPECT_FALSE(fs::exists(dir + "/gone"));
    EXPECT_FALSE(stillmar::sys::writeBmp24(dir + "/c.bmp", 0, 1, &px, 1, &error));
    EXPECT_EQ(error.kind, Kind::EmptyImage);
    EXPECT_FALSE(fs::exists(dir + "/c.bmp"));
    fs::remove_all(dir);
}
