#pragma once
// A file view of one folder: newest first, pictures as thumbnails, following the folder while
// it changes. Activating an entry opens it with the desktop's default program.

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QHash>
#include <QListWidget>
#include <QSet>
#include <QString>
#include <QThreadPool>
#include <QTimer>

class QFileInfo;

namespace stillmar {

class FolderView : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderView(QWidget* parent = nullptr);
    ~FolderView() override;

    // Shows `folder` and follows it from now on.
    void Navigate(const QString& folder);
    QString LocationURL() const { return folder_; }

    // Entry names in the order shown.
    QStringList entryNames() const;
    // Whether the entry shows a thumbnail of its picture (rather than a file-type icon).
    bool hasThumbnail(const QString& name) const;

    static constexpr QSize kThumbnailSize{128, 96};

  signals:
    // After every re-reading of the folder and every thumbnail that arrives.
    void refreshed();

  private:
    struct Thumbnail {
        QDateTime modified;
        qint64 size = -1;
        QIcon icon;
        bool pending = false;
        bool failed = false;
    };

    void scheduleRefresh();
    void refresh();
    void requestThumbnail(const QFileInfo& info);
    void thumbnailLoaded(const QString& path, const QDateTime& modified, qint64 size,
                         const QImage& image);
    void open(QListWidgetItem* item);

    QString folder_;
    QFileSystemWatcher watcher_;
    QTimer refreshTimer_;
    QHash<QString, Thumbnail> thumbnails_;
    QThreadPool loader_;
};

}  // namespace stillmar
