#include "open_dialog/cdialog_ex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "platform/forms/french_locale.h"
#include "platform/forms/handles.h"
#include "tests/support/qt_app.h"
#include "tests/support/scoped_env.h"

using namespace stillmar;

namespace {

QString nul(int n) {
    return QString(n, QChar(0));
}

// Runs ShowOpenDialog with `onShown` acting on the shown dialog; a dialog left open is
// cancelled so that a broken hook fails the test instead of hanging it.
void runDialog(int32_t owner, QString& fileName, std::function<void(QFileDialog&)> onShown) {
    bool hookRan = false;
    CDialogEX::SetShownHook([&](QFileDialog& d) {
        hookRan = true;
        onShown(d);
    });
    QTimer::singleShot(30000, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    CDialogEX::ShowOpenDialog(owner, QString(), QString(), "Ouvrir un fichier vidéo", fileName);
    CDialogEX::SetShownHook({});
    EXPECT_TRUE(hookRan);
}

// A fresh file whose absolute path is exactly 8 characters long ("/tmp/s" + 2 letters).
std::string eightCharacterFile() {
    for (char a = 'a'; a <= 'z'; ++a)
        for (char b = 'a'; b <= 'z'; ++b) {
            std::string path = std::string("/tmp/s") + a + b;
            int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
            if (fd >= 0) return ::close(fd), path;
        }
    return {};
}

// The test program's application in French, as the program runs.
QApplication& frenchApp() {
    static QApplication& a = []() -> QApplication& {
        QApplication& made = test::qtApp();
        forms::installFrenchLocale();
        return made;
    }();
    return a;
}

class OpenDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        owner_.resize(507, 474);
        picPEACE_ = new QWidget(&owner_);
        picPEACE_->setGeometry(5, 6, 268, 43);
        picPEACE_->hide();
        CDialogEX::SetDialogInsert(forms::handleOf(picPEACE_), 120, 240);
        CDialogEX::SetDialogHeight(307);
        CDialogEX::SetDialogFilter("Fichiers vidéo (*.avi;*.mpg)" + nul(1) + "*.avi;*.mpg" +
                                   nul(1) + "Tous les fichiers (*.*)" + nul(1) + "*.*" + nul(1));
        CDialogEX::SetSettingsFile(tmp_.filePath("settings.conf"));
    }

    QApplication& app_ = frenchApp();  // before any widget
    QTemporaryDir tmp_;
    QWidget owner_;
    QWidget* picPEACE_ = nullptr;
};

}  // namespace

TEST(ConvertFilter, barsBecomeNulsAndTwoNulsAreAppended) {
    CDialogEX::SetDialogFilter("a|b|");
    EXPECT_EQ(CDialogEX::ConvertFilter(), "a" + nul(1) + "b" + nul(3));
    CDialogEX::SetDialogFilter("*.avi");
    EXPECT_EQ(CDialogEX::ConvertFilter(), "*.avi" + nul(2));
    CDialogEX::SetDialogFilter("V" + nul(1) + "*.avi" + nul(1));
    EXPECT_EQ(CDialogEX::ConvertFilter(), "V" + nul(1) + "*.avi" + nul(3));
}

TEST(NameFilters, pairsBecomeQtFiltersUpToTheFirstEmptyItem) {
    EXPECT_EQ(CDialogEX::NameFilters("Vidéos" + nul(1) + "*.avi; *.MPG" + nul(1) + "Tous" + nul(1) +
                                     "*.*" + nul(3) + "Ignoré" + nul(1) + "*.x"),
              QStringList({"Vidéos (*.avi *.MPG)", "Tous (*)"}));
    EXPECT_TRUE(CDialogEX::NameFilters("sans motif" + nul(2)).isEmpty());
}

TEST(DialogOutcome, pathIsPaddedToTheBufferLessItsFinalNul) {
    EXPECT_EQ(CDialogEX::DialogOutcome("/tmp/a.b"), "/tmp/a.b" + nul(251));
    // Longer than the buffer: whole, so that any path can be opened.
    const QString longPath = "/" + QString(299, u'x');
    EXPECT_EQ(CDialogEX::DialogOutcome(longPath), longPath);
}

TEST(CentredPosition, usesFifteenTwipsPerPixelAndRoundsHalvesToEven) {
    EXPECT_EQ(CDialogEX::CentredPosition(15360, 11520, QSize(430, 307)), QPoint(297, 230));
    EXPECT_EQ(CDialogEX::CentredPosition(15360, 11520, QSize(431, 305)), QPoint(296, 232));
}

TEST_F(OpenDialog, showsFrenchLabelsAndKeepsOuvrirOnTheOkButton) {
    QString fileName = "avant";
    runDialog(forms::handleOf(&owner_), fileName, [&](QFileDialog& d) {
        QStringList labels;
        for (QLabel* l : d.findChildren<QLabel*>())
            if (l->isVisible()) labels << l->text();
        for (const char* text : {"Regarder dans :", "Nom du fichier :", "Fichier de type :"})
            EXPECT_TRUE(labels.contains(text)) << text;
        auto* box = d.findChild<QDialogButtonBox*>();
        ASSERT_NE(box, nullptr);
        QStringList buttons;
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        EXPECT_TRUE(buttons.contains("Annuler"));
        // Naming a folder must not relabel the OK button.
        d.findChild<QLineEdit*>("fileNameEdit")->setText("/tmp");
        EXPECT_EQ(box->button(QDialogButtonBox::Open)->text(), "Ouvrir");
        // Descriptions show as the caller wrote them; the first pair is selected.
        auto* types = d.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        ASSERT_EQ(types->count(), 2);
        EXPECT_EQ(types->currentText(), "Fichiers vidéo (*.avi;*.mpg)");
        d.reject();
    });
    EXPECT_EQ(fileName, "avant");
}

TEST_F(OpenDialog, insertedWindowFixedHeightAndCentring) {
    QString fileName;
    runDialog(forms::handleOf(&owner_), fileName, [&](QFileDialog& d) {
        ASSERT_EQ(picPEACE_->parentWidget(), &d);
        const QPoint corner = d.frameGeometry().topLeft() - d.geometry().topLeft();
        EXPECT_EQ(picPEACE_->geometry(), QRect(QPoint(124, 263) + corner, QSize(268, 43)));
        EXPECT_TRUE(picPEACE_->isVisible());
        EXPECT_EQ(d.frameGeometry().height(), 307);
        const QRect s = d.screen()->geometry();
        EXPECT_EQ(d.frameGeometry().topLeft(),
                  s.topLeft() + CDialogEX::CentredPosition(
                                    s.width() * 1440.0 / d.screen()->logicalDotsPerInchX(),
                                    s.height() * 1440.0 / d.screen()->logicalDotsPerInchY(),
                                    d.frameGeometry().size()));
        d.reject();
    });
    // Given back hidden to the window it came from; the next dialog takes it again.
    EXPECT_EQ(picPEACE_->parentWidget(), &owner_);
    EXPECT_TRUE(picPEACE_->isHidden());
    EXPECT_EQ(picPEACE_->geometry(), QRect(5, 6, 268, 43));
    runDialog(0, fileName, [&](QFileDialog& d) {
        EXPECT_EQ(picPEACE_->parentWidget(), &d);
        d.reject();
    });
    EXPECT_EQ(picPEACE_->parentWidget(), &owner_);
}

TEST_F(OpenDialog, okGivesThePathPaddedWithNulsAndCancelKeepsTheLastChoice) {
    const std::string eight = eightCharacterFile();
    ASSERT_EQ(eight.size(), 8u);
    const QString path = QString::fromStdString(eight);
    QString fileName;
    runDialog(forms::handleOf(&owner_), fileName, [&](QFileDialog& d) {
        d.selectFile(path);
        static_cast<QDialog&>(d).accept();
    });
    ::unlink(eight.c_str());
    EXPECT_EQ(fileName, path + nul(251));
    EXPECT_EQ(CDialogEX::LastFileName, fileName);

    QString second = "inchangé";
    runDialog(forms::handleOf(&owner_), second, [](QFileDialog& d) { d.reject(); });
    EXPECT_EQ(second, "inchangé");
    EXPECT_EQ(CDialogEX::LastFileName, path + nul(251));
}

// Each run of the program reads the settings file anew: a second run is a second dialog on a
// copy of the file, so only what reached the disk counts.
TEST_F(OpenDialog, opensWhereTheLastFileWasChosenInAnEarlierRun_elseInVideos_elseHome) {
    QStandardPaths::setTestModeEnabled(true);  // the Videos folder is $HOME/Videos
    const QString home = tmp_.filePath("home");
    const QString videos = home + "/Videos";
    const QString clips = tmp_.filePath("mes clips");
    ASSERT_TRUE(QDir().mkpath(videos) && QDir().mkpath(clips));
    QFile clip(clips + "/vacances.mp4");
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    clip.close();
    const test::ScopedEnv ownHome("HOME", home.toUtf8());
    const auto opensIn = [&](const QString& expected, std::function<void(QFileDialog&)> act) {
        QString fileName;
        runDialog(forms::handleOf(&owner_), fileName, [&](QFileDialog& d) {
            EXPECT_EQ(d.directory().absolutePath(), expected);
            act(d);
        });
    };
    const auto cancel = [](QFileDialog& d) { d.reject(); };

    // First run, nothing kept yet: the Videos folder. A file chosen elsewhere.
    opensIn(videos, [&](QFileDialog& d) {
        d.selectFile(clips + "/vacances.mp4");
        static_cast<QDialog&>(d).accept();
    });
    // Second run: where that file was. Looking elsewhere and cancelling keeps it.
    ASSERT_TRUE(QFile::copy(tmp_.filePath("settings.conf"), tmp_.filePath("second.conf")));
    CDialogEX::SetSettingsFile(tmp_.filePath("second.conf"));
    opensIn(clips, [&](QFileDialog& d) {
        d.setDirectory(home);
        d.reject();
    });
    opensIn(clips, cancel);
    // That folder gone: the Videos folder; that one gone too: home.
    ASSERT_TRUE(QDir(clips).removeRecursively());
    opensIn(videos, cancel);
    ASSERT_TRUE(QDir(videos).removeRecursively());
    opensIn(home, cancel);
}

TEST_F(OpenDialog, theOwnerItselfIsNeverTakenIntoItsOwnDialog) {
    CDialogEX::SetDialogInsert(forms::handleOf(&owner_), 120, 240);
    QString fileName;
    runDialog(forms::handleOf(&owner_), fileName, [&](QFileDialog& d) {
        EXPECT_EQ(d.parentWidget(), &owner_);
        d.reject();
    });
    EXPECT_EQ(owner_.parentWidget(), nullptr);
}

// Qt's own texts come from its French catalogue; sizes and dates are written the French way.
TEST_F(OpenDialog, qtsOwnTextsSizesAndDatesAreFrench) {
    const QString dir = QDir::temp().filePath("stillmar-dialog-fr");
    QDir(dir).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir + "/dossier"));
    QFile file(dir + "/clip.avi");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3000, 'x'));
    file.close();
    QString fileName;
    runDialog(forms::handleOf(&owner_), fileName, [&](QFileDialog& d) {
        d.setDirectory(dir);
        QAbstractProxyModel* list = d.proxyModel();
        auto* files = qobject_cast<QFileSystemModel*>(list->sourceModel());
        ASSERT_NE(files, nullptr);
        const QModelIndex clip = list->mapFromSource(files->index(dir + "/clip.avi"));
        const QModelIndex folder = list->mapFromSource(files->index(dir + "/dossier"));
        for (int i = 0; i < 500 && list->data(folder.siblingAtColumn(2)).toString().isEmpty(); ++i)
            QTest::qWait(10);
        EXPECT_EQ(list->data(folder.siblingAtColumn(2)).toString(), "Dossier");
        EXPECT_EQ(list->data(clip.siblingAtColumn(1)).toString(), "2,93 Kio");
        EXPECT_EQ(list->data(clip.siblingAtColumn(2)).toString(), "vidéo AVI");
        const QDateTime modified = QFileInfo(dir + "/clip.avi").lastModified();
        EXPECT_EQ(list->data(clip.siblingAtColumn(3)).toString(),
                  modified.toString("dd/MM/yyyy HH:mm"));

        const auto tip = [&](const char* name) {
            auto* b = d.findChild<QToolButton*>(name);
            return b ? b->toolTip() : QString("(none)");
        };
        EXPECT_EQ(tip("backButton"), "Précédent");
        EXPECT_EQ(tip("forwardButton"), "Suivant");
        EXPECT_EQ(tip("toParentButton"), "Dossier parent");
        EXPECT_EQ(tip("newFolderButton"), "Créer un nouveau dossier");
        EXPECT_EQ(tip("listModeButton"), "Vue en liste");
        EXPECT_EQ(tip("detailModeButton"), "Vue détaillée");
        const auto action = [&](const char* name) {
            auto* a = d.findChild<QAction*>(name);
            return a ? a->text() : QString("(none)");
        };
        EXPECT_EQ(action("qt_rename_action"), "&Renommer");
        EXPECT_EQ(action("qt_delete_action"), "Suppri&mer");
        EXPECT_EQ(action("qt_show_hidden_action"), "Afficher les fic&hiers cachés");
        EXPECT_EQ(action("qt_new_folder_action"), "&Nouveau dossier");
        auto* sidebar = d.findChild<QAbstractItemView*>("sidebar");
        ASSERT_NE(sidebar, nullptr);
        EXPECT_EQ(sidebar->model()->index(0, 0).data().toString(), "Ordinateur");
        d.reject();
    });
    QDir(dir).removeRecursively();
}
