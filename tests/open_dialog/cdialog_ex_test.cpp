#include "open_dialog/cdialog_ex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <filesystem>

#include "platform/forms/handles.h"
#include "tests/support/fixtures.h"

using namespace stillmar;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "open_dialog_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

QString nul(int n) {
    return QString(n, QChar(0));
}

// Runs ShowOpenDialog with `onShown` acting on the dialog; a dialog left open is cancelled
// so that a broken hook fails the test instead of hanging it.
void runDialog(int32_t owner, QString& fileName, std::function<void(QFileDialog&)> onShown,
               const QString& initialDir = {}) {
    bool hookRan = false;
    CDialogEX::SetShownHook([&](QFileDialog& d) {
        hookRan = true;
        onShown(d);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    watchdog.start(30000);
    CDialogEX::ShowOpenDialog(owner, QString(), initialDir, "Ouvrir un fichier vidéo", fileName);
    CDialogEX::SetShownHook({});
    EXPECT_TRUE(hookRan);
}

void accept(QFileDialog& d, const QString& path) {
    d.selectFile(path);
    static_cast<QDialog&>(d).accept();
}

// A fresh file whose absolute path is exactly 8 characters long ("/tmp/" + 3).
std::string eightCharacterFile() {
    const char letters[] = "abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 26 * 26; ++i) {
        std::string path = std::string("/tmp/s") + letters[i / 26] + letters[i % 26];
        int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
    }
    return {};
}

class OpenDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        app();
        owner_ = std::make_unique<QWidget>();
        owner_->resize(507, 474);
        picPEACE_ = new QWidget(owner_.get());
        picPEACE_->setGeometry(5, 6, 268, 43);
        picPEACE_->hide();
        CDialogEX::SetDialogInsert(forms::handleOf(picPEACE_), 120, 240);
        CDialogEX::SetDialogHeight(307);
        CDialogEX::SetDialogFilter(QStringLiteral("Vidéos") + nul(1) + "*.avi;*.mpg" + nul(1) +
                                   "Tous les fichiers" + nul(1) + "*.*" + nul(1));
        dir_ = test::makeTempDir("open_dialog");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    QString file(const std::string& name) {
        std::string path = dir_ + "/" + name;
        FILE* f = std::fopen(path.c_str(), "w");
        if (f) std::fclose(f);
        return QString::fromStdString(path);
    }

    std::unique_ptr<QWidget> owner_;
    QWidget* picPEACE_ = nullptr;
    std::string dir_;
};

}  // namespace

TEST(ConvertFilter, barsBecomeNulsAndTwoNulsAreAppended) {
    CDialogEX::SetDialogFilter("a|b|");
    EXPECT_EQ(CDialogEX::ConvertFilter(), "a" + nul(1) + "b" + nul(3));
    CDialogEX::SetDialogFilter("*.avi");
    EXPECT_EQ(CDialogEX::ConvertFilter(), "*.avi" + nul(2));
    // The main window's form: NUL separators and a final NUL end in three NULs.
    CDialogEX::SetDialogFilter("V" + nul(1) + "*.avi" + nul(1));
    EXPECT_EQ(CDialogEX::ConvertFilter(), "V" + nul(1) + "*.avi" + nul(3));
    CDialogEX::SetDialogFilter("");
    EXPECT_EQ(CDialogEX::ConvertFilter(), nul(2));
}

TEST(NameFilters, pairsBecomeQtFiltersUpToTheFirstEmptyItem) {
    const QStringList f =
        CDialogEX::NameFilters("Vidéos (avi)" + nul(1) + "*.avi; *.MPG" + nul(1) + "Tous" + nul(1) +
                               "*.*" + nul(3) + "Ignoré" + nul(1) + "*.x" + nul(1));
    EXPECT_EQ(f, QStringList({"Vidéos (avi) (*.avi *.MPG)", "Tous (*)"}));
    EXPECT_TRUE(CDialogEX::NameFilters(nul(2)).isEmpty());
    EXPECT_TRUE(CDialogEX::NameFilters("sans motif" + nul(2)).isEmpty());
}

TEST(DialogOutcome, pathIsPaddedToTheBufferLessItsFinalNul) {
    EXPECT_EQ(CDialogEX::DialogOutcome("/tmp/a.b"), "/tmp/a.b" + nul(251));
    const QString longPath = "/" + QString(299, u'x');
    EXPECT_EQ(CDialogEX::DialogOutcome(longPath), longPath);
    EXPECT_EQ(CDialogEX::DialogOutcome("/" + QString(258, u'y')), "/" + QString(258, u'y'));
    EXPECT_EQ(CDialogEX::DialogOutcome("/a b "), "/a b " + nul(254));
}

TEST(CentredPosition, usesFifteenTwipsPerPixelAndRoundsHalvesToEven) {
    EXPECT_EQ(CDialogEX::CentredPosition(15360, 11520, QSize(430, 307)), QPoint(297, 230));
    EXPECT_EQ(CDialogEX::CentredPosition(15360, 11520, QSize(431, 305)), QPoint(296, 232));
    EXPECT_EQ(CDialogEX::CentredPosition(15360, 11520, QSize(1100, 800)), QPoint(-38, -16));
}

TEST(SetDialogInsert, storesThePositionPlusBorderAndCaption) {
    CDialogEX::SetDialogInsert(77, 120, 240);
    EXPECT_EQ(CDialogEX::State().insertWindow, 77);
    EXPECT_EQ(CDialogEX::State().insertX, 124);
    EXPECT_EQ(CDialogEX::State().insertY, 263);
}

TEST_F(OpenDialog, showsFrenchLabelsAndKeepsOuvrirOnTheOkButton) {
    QString fileName = "avant";
    runDialog(forms::handleOf(owner_.get()), fileName, [&](QFileDialog& d) {
        QStringList labels;
        for (QLabel* l : d.findChildren<QLabel*>())
            if (l->isVisible()) labels << l->text();
        EXPECT_TRUE(labels.contains("Regarder dans :")) << labels.join('|').toStdString();
        EXPECT_TRUE(labels.contains("Nom du fichier :"));
        EXPECT_TRUE(labels.contains("Fichier de type :"));
        auto* box = d.findChild<QDialogButtonBox*>();
        ASSERT_NE(box, nullptr);
        QStringList buttons;
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        EXPECT_TRUE(buttons.contains("Ouvrir"));
        EXPECT_TRUE(buttons.contains("Annuler"));
        // Naming a folder must not relabel the OK button.
        if (auto* edit = d.findChild<QLineEdit*>("fileNameEdit")) edit->setText("/tmp");
        EXPECT_EQ(box->button(QDialogButtonBox::Open)->text(), "Ouvrir");
        EXPECT_EQ(d.nameFilters().size(), 2);
        auto* types = d.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(types->currentIndex(), 0);
        EXPECT_EQ(types->currentText(), "Vidéos");
        EXPECT_EQ(d.windowTitle(), "Ouvrir un fichier vidéo");
        auto* details = d.findChild<QTreeView*>();
        ASSERT_NE(details, nullptr);
        EXPECT_EQ(details->model()->headerData(0, Qt::Horizontal).toString(), "Nom");
        EXPECT_EQ(details->model()->headerData(1, Qt::Horizontal).toString(), "Taille");
        EXPECT_EQ(d.frameGeometry().height(), 307);
        d.reject();
    });
    EXPECT_EQ(fileName, "avant");
}

TEST_F(OpenDialog, insertedWindowSitsInsideAndIsGivenBackHiddenAfterwards) {
    QString fileName;
    runDialog(forms::handleOf(owner_.get()), fileName, [&](QFileDialog& d) {
        ASSERT_EQ(picPEACE_->parentWidget(), &d);
        const QPoint corner = d.frameGeometry().topLeft() - d.geometry().topLeft();
        EXPECT_EQ(picPEACE_->pos(), QPoint(124, 263) + corner);
        EXPECT_TRUE(picPEACE_->isVisible());
        EXPECT_EQ(picPEACE_->size(), QSize(268, 43));
        // The dialog's own controls stay above it.
        for (QWidget* w : d.findChildren<QWidget*>()) {
            if (w == picPEACE_ || !w->isVisible() || w->parentWidget() != &d ||
                w->inherits("QSizeGrip"))
                continue;
            EXPECT_LE(w->geometry().bottom(), picPEACE_->geometry().top())
                << w->metaObject()->className();
        }
        d.reject();
    });
    EXPECT_EQ(picPEACE_->parentWidget(), owner_.get());
    EXPECT_TRUE(picPEACE_->isHidden());
    EXPECT_EQ(picPEACE_->geometry(), QRect(5, 6, 268, 43));
    // The next dialog takes it again.
    runDialog(0, fileName, [&](QFileDialog& d) {
        EXPECT_EQ(picPEACE_->parentWidget(), &d);
        d.reject();
    });
    EXPECT_EQ(picPEACE_->parentWidget(), owner_.get());
}

TEST_F(OpenDialog, dialogIsCentredOnTheScreen) {
    QString fileName;
    runDialog(0, fileName, [&](QFileDialog& d) {
        QScreen* s = d.screen();
        const QRect g = s->geometry();
        const QPoint expected = CDialogEX::CentredPosition(
            g.width() * 1440.0 / s->logicalDotsPerInchX(),
            g.height() * 1440.0 / s->logicalDotsPerInchY(), d.frameGeometry().size());
        EXPECT_EQ(d.frameGeometry().topLeft(), g.topLeft() + expected);
        d.reject();
    });
}

TEST_F(OpenDialog, okGivesThePathPaddedWithNulsAndCancelKeepsTheLastChoice) {
    const std::string eight = eightCharacterFile();
    ASSERT_EQ(eight.size(), 8u);
    const QString path = QString::fromStdString(eight);
    QString fileName;
    runDialog(forms::handleOf(owner_.get()), fileName, [&](QFileDialog& d) { accept(d, path); });
    std::filesystem::remove(eight);
    EXPECT_EQ(fileName, path + nul(251));
    EXPECT_EQ(fileName.size(), 259);
    EXPECT_EQ(CDialogEX::LastFileName, fileName);

    QString second = "inchangé";
    runDialog(forms::handleOf(owner_.get()), second, [](QFileDialog& d) { d.reject(); });
    EXPECT_EQ(second, "inchangé");
    EXPECT_EQ(CDialogEX::LastFileName, path + nul(251));
}

TEST_F(OpenDialog, aFileWithSpacesAndAccentsComesBackWhole) {
    const QString path = file("mon film é.avi");
    QString fileName;
    runDialog(
        0, fileName, [&](QFileDialog& d) { accept(d, path); }, QString::fromStdString(dir_));
    EXPECT_EQ(fileName.left(fileName.indexOf(QChar(0))), path);
    EXPECT_EQ(fileName.size(), 259);
}

TEST_F(OpenDialog, aMissingFileIsNotAccepted) {
    QString fileName = "avant";
    runDialog(0, fileName, [&](QFileDialog& d) {
        d.selectFile(QString::fromStdString(dir_) + "/absent.avi");
        // The dialog refuses with a warning box of its own; close that, then the dialog.
        QTimer::singleShot(0, [&d] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                box && box != &d)
                box->reject();
            d.reject();
        });
        static_cast<QDialog&>(d).accept();
    });
    EXPECT_EQ(fileName, "avant");
}

TEST_F(OpenDialog, descriptionsThatNameTheirPatternsShowAsWritten) {
    CDialogEX::SetDialogFilter("Fichiers vidéo (*.avi;*.mpg)" + nul(1) + "*.avi;*.mpg" + nul(1) +
                               "Tous les fichiers (*.*)" + nul(1) + "*.*" + nul(1));
    QString fileName;
    runDialog(0, fileName, [&](QFileDialog& d) {
        auto* types = d.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        ASSERT_EQ(types->count(), 2);
        EXPECT_EQ(types->itemText(0), "Fichiers vidéo (*.avi;*.mpg)");
        EXPECT_EQ(types->itemText(1), "Tous les fichiers (*.*)");
        d.reject();
    });
}

TEST_F(OpenDialog, theOwnerItselfIsNeverTakenIntoItsOwnDialog) {
    CDialogEX::SetDialogInsert(forms::handleOf(owner_.get()), 120, 240);
    QString fileName;
    runDialog(forms::handleOf(owner_.get()), fileName, [&](QFileDialog& d) {
        EXPECT_EQ(owner_->parentWidget(), nullptr);
        EXPECT_EQ(d.parentWidget(), owner_.get());
        d.reject();
    });
    EXPECT_EQ(owner_->parentWidget(), nullptr);
}
