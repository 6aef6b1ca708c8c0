#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/system/bmp_file.h"
#include "tests/support/fixtures.h"

namespace fs = std::filesystem;
using stillmar::sys::BmpImage;

TEST(BmpFile, writesAReadable24BitFileWithPaddedBottomUpRows) {
    const std::string dir = stillmar::test::makeTempDir("bmp");
    const std::string path = dir + "/odd.bmp";
    // 7 pixels wide (four packed together, three one by one): 21 bytes a row, padded to 24;
    // rows 8 pixels apart in memory, the eighth never written.
    std::vector<uint32_t> px(16);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | uint32_t(i * 0x0B1D3F);
    ASSERT_TRUE(stillmar::sys::writeBmp24(path, 7, 2, px.data(), 8));
    EXPECT_EQ(fs::file_size(path), 54u + 2 * 24u);
    BmpImage img;
    ASSERT_TRUE(stillmar::sys::readBmp(path, img));
    EXPECT_EQ(img.bitsPerPixel, 24);
    EXPECT_EQ(img.width, 7);
    EXPECT_EQ(img.height, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(img.pixels[y * 7 + x], px[y * 8 + x]) << x << "," << y;
    std::ifstream raw(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(raw), {}};
    for (std::size_t row : {54u, 54u + 24u})
        for (std::size_t i = 21; i < 24; ++i) EXPECT_EQ(bytes.at(row + i), 0) << "padding";
    fs::remove_all(dir);
}

TEST(BmpFile, aPictureWrittenInSeveralPieces_readsBackRowForRow) {
    // 3,003 bytes a row: the file is written about half a megabyte at a time.
    const std::string dir = stillmar::test::makeTempDir("bmp");
    const std::string path = dir + "/big.bmp";
    const int32_t w = 1001, h = 600;
    std::vector<uint32_t> px(size_t(w) * h);
    uint32_t seed = 7;
    for (uint32_t& p : px) p = 0xFF000000u | ((seed = seed * 1103515245u + 12345u) >> 8);
    ASSERT_TRUE(stillmar::sys::writeBmp24(path, w, h, px.data(), w));
    EXPECT_EQ(fs::file_size(path), 54u + size_t(h) * 3004u);
    BmpImage img;
    ASSERT_TRUE(stillmar::sys::readBmp(path, img));
    ASSERT_EQ(img.width, w);
    ASSERT_EQ(img.height, h);
    EXPECT_TRUE(img.pixels == px);
    EXPECT_FALSE(fs::exists(path + ".part"));
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
