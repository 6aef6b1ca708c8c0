#include "windows/frm_about.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <filesystem>

#include "platform/forms/label.h"
#include "platform/forms/message_box.h"
#include "platform/system/registry.h"
#include "platform/system/shell.h"
#include "tests/support/fixtures.h"
#include "tests/support/qt_app.h"

using namespace stillmar;
using sys::HKEY_LOCAL_MACHINE;

namespace {

const std::string kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString kNotFound = "Information Systeme introuvable !";

// An in-memory registry; shell requests and message boxes are recorded, not shown.
class AboutWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        sys::setRegistry(&registry_);
        sys::setShellHook([this](const sys::ShellRequest& r) {
            requests_.push_back(r);
            return startSucceeds_;
        });
        forms::setMessageBoxAnswerer([this](const forms::MessageBoxRequest& r) {
            boxes_.push_back(r);
            return forms::MsgBoxAnswer::Ok;
        });
    }
    void TearDown() override {
        sys::setRegistry(nullptr);
        sys::setShellHook({});
        forms::setMessageBoxAnswerer({});
    }
    QString value(const std::string& name, QString initial = "x", bool expected = true) {
        EXPECT_EQ(
            frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", QString::fromStdString(name), initial),
            expected)
            << name;
        return initial;
    }

    QApplication& app_ = test::qtApp();  // before any widget
    sys::MemoryRegistry registry_;
    std::vector<sys::ShellRequest> requests_;
    std::vector<forms::MessageBoxRequest> boxes_;
    bool startSucceeds_ = true;
};

}  // namespace

TEST_F(AboutWindow, loadSetsCaptionTitleAndVersionAndDetailsShowsTheAboutText) {
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), "A propos Stillmar");
    EXPECT_EQ(about.lblTitle->text(), "Stillmar");
    EXPECT_EQ(about.lblVersion->text(), "Version 1.0.0");
    EXPECT_EQ(about.cmdSysInfo->text(), "&Système Info...");
    EXPECT_EQ(about.lblDisclaimer->toolTip(), "Envoyer un courriel");

    about.Command1->click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, "A propos");
    EXPECT_EQ(boxes_[0].buttons, forms::MsgBoxButtons::OkOnly | forms::MsgBoxIcon::Information);
    const QStringList lines = boxes_[0].prompt.split(QChar(13));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_FALSE(boxes_[0].prompt.contains(QChar(10)));
    EXPECT_EQ(lines[0], "Stillmar version 1.0.0 - Enregistrement Wav - Mp3");
    EXPECT_EQ(lines[4], "Url : https://stillmar.example.org");
    EXPECT_EQ(lines[7], "Bmp une image issue d'un fichier vidéo.");
}

TEST_F(AboutWindow, getKeyValueReadsDwordsAndStrings) {
    registry_.setDword(HKEY_LOCAL_MACHINE, "K", "dword", 0x102);
    registry_.setDword(HKEY_LOCAL_MACHINE, "K", "zero", 0);
    registry_.setDword(HKEY_LOCAL_MACHINE, "K", "top", 0x80000000u);
    registry_.setString(HKEY_LOCAL_MACHINE, "K", "nul", "/usr/bin/système", true);
    registry_.setString(HKEY_LOCAL_MACHINE, "K", "bare", "/usr/bin/prog", false);
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "two", sys::REG_SZ, {'a', 0, 0});
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "binary", 3, {1, 2});
    EXPECT_EQ(value("dword"), "258");
    EXPECT_EQ(value("zero"), "0");
    EXPECT_EQ(value("top"), "-2147483648");
    EXPECT_EQ(value("nul"), "/usr/bin/système");
    EXPECT_EQ(value("bare"), "/usr/bin/prog");
    EXPECT_EQ(value("two"), QString("a") + QChar(0));  // only one NUL is dropped
    EXPECT_EQ(value("binary", "avant"), "avant");      // other types leave the text alone
}

TEST_F(AboutWindow, getKeyValueFailsOnMissingKeysValuesAndOversizedData) {
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "big", sys::REG_SZ, std::vector<uint8_t>(1025));
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "wide", sys::REG_DWORD, {1, 2, 3, 4, 5});
    QString v = "x";
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "Absent", "v", v));
    EXPECT_EQ(v, "");
    EXPECT_EQ(value("missing", "x", false), "");
    EXPECT_EQ(value("big", "x", false), "");
    EXPECT_EQ(value("wide", "x", false), "");
}

TEST_F(AboutWindow, startSysInfoStartsTheFirstKeysProgramWithoutCheckingIt) {
    registry_.setString(HKEY_LOCAL_MACHINE, kMsinfoKey, "PATH", "/nulle/part/sysinfo");
    frmAbout about;
    about.cmdSysInfo->click();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].kind, sys::ShellRequest::Kind::Start);
    EXPECT_EQ(requests_[0].target, "/nulle/part/sysinfo");
    EXPECT_TRUE(boxes_.empty());

    // A start that fails is reported like a missing program.
    startSucceeds_ = false;
    about.StartSysInfo();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].prompt, kNotFound);
}

TEST_F(AboutWindow, startSysInfoWithTheSecondKeyNeedsTheProgramInItsFolder) {
    frmAbout about;
    about.StartSysInfo();  // nothing registered
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].prompt, kNotFound);
    EXPECT_EQ(boxes_[0].buttons, forms::MsgBoxButtons::OkOnly);

    const std::string dir = test::makeTempDir("about_sysinfo");
    registry_.setString(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO", dir);
    about.StartSysInfo();
    EXPECT_TRUE(requests_.empty());
    EXPECT_EQ(boxes_.size(), 2u);

    QFile program(QString::fromStdString(dir) + "/MSINFO32.EXE");
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    about.StartSysInfo();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].target, program.fileName());
    EXPECT_EQ(boxes_.size(), 2u);
    std::filesystem::remove_all(dir);
}
