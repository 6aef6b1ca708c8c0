#include "windows/frm_fichier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/system/bmp_file.h"
#include "platform/system/shell.h"
#include "tests/support/fixtures.h"
#include "tests/support/qt_app.h"
#include "windows/folder_view.h"

using namespace stillmar;
namespace fs = std::filesystem;

namespace {

// Processes events until `done` holds; false if it never does within a generous bound.
bool waitUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 20000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void writePicture(const std::string& path, uint32_t colour, int ageSeconds) {
    std::vector<uint32_t> pixels(64 * 48, colour);
    ASSERT_TRUE(sys::writeBmp24(path, 64, 48, pixels.data(), 64));
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
}

class FilesWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        test::qtApp();
        dir_ = test::makeTempDir("frm_fichier");
    }
    void TearDown() override {
        frmFichier::Unload();
        sys::setShellHook({});
        fs::remove_all(dir_);
    }

    std::string dir_;
};

}  // namespace

TEST_F(FilesWindow, listsNewestFirstWithThumbnailsAndFollowsNewCaptures) {
    writePicture(dir_ + "/Capture1.bmp", 0xFFFF0000, 30);
    writePicture(dir_ + "/Capture2.bmp", 0xFF00FF00, 20);
    std::ofstream(dir_ + "/notes.txt") << "x";
    fs::last_write_time(dir_ + "/notes.txt",
                        fs::file_time_type::clock::now() - std::chrono::seconds(100));

    frmFichier& window = frmFichier::Default();
    const QString folder = QString::fromStdString(dir_);
    window.setCaption(folder);
    window.WebBrowser1->Navigate(folder);
    window.ShowModeless();
    FolderView& view = *window.WebBrowser1;
    EXPECT_EQ(window.windowTitle(), folder);
    EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull());
    EXPECT_EQ(view.LocationURL(), folder);
    EXPECT_EQ(view.entryNames(), QStringList({"Capture2.bmp", "Capture1.bmp", "notes.txt"}));
    EXPECT_TRUE(waitUntil(
        [&] { return view.hasThumbnail("Capture1.bmp") && view.hasThumbnail("Capture2.bmp"); }));
    EXPECT_FALSE(view.hasThumbnail("notes.txt"));

    // A capture written while the window is open comes first, with its picture.
    writePicture(dir_ + "/Capture3.bmp", 0xFF0000FF, 0);
    EXPECT_TRUE(waitUntil([&] { return view.entryNames().value(0) == "Capture3.bmp"; }));
    EXPECT_TRUE(waitUntil([&] { return view.hasThumbnail("Capture3.bmp"); }));
    const QImage thumb = view.item(0)->icon().pixmap(FolderView::kThumbnailSize).toImage();
    EXPECT_EQ(thumb.pixelColor(thumb.width() / 2, thumb.height() / 2), QColor(0, 0, 255));

    // And one removed goes away.
    fs::remove(dir_ + "/Capture1.bmp");
    EXPECT_TRUE(waitUntil([&] { return !view.entryNames().contains("Capture1.bmp"); }));
}

TEST_F(FilesWindow, sameInstantCapturesGoByDescendingNumberAndActivationOpensThem) {
    for (int i : {1, 2, 10, 9})
        writePicture(dir_ + "/Capture" + std::to_string(i) + ".bmp", 0xFFFFFFFF, 0);
    const auto same = fs::last_write_time(dir_ + "/Capture1.bmp");
    for (int i : {2, 10, 9})
        fs::last_write_time(dir_ + "/Capture" + std::to_string(i) + ".bmp", same);
    FolderView view;
    view.Navigate(QString::fromStdString(dir_));
    EXPECT_EQ(view.entryNames(),
              QStringList({"Capture10.bmp", "Capture9.bmp", "Capture2.bmp", "Capture1.bmp"}));

    std::vector<sys::ShellRequest> requests;
    sys::setShellHook([&](const sys::ShellRequest& r) {
        requests.push_back(r);
        return true;
    });
    emit view.itemActivated(view.item(1));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, sys::ShellRequest::Kind::Open);
    EXPECT_EQ(requests[0].target, QString::fromStdString(dir_ + "/Capture9.bmp"));
}
