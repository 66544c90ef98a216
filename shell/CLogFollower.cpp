#include "CLogFollower.h"

#include <QFileInfo>

CLogFollower::CLogFollower(QObject* parent) : QObject(parent) {
    m_poll.setInterval(kPollMs);
    m_coalesce.setSingleShot(true);
    m_coalesce.setInterval(kCoalesceMs);
    connect(&m_poll, &QTimer::timeout, this, &CLogFollower::Look);
    connect(&m_coalesce, &QTimer::timeout, this, &CLogFollower::Look);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &CLogFollower::OnNotice);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &CLogFollower::OnNotice);
}

void CLogFollower::Start(const QString& path) {
    Stop();
    m_strPath = path;
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir()) m_watcher.addPath(folder);
    Rewatch();
    m_poll.start();
}

void CLogFollower::Stop() {
    m_poll.stop();
    m_coalesce.stop();
    if (!m_watcher.files().isEmpty()) m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
    m_strPath.clear();
}

void CLogFollower::Rewatch() {
    if (m_strPath.isEmpty()) return;
    // A notice for a file renamed away keeps coming for the old file: the name is
    // watched afresh, which finds the file now under it.
    if (m_watcher.files().contains(m_strPath)) m_watcher.removePath(m_strPath);
    if (QFileInfo::exists(m_strPath)) m_watcher.addPath(m_strPath);
}

void CLogFollower::OnNotice() {
    // The first notice of a burst starts the wait; later ones join it.
    if (!m_coalesce.isActive()) m_coalesce.start(kCoalesceMs);
}

void CLogFollower::LookSoon() {
    m_coalesce.start(0);
}
