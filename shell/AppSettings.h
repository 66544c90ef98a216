#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <limits>
#include <optional>

// Every stored setting of the program, under its stored name, with its type and default.
// Per-user values live in QSettings "Quellbrook inc." / "Trawlview" (native format); the
// machine-wide values belong to the suite and are only read. A missing value, or one of
// the wrong type, reads as the default; a number outside the range its use allows reads
// as the nearest end of that range.
class AppSettings {
public:
    static constexpr const char* kCompany = "Quellbrook inc.";
    static constexpr const char* kApplication = "Trawlview";
    static constexpr const char* kPrinterFont = "Settings/Printer Font";
    static constexpr const char* kPrinterFontSize = "Settings/Printer Font Size";
    static constexpr const char* kExcludeInvalidDate = "Settings/Exclude Invalid Date";
    static constexpr const char* kLfLineEnds = "Settings/LF Line Ends";
    static constexpr const char* kPreviewPages = "Settings/PreviewPages";
    static constexpr const char* kFollow = "Settings/Follow";
    static constexpr const char* kLineNumbers = "Settings/LineNumbers";
    static constexpr const char* kOverview = "Settings/Overview";
    static constexpr const char* kRecentFileSection = "Recent File List";
    // Machine-wide, under the company alone.
    static constexpr const char* kHelpFilePath = "Help File Path";

    // The printer font sizes the print setup dialog takes, 4 to 65535 points, in tenths.
    static constexpr int kMinPrinterFontSize = 40;
    static constexpr int kMaxPrinterFontSize = 655350;
    // The print preview shows one page or two side by side; 0 is its default of one.
    static constexpr int kMaxPreviewPages = 2;

    static QString GetPrinterFont();  // "Arial"
    static void SetPrinterFont(const QString& face);
    static int GetPrinterFontSize();  // tenths of a point; 90
    static void SetPrinterFontSize(int tenths);
    static bool GetExcludeInvalidDate();  // stored as 0 or 1; 0
    static void SetExcludeInvalidDate(bool exclude);
    static bool GetLfLineEnds();  // "Treat a lone LF as a line end", stored as 0 or 1; 0
    static void SetLfLineEnds(bool lfEndsLine);
    static int GetPreviewPages();  // 0
    static void SetPreviewPages(int pages);
    static bool GetFollow();  // stored as 0 or 1; 0
    static void SetFollow(bool follow);
    static bool GetLineNumbers();  // stored as 0 or 1; 0
    static void SetLineNumbers(bool on);
    static bool GetOverview();  // stored as 0 or 1; 1
    static void SetOverview(bool on);
    // "File1" to "File4", most recent first; missing and empty entries are left out.
    static QStringList GetRecentFiles();
    static void SetRecentFiles(const QStringList& files);
    // The folder of the help pages when the machine-wide value exists.
    static std::optional<QString> GetHelpFilePath();

    // The settings of company (and application, when not empty) in scope, read from
    // regular files only: when one of the files is a FIFO, a device or a folder, the
    // settings read as empty and are not stored, and that file is kept for
    // TakeUnusableFile.
    static QSettings OpenSettings(QSettings::Scope scope, const QString& company,
                                  const QString& application);
    // The paths QSettings reads for these names, in its order.
    static QStringList SettingsFiles(QSettings::Scope scope, const QString& company,
                                     const QString& application);
    // The first settings file refused since the last call, or empty.
    static QString TakeUnusableFile();

    // The text stored under key, or def when it is missing or not a text. An unquoted
    // value with commas is one text as written.
    static QString ReadString(QSettings::Scope scope, const QString& company,
                              const QString& application, const QString& key, const QString& def);
    // Reads an integer value clamped to [min, max], or def when it is missing or not a
    // number.
    static int ReadInt(const QVariant& value, int def, int min = std::numeric_limits<int>::min(),
                       int max = std::numeric_limits<int>::max());
};
