#include "AppSettings.h"

#include <QSettings>

#include "CommandIds.h"

namespace {

QSettings UserSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, AppSettings::kCompany,
                     AppSettings::kApplication);
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

bool AppSettings::GetLfLineEnds() {
    return ReadInt(UserSettings().value(kLfLineEnds), 0) != 0;
}
void AppSettings::SetLfLineEnds(bool lfEndsLine) {
    UserSettings().setValue(kLfLineEnds, lfEndsLine ? 1 : 0);
}

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
    const QSettings machine(QSettings::NativeFormat, QSettings::SystemScope, kCompany);
    const QVariant value = machine.value(kHelpFilePath);
    if (!value.isValid()) return std::nullopt;
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}
