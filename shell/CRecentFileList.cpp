#include "CRecentFileList.h"

#include "AppSettings.h"

CRecentFileList::CRecentFileList(int size, int maxDisplayLength)
    : m_nSize(size), m_nMaxDisplayLength(maxDisplayLength) {}

void CRecentFileList::Add(const QString& path) {
    // File names differ by letter case on this platform, so only an exact match is the
    // same file.
    m_files.removeAll(path);
    m_files.prepend(path);
    while (m_files.size() > m_nSize) m_files.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < GetCount()) m_files.removeAt(index);
}

void CRecentFileList::ReadList() {
    m_files = AppSettings::GetRecentFiles();
    while (m_files.size() > m_nSize) m_files.removeLast();
}

void CRecentFileList::WriteList() const {
    AppSettings::SetRecentFiles(m_files);
}

QString CRecentFileList::GetDisplayName(int index) const {
    return AbbreviatePath(m_files[index], m_nMaxDisplayLength);
}

QString CRecentFileList::AbbreviatePath(const QString& path, int maxLength) {
    if (path.size() <= maxLength) return path;
    const qsizetype lastSlash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(lastSlash + 1);
    const QString root = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    const QString ellipsis = QStringLiteral("...");
    // Drop leading folders, one at a time, until root + ".../" + the rest fits.
    QString rest = path.mid(root.size());
    for (;;) {
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        if (slash < 0) break;
        rest = rest.mid(slash + 1);
        const QString candidate = root + ellipsis + QLatin1Char('/') + rest;
        if (candidate.size() <= maxLength) return candidate;
    }
    return name;
}
