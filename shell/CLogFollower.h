#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Tells when to look at a followed log again: on the file system's change notices for
// the file and for its folder (where a rotated log's successor appears), and once a
// second in any case, for file systems that send no notices (network and FUSE mounts).
// A burst of notices comes out as one Look, at most one every kCoalesceMs: a busy log
// never queues an update per write.
class CLogFollower : public QObject {
    Q_OBJECT

public:
    static constexpr int kPollMs = 1000;
    static constexpr int kCoalesceMs = 50;

    explicit CLogFollower(QObject* parent = nullptr);

    // Watches path (replacing what was watched) until Stop.
    void Start(const QString& path);
    void Stop();
    bool IsActive() const { return m_poll.isActive(); }
    const QString& GetPath() const { return m_strPath; }
    // More is waiting to be read: another Look as soon as the window has caught up.
    void LookSoon();
    const QFileSystemWatcher& GetWatcher() const { return m_watcher; }
    // A change notice from the file system.
    void OnNotice();

signals:
    void Look();

private:
    // The file under the watched name may be a new one: its notices are asked for again.
    void Rewatch();

    QString m_strPath;
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
    QTimer m_coalesce;
};
