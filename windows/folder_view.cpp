#include "windows/folder_view.h"

#include <QDir>
#include <QFileIconProvider>
#include <QImageReader>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "platform/system/shell.h"

namespace stillmar {

namespace {

constexpr int kPathRole = Qt::UserRole;
// Captures arrive in bursts; one re-read per burst.
constexpr int kRefreshDelayMs = 150;

bool isPicture(const QFileInfo& info) {
    static const QSet<QString> suffixes = {"bmp", "png", "jpg", "jpeg", "gif"};
    return info.isFile() && suffixes.contains(info.suffix().toLower());
}

QIcon fileTypeIcon(const QFileInfo& info) {
    static QFileIconProvider provider;
    return provider.icon(info);
}

// Compares names with runs of digits taken as numbers, so that "Capture9" comes before
// "Capture10" whatever collation the system offers. Negative, 0 or positive.
int compareNatural(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit()) ++ei;
            while (ej < b.size() && b[ej].isDigit()) ++ej;
            // Compare without leading zeros: the longer number is the larger.
            QStringView na = QStringView(a).mid(i, ei - i), nb = QStringView(b).mid(j, ej - j);
            while (na.size() > 1 && na.front() == u'0') na = na.mid(1);
            while (nb.size() > 1 && nb.front() == u'0') nb = nb.mid(1);
            if (na.size() != nb.size()) return na.size() < nb.size() ? -1 : 1;
            if (int c = na.compare(nb); c != 0) return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return a.compare(b);
}

}  // namespace

FolderView::FolderView(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::IconMode);
    setIconSize(kThumbnailSize);
    setGridSize(QSize(kThumbnailSize.width() + 28, kThumbnailSize.height() + 40));
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setWordWrap(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    loader_.setMaxThreadCount(1);

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshDelayMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &FolderView::refresh);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FolderView::scheduleRefresh);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FolderView::scheduleRefresh);
    connect(this, &QListWidget::itemActivated, this, &FolderView::open);
}

FolderView::~FolderView() {
    // Loads still queued are dropped; the one running finishes before this object goes.
    loader_.clear();
    loader_.waitForDone();
}

void FolderView::Navigate(const QString& folder) {
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    folder_ = folder;
    thumbnails_.clear();
    clear();
    if (QFileInfo(folder).isDir()) watcher_.addPath(folder);
    refresh();
}

QStringList FolderView::entryNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i) names << item(i)->text();
    return names;
}

bool FolderView::hasThumbnail(const QString& name) const {
    auto it = thumbnails_.constFind(QDir(folder_).filePath(name));
    return it != thumbnails_.constEnd() && !it->icon.isNull() && !it->pending;
}

void FolderView::scheduleRefresh() {
    refreshTimer_.start();
}

void FolderView::refresh() {
    QFileInfoList entries =
        QDir(folder_).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    // Newest first; captures written within the same instant by descending number.
    std::sort(entries.begin(), entries.end(), [&](const QFileInfo& a, const QFileInfo& b) {
        const QDateTime ma = a.lastModified(), mb = b.lastModified();
        if (ma != mb) return ma > mb;
        return compareNatural(a.fileName(), b.fileName()) > 0;
    });

    const QString current = currentItem() ? currentItem()->data(kPathRole).toString() : QString();
    const int scroll = verticalScrollBar()->value();
    QSet<QString> present;
    clear();
    for (const QFileInfo& info : entries) {
        const QString path = info.absoluteFilePath();
        present.insert(path);
        auto* entry = new QListWidgetItem(info.fileName(), this);
        entry->setData(kPathRole, path);
        entry->setToolTip(QStringLiteral("%1\n%2 octets\n%3")
                              .arg(info.fileName())
                              .arg(QLocale().toString(info.size()))
                              .arg(QLocale().toString(info.lastModified(), QLocale::ShortFormat)));
        if (isPicture(info)) {
            requestThumbnail(info);
            const Thumbnail& t = thumbnails_[path];
            entry->setIcon(t.icon.isNull() ? fileTypeIcon(info) : t.icon);
        } else {
            entry->setIcon(fileTypeIcon(info));
        }
        if (path == current) setCurrentItem(entry);
    }
    verticalScrollBar()->setValue(scroll);
    for (auto it = thumbnails_.begin(); it != thumbnails_.end();) {
        if (present.contains(it.key())) {
            ++it;
        } else {
            watcher_.removePath(it.key());
            it = thumbnails_.erase(it);
        }
    }
    emit refreshed();
}

void FolderView::requestThumbnail(const QFileInfo& info) {
    const QString path = info.absoluteFilePath();
    Thumbnail& t = thumbnails_[path];
    const bool unchanged = t.modified == info.lastModified() && t.size == info.size();
    if (unchanged && (t.pending || !t.icon.isNull() || t.failed)) return;
    t.modified = info.lastModified();
    t.size = info.size();
    t.pending = true;
    t.failed = false;
    const QDateTime modified = t.modified;
    const qint64 size = t.size;
    loader_.start([this, path, modified, size] {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid())
            reader.setScaledSize(
                full.scaled(kThumbnailSize, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
        const QImage image = reader.read();
        // The view waits for this task before it is destroyed, so `this` is still alive here.
        QMetaObject::invokeMethod(
            this,
            [this, path, modified, size, image] { thumbnailLoaded(path, modified, size, image); },
            Qt::QueuedConnection);
    });
}

void FolderView::thumbnailLoaded(const QString& path, const QDateTime& modified, qint64 size,
                                 const QImage& image) {
    auto it = thumbnails_.find(path);
    if (it == thumbnails_.end() || it->modified != modified || it->size != size) return;
    it->pending = false;
    if (image.isNull()) {
        // Most likely still being written: look again when it changes.
        it->failed = true;
        watcher_.addPath(path);
        return;
    }
    watcher_.removePath(path);
    QPixmap framed(kThumbnailSize);
    framed.fill(Qt::transparent);
    {
        QPainter p(&framed);
        const QRect r(QPoint((kThumbnailSize.width() - image.width()) / 2,
                             (kThumbnailSize.height() - image.height()) / 2),
                      image.size());
        p.drawImage(r, image);
    }
    it->icon = QIcon(framed);
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(kPathRole).toString() == path) item(i)->setIcon(it->icon);
    }
    emit refreshed();
}

void FolderView::open(QListWidgetItem* item) {
    if (item) sys::shellOpen(item->data(kPathRole).toString());
}

}  // namespace stillmar
