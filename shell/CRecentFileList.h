#pragma once

#include <QString>
#include <QStringList>

// The recent-file list of the File menu: at most a fixed number of full paths, the most
// recent first, each shown abbreviated to a maximum length.
class CRecentFileList {
public:
    CRecentFileList(int size, int maxDisplayLength);

    // Puts path first; a path already in the list moves up instead of appearing twice,
    // and the oldest entry falls off a full list.
    void Add(const QString& path);
    void Remove(int index);
    int GetCount() const { return static_cast<int>(m_files.size()); }
    const QString& operator[](int index) const { return m_files[index]; }
    const QStringList& GetFiles() const { return m_files; }

    // The stored list from the settings, and back.
    void ReadList();
    void WriteList() const;

    // The path shortened to the display length: the root, "...", and as many of the
    // last components as fit; the file name alone when even that does not fit.
    QString GetDisplayName(int index) const;
    static QString AbbreviatePath(const QString& path, int maxLength);

private:
    QStringList m_files;
    int m_nSize;
    int m_nMaxDisplayLength;
};
