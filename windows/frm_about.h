#pragma once
// frmAbout: the About box, shown modally by the main window.

#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QPushButton;
class QFrame;

namespace stillmar::forms {
class Label;
}

namespace stillmar {

// Endpoints and credits shown by the window.
struct AboutLinks {
    static const QString WebSite;
    static const QString DonationPage;
    static const QString EMail;
    static const QString Author;
};

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Shows a new About box modally over `owner` and returns when it is closed.
    static void ShowModal(QWidget* owner);

    // Starts the system-information program named in the registry, or says it is missing.
    void StartSysInfo();
    // Reads value `SubKeyRef` of key `KeyName` under `KeyRoot` into `KeyVal` (REG_SZ as text,
    // REG_DWORD as its signed decimal text; other types leave `KeyVal` as it was). False, with
    // `KeyVal` empty, when the key or the value cannot be read.
    static bool GetKeyValue(uint32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                            QString& KeyVal);
    // The text of the "Détails..." box: lines separated by a lone carriage return.
    static QString AboutText();

    forms::Label* lblTitle = nullptr;
    forms::Label* lblVersion = nullptr;
    forms::Label* lblDescription = nullptr;
    forms::Label* Label2 = nullptr;
    forms::Label* Label3 = nullptr;
    forms::Label* lblDisclaimer = nullptr;
    forms::Label* Image2 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    QPushButton* cmdOK = nullptr;
    QFrame* Line1[2] = {nullptr, nullptr};

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Command1_Click();
    void Label3_Click();
    void lblDisclaimer_Click();
    void Image2_Click();
};

}  // namespace stillmar
