#include "windows/frm_about.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/forms/label.h"
#include "platform/forms/message_box.h"
#include "platform/system/app_folder.h"
#include "platform/system/registry.h"
#include "platform/system/shell.h"
#include "windows/program_icon.h"

namespace stillmar {

const QString AboutLinks::WebSite = QStringLiteral("https://stillmar.example.org");
const QString AboutLinks::DonationPage = QStringLiteral("https://stillmar.example.org/don");
const QString AboutLinks::EMail = QStringLiteral("contact@stillmar.example.org");
const QString AboutLinks::Author = QStringLiteral("l'équipe Stillmar");

namespace {

const QString kAppTitle = QStringLiteral(STILLMAR_APP_TITLE);
constexpr int kValueBufferBytes = 1024;

QFont comicFont(int pointSize, bool bold = false) {
    QFont f;
    f.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"),
                   QStringLiteral("DejaVu Sans")});
    f.setPointSize(pointSize);
    f.setBold(bold);
    return f;
}

QFont sansSerifFont() {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"),
                   QStringLiteral("Sans Serif")});
    f.setPointSize(9);
    return f;
}

forms::Label* makeLabel(QWidget* parent, const QString& text, const QFont& font) {
    auto* l = new forms::Label(parent);
    l->setFont(font);
    l->setCaption(text);
    return l;
}

void makeLink(forms::Label* l, const QString& tip) {
    l->setToolTip(tip);
    l->setCursor(Qt::PointingHandCursor);
    l->setForeColor(0x00C00000);  // blue, in the platform's BGR order
}

// The donation button: a small rounded gold plate.
QPixmap donationButton() {
    QPixmap px(120, 30);
    px.fill(Qt::transparent);
    QPainter p(&px);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 30);
    g.setColorAt(0, QColor(255, 224, 120));
    g.setColorAt(1, QColor(240, 170, 40));
    QPainterPath path;
    path.addRoundedRect(QRectF(0.5, 0.5, 119, 29), 14, 14);
    p.fillPath(path, g);
    p.setPen(QColor(150, 100, 20));
    p.drawPath(path);
    QFont f = comicFont(9, true);
    p.setFont(f);
    p.setPen(QColor(30, 40, 90));
    p.drawText(QRect(0, 0, 120, 30), Qt::AlignCenter, QStringLiteral("Faire un don"));
    return px;
}

QFrame* makeLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setModal(true);
    setWindowTitle(QStringLiteral("Stillmar : A Propos"));

    Image1 = new QLabel(this);
    Image1->setFixedSize(32, 32);
    setWindowIcon(programIcon());
    Image1->setPixmap(programIcon().pixmap(32, 32));

    lblTitle = makeLabel(this, QStringLiteral("Stillmar"), comicFont(16, true));
    lblVersion = makeLabel(this, QStringLiteral("Version 1.0.0"), comicFont(10));
    lblDescription = makeLabel(
        this, QStringLiteral("Écrit par %1, décembre 2026.").arg(AboutLinks::Author), comicFont(9));
    Label2 = makeLabel(this, QStringLiteral("Logiciel libre, fourni sans aucune garantie."),
                       comicFont(9));
    Label3 = makeLabel(this, QStringLiteral("URL : ") + AboutLinks::WebSite, comicFont(9));
    makeLink(Label3, QStringLiteral("Visitez le site de Stillmar !"));
    lblDisclaimer = makeLabel(this, QStringLiteral("E-Mail : ") + AboutLinks::EMail, comicFont(9));
    makeLink(lblDisclaimer, QStringLiteral("Envoyer un courriel"));
    Image2 = new forms::Label(this);
    Image2->setPixmap(donationButton());
    Image2->setToolTip(
        QStringLiteral("Soutenez Stillmar : faites un don par un service de paiement en ligne"));
    Image2->setCursor(Qt::PointingHandCursor);

    Command1 = new QPushButton(QStringLiteral("Détails..."), this);
    Command1->setFont(comicFont(9));
    cmdSysInfo = new QPushButton(QStringLiteral("&Système Info..."), this);
    cmdSysInfo->setToolTip(QStringLiteral("Informations système"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setFont(sansSerifFont());
    cmdOK->setDefault(true);
    Line1[0] = makeLine(this);
    Line1[1] = makeLine(this);

    auto* heading = new QVBoxLayout;
    heading->addWidget(lblTitle);
    heading->addWidget(lblVersion);
    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(heading, 1);

    auto* links = new QHBoxLayout;
    auto* linkTexts = new QVBoxLayout;
    linkTexts->addWidget(Label3);
    linkTexts->addWidget(lblDisclaimer);
    links->addLayout(linkTexts, 1);
    links->addWidget(Image2, 0, Qt::AlignVCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addStretch(1);
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdOK);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Line1[0]);
    layout->addWidget(lblDescription);
    layout->addWidget(Label2);
    layout->addSpacing(6);
    layout->addLayout(links);
    layout->addWidget(Line1[1]);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    connect(Label3, &forms::Label::click, this, &frmAbout::Label3_Click);
    connect(lblDisclaimer, &forms::Label::click, this, &frmAbout::lblDisclaimer_Click);
    connect(Image2, &forms::Label::click, this, &frmAbout::Image2_Click);

    Form_Load();
}

void frmAbout::ShowModal(QWidget* owner) {
    frmAbout about(owner);
    about.exec();
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("A propos ") + kAppTitle);
    lblVersion->setCaption(QStringLiteral("Version %1.%2.%3")
                               .arg(STILLMAR_VERSION_MAJOR)
                               .arg(STILLMAR_VERSION_MINOR)
                               .arg(STILLMAR_VERSION_PATCH));
    lblTitle->setCaption(kAppTitle);
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

QString frmAbout::AboutText() {
    const QStringList lines = {
        QStringLiteral("Stillmar version 1.0.0 - Enregistrement Wav - Mp3"),
        QString(),
        QStringLiteral("Auteur : ") + AboutLinks::Author,
        QStringLiteral("E-Mail : ") + AboutLinks::EMail,
        QStringLiteral("Url : ") + AboutLinks::WebSite,
        QString(),
        QStringLiteral("Stillmar permet d'enregistrer au format"),
        QStringLiteral("Bmp une image issue d'un fichier vidéo."),
    };
    return lines.join(QChar(13));
}

void frmAbout::Command1_Click() {
    forms::MsgBox(AboutText(), forms::MsgBoxButtons::OkOnly | forms::MsgBoxIcon::Information,
                  QStringLiteral("A propos"), this);
}

void frmAbout::Label3_Click() {
    sys::shellOpen(AboutLinks::WebSite, QString::fromStdString(sys::applicationFolder()));
}

void frmAbout::Image2_Click() {
    sys::shellOpen(AboutLinks::DonationPage, QString::fromStdString(sys::applicationFolder()));
}

void frmAbout::lblDisclaimer_Click() {
    sys::shellOpen(QStringLiteral("mailto:") + AboutLinks::EMail);
}

void frmAbout::StartSysInfo() {
    static const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    static const QString kMsinfoValue = QStringLiteral("PATH");
    static const QString kLocationKey =
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    static const QString kLocationValue = QStringLiteral("MSINFO");
    static const QString kProgramFile = QStringLiteral("/MSINFO32.EXE");

    QString path;
    if (GetKeyValue(sys::HKEY_LOCAL_MACHINE, kMsinfoKey, kMsinfoValue, path)) {
        if (sys::shellStart(path)) return;
    } else if (GetKeyValue(sys::HKEY_LOCAL_MACHINE, kLocationKey, kLocationValue, path) &&
               QFileInfo(path + kProgramFile).isFile()) {
        if (sys::shellStart(path + kProgramFile)) return;
    }
    forms::MsgBox(QStringLiteral("Information Systeme introuvable !"), forms::MsgBoxButtons::OkOnly,
                  QString(), this);
}

bool frmAbout::GetKeyValue(uint32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal) {
    const sys::Registry& reg = sys::registry();
    if (!reg.hasKey(KeyRoot, KeyName.toStdString())) {
        KeyVal.clear();
        return false;
    }
    const auto value = reg.value(KeyRoot, KeyName.toStdString(), SubKeyRef.toStdString());
    // A value larger than the buffer cannot be read, as with a missing one.
    if (!value || value->bytes.size() > kValueBufferBytes) {
        KeyVal.clear();
        return false;
    }
    std::vector<uint8_t> bytes = value->bytes;
    if (!bytes.empty() && bytes.back() == 0) bytes.pop_back();

    switch (value->type) {
        case sys::REG_SZ:
            KeyVal = QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<qsizetype>(bytes.size()));
            break;
        case sys::REG_DWORD: {
            // More than four bytes would not fit a 32-bit number.
            if (bytes.size() > 4) {
                KeyVal.clear();
                return false;
            }
            uint32_t v = 0;
            for (size_t i = 0; i < bytes.size(); ++i) v |= uint32_t(bytes[i]) << (8 * i);
            KeyVal = QString::number(static_cast<int32_t>(v));
            break;
        }
        default:
            break;
    }
    return true;
}

}  // namespace stillmar
