// Saves that fail, with the reason the user reads; the window run shows the saves that work.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <filesystem>
#include <fstream>

#include "capture/save_picture.h"
#include "tests/support/fixtures.h"
#include "tests/support/qt_app.h"

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

TEST_F(SavePictureTest, Save_failsWithTheReasonAndLeavesNoFile) {
    const QImage picture = gradient(64, 64);
    { std::ofstream(dir + "/plain") << "x"; }
    fs::create_directory(dir + "/Taken.bmp");
    // /dev/full opens and fails every write with "no space left".
    fs::create_symlink("/dev/full", dir + "/full.bmp.part");
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir + "/gone/Capture1.bmp", "n'existe pas"},
        {dir + "/plain/Capture1.bmp", "est un fichier, pas un dossier"},  // refused even for root
        {dir + "/Taken.bmp", "un dossier porte ce nom"},
        {dir + "/full.bmp", "le disque est plein"},
    };
    for (const auto& c : cases) {
        QString reason;
        EXPECT_FALSE(CapMod::SavePicture(picture, c.path, &reason)) << c.path;
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << reason.toStdString();
    }
    EXPECT_FALSE(fs::exists(dir + "/full.bmp"));

    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    QString reason;
    EXPECT_FALSE(CapMod::SaveClipboardPicture(dir + "/Capture2.bmp", &reason));
    EXPECT_EQ(reason, QStringLiteral("le presse-papiers ne contient pas d'image"));
    EXPECT_FALSE(fs::exists(dir + "/Capture2.bmp"));
}

}  // namespace
}  // namespace stillmar
