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
#include "tests/windows/windows_test_app.h"

using namespace stillmar;
using sys::HKEY_LOCAL_MACHINE;

namespace {

const std::string kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

// Installs an in-memory registry and records shell requests and message boxes.
class AboutWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        test::windowsApp();
        sys::setRegistry(&registry_);
        sys::setShellHook([this](const sys::ShellRequest& r) {
            requests_.push_back(r);
            return startSucceeds_;
        });
        forms::setMessageBoxAnswerer([this](const forms::MessageBoxRequest& r) {
            boxes_.push_back(r);
            return forms::vbOK;
        });
    }
    void TearDown() override {
        sys::setRegistry(nullptr);
        sys::setShellHook({});
        forms::setMessageBoxAnswerer({});
    }

    sys::MemoryRegistry registry_;
    std::vector<sys::ShellRequest> requests_;
    std::vector<forms::MessageBoxRequest> boxes_;
    bool startSucceeds_ = true;
};

}  // namespace

TEST_F(AboutWindow, loadSetsCaptionTitleAndVersion) {
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), "A propos Stillmar");
    EXPECT_EQ(about.lblTitle->text(), "Stillmar");
    EXPECT_EQ(about.lblVersion->text(), "Version 1.0.0");
    EXPECT_EQ(about.Command1->text(), "Détails...");
    EXPECT_EQ(about.cmdSysInfo->text(), "&Système Info...");
    EXPECT_EQ(about.cmdSysInfo->toolTip(), "Informations système");
    EXPECT_EQ(about.cmdOK->text(), "OK");
    EXPECT_TRUE(about.Label3->text().startsWith("URL : "));
    EXPECT_TRUE(about.lblDisclaimer->text().startsWith("E-Mail : "));
    EXPECT_EQ(about.lblDisclaimer->toolTip(), "Envoyer un courriel");
    EXPECT_FALSE(about.Image1->pixmap().isNull());
    EXPECT_FALSE(about.Image2->pixmap().isNull());
}

TEST_F(AboutWindow, okClosesTheWindow) {
    frmAbout about;
    about.show();
    about.cmdOK->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(AboutWindow, detailsShowsTheAboutTextWithCarriageReturns) {
    frmAbout about;
    about.Command1->click();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, "A propos");
    EXPECT_EQ(boxes_[0].buttons, forms::vbOKOnly | forms::vbInformation);
    const QStringList lines = boxes_[0].prompt.split(QChar(13));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_FALSE(boxes_[0].prompt.contains(QChar(10)));
    EXPECT_EQ(lines[0], "Stillmar version 1.0.0 - Enregistrement Wav - Mp3");
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].startsWith("Auteur : "));
    EXPECT_EQ(lines[3], "E-Mail : contact@stillmar.example.org");
    EXPECT_EQ(lines[4], "Url : https://stillmar.example.org");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "Stillmar permet d'enregistrer au format");
    EXPECT_EQ(lines[7], "Bmp une image issue d'un fichier vidéo.");
}

TEST_F(AboutWindow, linksAreHandedToTheDesktop) {
    frmAbout about;
    emit about.Label3->click();
    emit about.Image2->click();
    emit about.lblDisclaimer->click();
    ASSERT_EQ(requests_.size(), 3u);
    for (const auto& r : requests_) EXPECT_EQ(r.kind, sys::ShellRequest::Kind::Open);
    EXPECT_EQ(requests_[0].target, "https://stillmar.example.org");
    EXPECT_FALSE(requests_[0].directory.isEmpty());
    EXPECT_EQ(requests_[1].target, "https://stillmar.example.org/don");
    EXPECT_EQ(requests_[2].target, "mailto:contact@stillmar.example.org");
    EXPECT_TRUE(requests_[2].directory.isEmpty());
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(AboutWindow, getKeyValueReadsDwordsAsSignedDecimal) {
    registry_.setDword(HKEY_LOCAL_MACHINE, "K", "small", 0x102);
    registry_.setDword(HKEY_LOCAL_MACHINE, "K", "zero", 0);
    registry_.setDword(HKEY_LOCAL_MACHINE, "K", "top", 0x80000000u);
    registry_.setDword(HKEY_LOCAL_MACHINE, "K", "all", 0xFFFFFFFFu);
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "wide", sys::REG_DWORD, {1, 2, 3, 4, 5});
    QString v;
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "small", v));
    EXPECT_EQ(v, "258");
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "zero", v));
    EXPECT_EQ(v, "0");
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "top", v));
    EXPECT_EQ(v, "-2147483648");
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "all", v));
    EXPECT_EQ(v, "-1");
    v = "x";
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "wide", v));
    EXPECT_EQ(v, "");
}

TEST_F(AboutWindow, getKeyValueDropsOneTerminatingNulOfAString) {
    registry_.setString(HKEY_LOCAL_MACHINE, "K", "nul", "/usr/bin/prog", true);
    registry_.setString(HKEY_LOCAL_MACHINE, "K", "bare", "/usr/bin/prog", false);
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "two", sys::REG_SZ, {'a', 0, 0});
    registry_.setString(HKEY_LOCAL_MACHINE, "K", "accent", "/opt/système", true);
    QString v;
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "nul", v));
    EXPECT_EQ(v, "/usr/bin/prog");
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "bare", v));
    EXPECT_EQ(v, "/usr/bin/prog");
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "two", v));
    EXPECT_EQ(v, QString("a") + QChar(0));
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "accent", v));
    EXPECT_EQ(v, "/opt/système");
}

TEST_F(AboutWindow, getKeyValueFailsOnMissingKeysValuesAndOversizedData) {
    registry_.addKey(HKEY_LOCAL_MACHINE, "Empty");
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "big", sys::REG_SZ,
                       std::vector<uint8_t>(1025, 'a'));
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "full", sys::REG_SZ,
                       std::vector<uint8_t>(1024, 'b'));
    registry_.setValue(HKEY_LOCAL_MACHINE, "K", "binary", 3, {1, 2});
    QString v = "x";
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "Absent", "v", v));
    EXPECT_EQ(v, "");
    v = "x";
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "Empty", "v", v));
    EXPECT_EQ(v, "");
    v = "x";
    EXPECT_FALSE(frmAbout::GetKeyValue(0x80000001u, "K", "full", v));
    EXPECT_FALSE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "big", v));
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "full", v));
    EXPECT_EQ(v.size(), 1024);
    // Other types are read but leave the text as it was.
    v = "avant";
    EXPECT_TRUE(frmAbout::GetKeyValue(HKEY_LOCAL_MACHINE, "K", "binary", v));
    EXPECT_EQ(v, "avant");
}

TEST_F(AboutWindow, startSysInfoStartsTheFirstKeysProgramWithoutCheckingIt) {
    registry_.setString(HKEY_LOCAL_MACHINE, kMsinfoKey, "PATH", "/nulle/part/sysinfo");
    frmAbout about;
    about.cmdSysInfo->click();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].kind, sys::ShellRequest::Kind::Start);
    EXPECT_EQ(requests_[0].target, "/nulle/part/sysinfo");
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(AboutWindow, startSysInfoUsesTheSecondKeyOnlyWhenItsFolderHoldsTheProgram) {
    const std::string dir = test::makeTempDir("about_sysinfo");
    registry_.setString(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO", dir);
    frmAbout about;
    about.StartSysInfo();
    EXPECT_TRUE(requests_.empty());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].prompt, "Information Systeme introuvable !");
    EXPECT_EQ(boxes_[0].buttons, forms::vbOKOnly);

    QFile program(QString::fromStdString(dir) + "/MSINFO32.EXE");
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    about.StartSysInfo();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].target, QString::fromStdString(dir) + "/MSINFO32.EXE");
    EXPECT_EQ(boxes_.size(), 1u);
    std::filesystem::remove_all(dir);
}

TEST_F(AboutWindow, startSysInfoSaysSoWhenNothingIsRegisteredOrTheStartFails) {
    frmAbout about;
    about.StartSysInfo();
    EXPECT_TRUE(requests_.empty());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].prompt, "Information Systeme introuvable !");

    registry_.setString(HKEY_LOCAL_MACHINE, kMsinfoKey, "PATH", "/nulle/part/sysinfo");
    startSucceeds_ = false;
    about.StartSysInfo();
    EXPECT_EQ(requests_.size(), 1u);
    EXPECT_EQ(boxes_.size(), 2u);
}
