#include "open_dialog/cdialog_ex.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>
#include <cmath>
#include <memory>

#include "platform/forms/french_locale.h"
#include "platform/forms/handles.h"

namespace stillmar::CDialogEX {

QString LastFileName;

namespace {

constexpr int kFileBufferLength = 260;
constexpr double kFixedTwipsPerPixel = 15.0;
// Room kept between the dialog's own controls and the inserted window.
constexpr int kInsertGap = 4;

ModuleState& state() {
    static ModuleState s;
    return s;
}

ShownHook& shownHook() {
    static ShownHook h;
    return h;
}

QString& settingsFile() {
    static QString path;
    return path;
}

// The folder of the last file chosen, kept across runs under this key.
constexpr const char* kLastFolderKey = "OpenDialog/LastFolder";

std::unique_ptr<QSettings> openSettings() {
    if (!settingsFile().isEmpty())
        return std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
    // The native format is the INI one on Linux, in ~/.config/Stillmar/Stillmar.conf.
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Stillmar"), QStringLiteral("Stillmar"));
}

// Where a dialog opens when its caller names no folder: the folder of the last file chosen
// while it exists, else the user's Videos folder, else home.
QString startFolder() {
    const QString last = openSettings()->value(QLatin1String(kLastFolderKey)).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!videos.isEmpty() && QFileInfo(videos).isDir()) return videos;
    return QDir::homePath();
}

void rememberFolderOf(const QString& file) {
    openSettings()->setValue(QLatin1String(kLastFolderKey), QFileInfo(file).absolutePath());
}

QString cleanPatterns(const QString& list) {
    QStringList out;
    for (QString p : list.split(u';', Qt::SkipEmptyParts)) {
        p = p.trimmed();
        if (p.isEmpty()) continue;
        // "*.*" means every file here, not only names with a dot.
        out << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    return out.isEmpty() ? QStringLiteral("*") : out.join(u' ');
}

// The window shown inside the dialog: taken from wherever it lives while the dialog is up,
// then hidden and given back to its old parent so that its owner still owns it.
class InsertedWindow {
  public:
    InsertedWindow(QWidget* window, QFileDialog& dialog) {
        // A window that holds the dialog, across window boundaries, would become its own child.
        for (QWidget* w = &dialog; w; w = w->parentWidget())
            if (w == window) return;
        if (!window) return;
        window_ = window;
        oldParent_ = window->parentWidget();
        oldFlags_ = window->windowFlags();
        oldGeometry_ = window->geometry();
        window->setParent(&dialog, Qt::Widget);
    }
    ~InsertedWindow() {
        if (!window_) return;
        window_->hide();
        window_->setParent(oldParent_, oldFlags_);
        window_->setGeometry(oldGeometry_);
    }
    InsertedWindow(const InsertedWindow&) = delete;
    InsertedWindow& operator=(const InsertedWindow&) = delete;

    QWidget* window() const { return window_; }

    // Places the window at the stored position less the frame's border and caption, so that
    // the caller's (x, y) are client coordinates whatever the window manager draws.
    void place(QPoint corner) {
        if (!window_) return;
        window_->move(state().insertX + corner.x(), state().insertY + corner.y());
        window_->show();
        window_->raise();
    }

  private:
    QPointer<QWidget> window_;
    QPointer<QWidget> oldParent_;
    Qt::WindowFlags oldFlags_;
    QRect oldGeometry_;
};

// Whatever text the dialog gives its OK button (it names folders "Open" on its own), the button
// reads "Ouvrir". Runs after the dialog's own handlers, which were connected first.
class OkButtonGuard : public QObject {
  public:
    explicit OkButtonGuard(QFileDialog& dialog) : QObject(&dialog), dialog_(dialog) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!edit) edit = dialog.findChild<QLineEdit*>();
        if (edit) {
            connect(edit, &QLineEdit::textChanged, this, &OkButtonGuard::relabel);
        }
        connect(&dialog, &QFileDialog::currentChanged, this, &OkButtonGuard::relabel);
        connect(&dialog, &QFileDialog::directoryEntered, this, &OkButtonGuard::relabel);
        connect(&dialog, &QFileDialog::filterSelected, this, &OkButtonGuard::relabel);
        if (QPushButton* b = button()) b->installEventFilter(this);
        relabel();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint || event->type() == QEvent::Show) relabel();
        return QObject::eventFilter(watched, event);
    }

  private:
    QPushButton* button() const {
        auto* box = dialog_.findChild<QDialogButtonBox*>();
        if (!box) return nullptr;
        QPushButton* b = box->button(QDialogButtonBox::Open);
        return b ? b : box->button(QDialogButtonBox::Save);
    }
    void relabel() {
        QPushButton* b = button();
        if (b && b->text() != kOuvrir) b->setText(kOuvrir);
    }

    static inline const QString kOuvrir = QStringLiteral("Ouvrir");
    QFileDialog& dialog_;
};

// French column titles, sizes, types and dates for the file list: the model's own titles are
// not translated, Qt's catalogue has no French for its folder and unknown-type names, and the
// model writes sizes and dates in the system's locale, whatever the program's.
class FrenchColumns : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const titles[] = {"Nom", "Taille", "Type", "Modifié le"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
            return QString::fromUtf8(titles[section]);
        return QIdentityProxyModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (files && role == Qt::DisplayRole && index.column() >= 1 && index.column() <= 3) {
            const QModelIndex source = mapToSource(index);
            const QLocale french = forms::frenchLocale();
            switch (index.column()) {
                case 1:
                    if (!files->isDir(source)) return french.formattedDataSize(files->size(source));
                    break;
                case 2:
                    return typeName(files->fileInfo(source));
                case 3:
                    return french.toString(files->lastModified(source), QLocale::ShortFormat);
            }
        }
        return QIdentityProxyModel::data(index, role);
    }

  private:
    // The type column: the MIME database's description, which it gives in the default
    // locale's language. By the name only: asked on every repaint, on the window's thread, it
    // must not read the files.
    static QString typeName(const QFileInfo& info) {
        if (info.isDir()) return QStringLiteral("Dossier");
        const QMimeType type = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
        if (!type.isDefault()) return type.comment();
        if (info.suffix().isEmpty()) return QStringLiteral("Fichier");
        return QStringLiteral("Fichier %1").arg(info.suffix());
    }
};

// In the dialog's narrow width the name column would take the room that the French sizes,
// types and dates need, and the side bar would cut "Ordinateur".
void fitColumns(QFileDialog& dialog) {
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QFontMetrics fm(details->font());
        // Each column's widest usual text and room for the cell's margins.
        const auto width = [&fm](const char* text) {
            return fm.horizontalAdvance(QString::fromUtf8(text)) + 24;
        };
        QHeaderView* header = details->header();
        // The name takes what the others leave.
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->resizeSection(1, width("999,9 Kio"));
        header->resizeSection(2, width("vidéo MPEG-4"));
        header->resizeSection(3, width("00/00/0000 00:00"));
    }
    auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
    auto* sidebar = dialog.findChild<QWidget*>(QStringLiteral("sidebar"));
    if (splitter && sidebar && splitter->count() == 2) {
        const int side =
            QFontMetrics(sidebar->font()).horizontalAdvance(QStringLiteral("Ordinateur")) + 48;
        splitter->setSizes({side, std::max(1, splitter->width() - side)});
    }
}

// The frame's outer top-left corner in client coordinates: minus its border and caption.
QPoint frameCorner(const QWidget& w) {
    return w.frameGeometry().topLeft() - w.geometry().topLeft();
}

QScreen* screenOf(const QWidget& w) {
    QScreen* s = w.screen();
    return s ? s : QGuiApplication::primaryScreen();
}

void fitAndCentre(QFileDialog& dialog, InsertedWindow& inserted) {
    const QPoint corner = frameCorner(dialog);
    const int decorationHeight = dialog.frameGeometry().height() - dialog.height();
    if (state().dialogHeight > 0) {
        const int clientHeight = std::max(1, state().dialogHeight - decorationHeight);
        dialog.setFixedHeight(clientHeight);
        // Keep the dialog's own controls clear of a window inserted in its lower part.
        if (QWidget* w = inserted.window(); w && dialog.layout()) {
            const int top = state().insertY + corner.y();
            if (top > clientHeight / 2 && top < clientHeight) {
                QMargins m = dialog.layout()->contentsMargins();
                m.setBottom(std::max(m.bottom(), clientHeight - top + kInsertGap));
                dialog.layout()->setContentsMargins(m);
            }
        }
    }
    inserted.place(corner);

    QScreen* screen = screenOf(dialog);
    if (!screen) return;
    const QRect sg = screen->geometry();
    const double twipsX = 1440.0 / screen->logicalDotsPerInchX();
    const double twipsY = 1440.0 / screen->logicalDotsPerInchY();
    dialog.move(sg.topLeft() + CentredPosition(sg.width() * twipsX, sg.height() * twipsY,
                                               dialog.frameGeometry().size()));
}

}  // namespace

void SetDialogInsert(int32_t hWndInsert, int32_t x, int32_t y) {
    state().insertWindow = hWndInsert;
    state().insertX = x + 4;
    state().insertY = y + 23;
}

void SetDialogHeight(int32_t height) {
    state().dialogHeight = height;
}

void SetDialogFilter(const QString& filter) {
    state().filter = filter;
}

QString ConvertFilter() {
    QString s = state().filter;
    s.replace(u'|', QChar(0));
    s.append(QChar(0));
    s.append(QChar(0));
    return s;
}

QStringList NameFilters(const QString& converted) {
    const QStringList items = converted.split(QChar(0));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QString description = items[i].trimmed();
        if (description.isEmpty() || items[i + 1].trimmed().isEmpty()) break;
        filters << QStringLiteral("%1 (%2)").arg(description, cleanPatterns(items[i + 1]));
    }
    return filters;
}

QString DialogOutcome(const QString& path) {
    QString buffer = path;
    buffer.append(QString(std::max<qsizetype>(kFileBufferLength - path.size(), 1), QChar(0)));
    // Blanks only: the NUL padding is not white space here.
    qsizetype first = 0, last = buffer.size();
    while (first < last && buffer[first] == u' ') ++first;
    while (last > first && buffer[last - 1] == u' ') --last;
    buffer = buffer.mid(first, last - first);
    if (buffer.endsWith(QChar(0))) buffer.chop(1);
    return buffer;
}

QPoint CentredPosition(double screenWidthTwips, double screenHeightTwips, QSize frame) {
    const double x = (screenWidthTwips / kFixedTwipsPerPixel - frame.width()) / 2.0;
    const double y = (screenHeightTwips / kFixedTwipsPerPixel - frame.height()) / 2.0;
    return {static_cast<int>(std::nearbyint(x)), static_cast<int>(std::nearbyint(y))};
}

void SetShownHook(ShownHook hook) {
    shownHook() = std::move(hook);
}

void SetSettingsFile(const QString& path) {
    settingsFile() = path;
}

void ShowOpenDialog(int32_t hWndOwner, const QString& initialFile, const QString& initialDir,
                    const QString& title, QString& fileName) {
    QFileDialog dialog(forms::widgetOf(hWndOwner), title,
                       initialDir.isEmpty() ? startFolder() : initialDir);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setWindowFlags(dialog.windowFlags() | Qt::Tool);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Regarder dans :"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Nom du fichier :"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Fichier de type :"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Ouvrir"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Annuler"));

    dialog.setProxyModel(new FrenchColumns(&dialog));
    fitColumns(dialog);
    new OkButtonGuard(dialog);

    const QStringList filters = NameFilters(ConvertFilter());
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.first());
    }
    const QString initial = initialFile.left(initialFile.indexOf(QChar(0))).trimmed();
    if (!initial.isEmpty()) dialog.selectFile(initial);

    // Declared after the dialog: gives the window back before the dialog is destroyed.
    InsertedWindow inserted(forms::widgetOf(state().insertWindow), dialog);
    dialog.resize(dialog.sizeHint().width(), dialog.height());
    fitAndCentre(dialog, inserted);
    // Once shown the window manager's frame is known; settle again, then let a watcher in.
    QTimer::singleShot(0, &dialog, [&dialog, &inserted] {
        fitAndCentre(dialog, inserted);
        if (shownHook()) shownHook()(dialog);
    });

    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return;
    fileName = DialogOutcome(QDir::toNativeSeparators(chosen.first()));
    LastFileName = fileName;
    rememberFolderOf(chosen.first());
}

}  // namespace stillmar::CDialogEX
