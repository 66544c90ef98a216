#include "ShellText.h"

#include <QFile>

QString LoadQString(StringId id) {
    const std::string_view text = LoadString(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString DecodePath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string EncodePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
