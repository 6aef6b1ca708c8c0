// Saving pictures as .bmp files: round trips, replacement and failures with their reasons.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <filesystem>
#include <fstream>

#include "capture/save_picture.h"
#include "platform/system/bmp_file.h"
#include "tests/forms/qt_app.h"
#include "tests/support/fixtures.h"

namespace stillmar {
namespace {

namespace fs = std::filesystem;

QImage gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x + y) % 256));
    return img;
}

class SavePictureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::qtApp();
        dir = test::makeTempDir("save_picture");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir;
};

TEST_F(SavePictureTest, SavePicture_writesA24BitBitmapAndReplacesAnExistingFile) {
    const std::string path = dir + "/Capture5.bmp";
    { std::ofstream(path) << "an older file, longer than nothing"; }
    const QImage picture = gradient(489, 372);  // odd width: rows are padded
    QString reason;
    ASSERT_TRUE(CapMod::SavePicture(picture, path, &reason)) << reason.toStdString();

    sys::BmpImage back;
    ASSERT_TRUE(sys::readBmp(path, back));
    EXPECT_EQ(back.bitsPerPixel, 24);
    ASSERT_EQ(back.width, 489);
    ASSERT_EQ(back.height, 372);
    for (int y = 0; y < 372; y += 37)
        for (int x = 0; x < 489; x += 41)
            ASSERT_EQ(back.pixels[size_t(y) * 489 + size_t(x)], picture.pixel(x, y))
                << x << "," << y;
    EXPECT_FALSE(fs::exists(path + ".part"));
}

TEST_F(SavePictureTest, SavePicture_failsWithAReasonWhenTheFolderCannotHoldTheFile) {
    const QImage picture = gradient(8, 8);
    QString reason;

    EXPECT_FALSE(CapMod::SavePicture(picture, dir + "/gone/Capture1.bmp", &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("n'existe pas"))) << reason.toStdString();

    // A folder path whose parent is a regular file: refused even for root.
    { std::ofstream(dir + "/plain") << "x"; }
    EXPECT_FALSE(CapMod::SavePicture(picture, dir + "/plain/Capture1.bmp", &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("fichier"))) << reason.toStdString();
    EXPECT_FALSE(CapMod::SavePicture(picture, dir + "/plain/sub/Capture1.bmp", &reason));
    EXPECT_FALSE(reason.isEmpty());

    // A folder that holds a folder of the file's name.
    fs::create_directory(dir + "/Capture2.bmp");
    EXPECT_FALSE(CapMod::SavePicture(picture, dir + "/Capture2.bmp", &reason));
    EXPECT_EQ(reason, QStringLiteral("un dossier porte ce nom"));

    EXPECT_FALSE(CapMod::SavePicture(QImage(), dir + "/Capture3.bmp", &reason));
    EXPECT_EQ(reason, QStringLiteral("l'image est vide"));
    EXPECT_FALSE(fs::exists(dir + "/Capture3.bmp"));
}

TEST_F(SavePictureTest, SavePicture_reportsAFullDisk) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // /dev/full accepts opening and fails every write with ENOSPC; its folder exists.
    QString reason;
    std::error_code ec;
    const std::string link = dir + "/full.bmp.part";
    fs::create_symlink("/dev/full", link, ec);
    ASSERT_FALSE(ec);
    EXPECT_FALSE(CapMod::SavePicture(gradient(64, 64), dir + "/full.bmp", &reason));
    EXPECT_EQ(reason, QStringLiteral("le disque est plein"));
    EXPECT_FALSE(fs::exists(dir + "/full.bmp"));
}

TEST_F(SavePictureTest, SaveClipboardPicture_needsABitmapOnTheClipboard) {
    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    QString reason;
    EXPECT_FALSE(CapMod::SaveClipboardPicture(dir + "/Capture1.bmp", &reason));
    EXPECT_EQ(reason, QStringLiteral("le presse-papiers ne contient pas d'image"));
    EXPECT_FALSE(fs::exists(dir + "/Capture1.bmp"));

    QGuiApplication::clipboard()->setImage(gradient(10, 6));
    ASSERT_TRUE(CapMod::SaveClipboardPicture(dir + "/Capture1.bmp", &reason));
    sys::BmpImage back;
    ASSERT_TRUE(sys::readBmp(dir + "/Capture1.bmp", back));
    EXPECT_EQ(back.width, 10);
    EXPECT_EQ(back.pixels[5], gradient(10, 6).pixel(5, 0));
}

}  // namespace
}  // namespace stillmar
