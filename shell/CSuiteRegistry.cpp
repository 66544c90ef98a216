#include "CSuiteRegistry.h"

#include <QSettings>

#include "AppSettings.h"

CSuiteRegistry::CSuiteRegistry(const QString& section) : m_strSection(section) {}

QString CSuiteRegistry::GetString(const QString& name, const QString& def) const {
    return AppSettings::ReadString(QSettings::SystemScope, QStringLiteral("Quellbrook Inc."),
                                   QStringLiteral("T.A.R.N.I.X."),
                                   m_strSection + QLatin1Char('/') + name, def);
}
