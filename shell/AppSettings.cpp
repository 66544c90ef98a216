#include "AppSettings.h"

#include <sys/stat.h>

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <string_view>
#include <utility>

#include "CommandIds.h"

namespace {

QString g_strUnusableFile;

QSettings UserSettings() {
    return AppSettings::OpenSettings(QSettings::UserScope,
                                     QString::fromLatin1(AppSettings::kCompany),
                                     QString::fromLatin1(AppSettings::kApplication));
}

QString ReadUserString(const QString& key, const QString& def) {
    return AppSettings::ReadString(QSettings::UserScope, QString::fromLatin1(AppSettings::kCompany),
                                   QString::fromLatin1(AppSettings::kApplication), key, def);
}

// Undoes the %XX escapes of a key or section name as stored.
QString UnescapeName(const QByteArray& name) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(name));
}

// A value's text as stored: quotes dropped, backslash escapes undone (\xHH and octal
// ones give that character), commas kept.
QString UnescapeValue(const QByteArray& raw) {
    QString out;
    QByteArray plain;  // UTF-8 bytes not yet decoded
    auto flush = [&] {
        out += QString::fromUtf8(plain);
        plain.clear();
    };
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') continue;
        if (c != '\\' || i + 1 == raw.size()) {
            plain.append(c);
            continue;
        }
        const char e = raw[++i];
        static constexpr std::string_view kFrom = "abfnrtv";
        static constexpr std::string_view kTo = "\a\b\f\n\r\t\v";
        if (const std::size_t at = kFrom.find(e); at != std::string_view::npos) {
            plain.append(kTo[at]);
        } else if (e == 'x' || (e >= '0' && e <= '7')) {
            const int base = e == 'x' ? 16 : 8;
            qsizetype j = e == 'x' ? i + 1 : i;
            char32_t code = 0;
            for (; j < raw.size(); ++j) {
                const char d = static_cast<char>(raw[j] | 0x20);
                const int digit = d >= '0' && d <= '9'   ? d - '0'
                                  : d >= 'a' && d <= 'f' ? d - 'a' + 10
                                                         : -1;
                if (digit < 0 || digit >= base) break;
                code = code * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
            }
            flush();
            out += QString::fromUcs4(&code, 1);
            i = j - 1;
        } else {
            plain.append(e);
        }
    }
    flush();
    return out;
}

// The stored text of key ("Section/Name", or "Name" in the General section) in the
// first of files that has it; null when none has.
QString RawValue(const QStringList& files, const QString& key) {
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    const QString section = slash < 0 ? QStringLiteral("General") : key.left(slash);
    const QString name = slash < 0 ? key : key.mid(slash + 1);
    for (const QString& file : files) {
        struct stat st {};
        const QByteArray path = QFile::encodeName(file);
        if (stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) continue;
        QString current = QStringLiteral("General");
        while (!in.atEnd()) {
            const QByteArray line = in.readLine().trimmed();
            if (line.startsWith('[') && line.endsWith(']')) {
                current = UnescapeName(line.mid(1, line.size() - 2));
                continue;
            }
            const qsizetype eq = line.indexOf('=');
            if (eq < 0 || current != section || UnescapeName(line.left(eq).trimmed()) != name)
                continue;
            return UnescapeValue(line.mid(eq + 1).trimmed());
        }
    }
    return {};
}

}  // namespace

int AppSettings::ReadInt(const QVariant& value, int def, int min, int max) {
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!value.isValid() || !ok) return def;
    return static_cast<int>(std::clamp<qlonglong>(n, min, max));
}

QString AppSettings::ReadString(QSettings::Scope scope, const QString& company,
                                const QString& application, const QString& key,
                                const QString& def) {
    const QVariant value = OpenSettings(scope, company, application).value(key);
    if (value.typeId() == QMetaType::QString) return value.toString();
    // QSettings reads an unquoted value with a comma as a list: a path such as
    // "/var/log/run 1,2.log" is still one text.
    if (value.typeId() == QMetaType::QStringList) {
        const QString raw = RawValue(SettingsFiles(scope, company, application), key);
        if (!raw.isNull()) return raw;
    }
    return def;
}

QString AppSettings::GetPrinterFont() {
    return ReadUserString(QString::fromLatin1(kPrinterFont), QStringLiteral("Arial"));
}
void AppSettings::SetPrinterFont(const QString& face) {
    UserSettings().setValue(kPrinterFont, face);
}

int AppSettings::GetPrinterFontSize() {
    return ReadInt(UserSettings().value(kPrinterFontSize), 90, kMinPrinterFontSize,
                   kMaxPrinterFontSize);
}
void AppSettings::SetPrinterFontSize(int tenths) {
    UserSettings().setValue(kPrinterFontSize, tenths);
}

bool AppSettings::GetExcludeInvalidDate() {
    return ReadInt(UserSettings().value(kExcludeInvalidDate), 0) != 0;
}
void AppSettings::SetExcludeInvalidDate(bool exclude) {
    UserSettings().setValue(kExcludeInvalidDate, exclude ? 1 : 0);
}

bool AppSettings::GetLfLineEnds() {
    return ReadInt(UserSettings().value(kLfLineEnds), 0) != 0;
}
void AppSettings::SetLfLineEnds(bool lfEndsLine) {
    UserSettings().setValue(kLfLineEnds, lfEndsLine ? 1 : 0);
}

int AppSettings::GetPreviewPages() {
    return ReadInt(UserSettings().value(kPreviewPages), 0, 0, kMaxPreviewPages);
}
void AppSettings::SetPreviewPages(int pages) {
    UserSettings().setValue(kPreviewPages, pages);
}

bool AppSettings::GetFollow() {
    return ReadInt(UserSettings().value(kFollow), 0) != 0;
}
void AppSettings::SetFollow(bool follow) {
    UserSettings().setValue(kFollow, follow ? 1 : 0);
}
bool AppSettings::GetLineNumbers() {
    return ReadInt(UserSettings().value(kLineNumbers), 0) != 0;
}
void AppSettings::SetLineNumbers(bool on) {
    UserSettings().setValue(kLineNumbers, on ? 1 : 0);
}
bool AppSettings::GetOverview() {
    return ReadInt(UserSettings().value(kOverview), 1) != 0;
}
void AppSettings::SetOverview(bool on) {
    UserSettings().setValue(kOverview, on ? 1 : 0);
}

QStringList AppSettings::GetRecentFiles() {
    QStringList files;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString file = ReadUserString(
            QString::fromLatin1(kRecentFileSection) + QStringLiteral("/File%1").arg(i), {});
        if (!file.isEmpty()) files.append(file);
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
    const QString company = QString::fromLatin1(kCompany);
    if (!OpenSettings(QSettings::SystemScope, company, {})
             .contains(QString::fromLatin1(kHelpFilePath))) {
        return std::nullopt;
    }
    return ReadString(QSettings::SystemScope, company, {}, QString::fromLatin1(kHelpFilePath), {});
}

QStringList AppSettings::SettingsFiles(QSettings::Scope scope, const QString& company,
                                       const QString& application) {
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

QSettings AppSettings::OpenSettings(QSettings::Scope scope, const QString& company,
                                    const QString& application) {
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

QString AppSettings::TakeUnusableFile() {
    return std::exchange(g_strUnusableFile, QString());
}
