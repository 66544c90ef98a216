#pragma once

#include <QString>

// Reads the suite's machine-wide settings: QSettings "Quellbrook Inc." / "T.A.R.N.I.X."
// in the system scope, one section of it. Only reads; the suite writes these values.
class CSuiteRegistry {
public:
    explicit CSuiteRegistry(const QString& section);

    // The stored text of the value, or def when it is missing or not a text.
    QString GetString(const QString& name, const QString& def) const;

private:
    QString m_strSection;
};
