#include "AppSettings.h"

#include <QSettings>
#include <QStandardPaths>
#include <sys/stat.h>

#include "CommandIds.h"

#include <utility>

namespace {

QString g_strUnusableFile;

QSettings UserSettings() {
    return AppSettings::OpenSettings(QSettings::UserScope, QString::fromLatin1(AppSettings::kCompany),
                                     QString::fromLatin1(AppSettings::kApplication));
}

QString ReadString(const char* key, const QString& def) {
    const QVariant value = UserSettings().value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : def;
}

}  // namespace

int AppSettings::ReadInt(const QVariant& value, int def) {
    bool ok = false;
    const int n = value.toInt(&ok);
    return value.isValid() && ok ? n : def;
}

QString AppSettings::GetPrinterFont() { return ReadString(kPrinterFont, QStringLiteral("Arial")); }
void AppSettings::SetPrinterFont(const QString& face) { UserSettings().setValue(kPrinterFont, face); }

int AppSettings::GetPrinterFontSize() { return ReadInt(UserSettings().value(kPrinterFontSize), 90); }
void AppSettings::SetPrinterFontSize(int tenths) { UserSettings().setValue(kPrinterFontSize, tenths); }

bool AppSettings::GetExcludeInvalidDate() { return ReadInt(UserSettings().value(kExcludeInvalidDate), 0) != 0; }
void AppSettings::SetExcludeInvalidDate(bool exclude) { UserSettings().setValue(kExcludeInvalidDate, exclude ? 1 : 0); }

int AppSettings::GetPreviewPages() { return ReadInt(UserSettings().value(kPreviewPages), 0); }
void AppSettings::SetPreviewPages(int pages) { UserSettings().setValue(kPreviewPages, pages); }

QStringList AppSettings::GetRecentFiles() {
    QSettings settings = UserSettings();
    settings.beginGroup(kRecentFileSection);
    QStringList files;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QVariant value = settings.value(QStringLiteral("File%1").arg(i));
        if (value.typeId() == QMetaType::QString && !value.toString().isEmpty()) files.append(value.toString());
    }
    return files;
}

void AppSettings::SetRecentFiles(const QStringList& files) {
    QSettings settings = UserSettings();
    settings.beginGroup(kRecentFileSection);
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= files.size()) {
            settings.setValue(key, files[i - 1]);
        } else {
            settings.remove(key);
        }
    }
}

std::optional<QString> AppSettings::GetHelpFilePath() {
    const QSettings machine = OpenSettings(QSettings::SystemScope, QString::fromLatin1(kCompany), {});
    const QVariant value = machine.value(kHelpFilePath);
    if (!value.isValid()) return std::nullopt;
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QStringList AppSettings::SettingsFiles(QSettings::Scope scope, const QString& company, const QString& application) {
    // The files QSettings reads for these names, in its order: the user's folder first
    // (user scope only), then every machine-wide folder.
    const QString appFile = company + QLatin1Char('/') + application + QStringLiteral(".conf");
    const QString companyFile = company + QStringLiteral(".conf");
    QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    const QString userDir = dirs.isEmpty() ? QString() : dirs.takeFirst();
    QStringList files;
    if (scope == QSettings::UserScope) {
        if (!application.isEmpty()) files.append(userDir + QLatin1Char('/') + appFile);
        files.append(userDir + QLatin1Char('/') + companyFile);
    }
    if (!application.isEmpty()) {
        for (const QString& dir : dirs) files.append(dir + QLatin1Char('/') + appFile);
    }
    for (const QString& dir : dirs) files.append(dir + QLatin1Char('/') + companyFile);
    return files;
}

QSettings AppSettings::OpenSettings(QSettings::Scope scope, const QString& company, const QString& application) {
    // QSettings opens its files with a plain open, which waits for ever on a FIFO, and
    // reads a device without end: such a file is refused and the settings it holds read
    // as their defaults (and nothing is stored) for as long as it is there.
    for (const QString& file : SettingsFiles(scope, company, application)) {
        struct stat st {};
        const QByteArray path = file.toLocal8Bit();
        if (stat(path.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
            if (g_strUnusableFile.isEmpty()) g_strUnusableFile = file;
            return QSettings(QString(), QSettings::IniFormat);
        }
    }
    if (application.isEmpty()) return QSettings(QSettings::NativeFormat, scope, company);
    return QSettings(QSettings::NativeFormat, scope, company, application);
}

QString AppSettings::TakeUnusableFile() { return std::exchange(g_strUnusableFile, QString()); }
