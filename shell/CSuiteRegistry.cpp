#include "CSuiteRegistry.h"

#include <QSettings>

#include "AppSettings.h"

CSuiteRegistry::CSuiteRegistry(const QString& section) : m_strSection(section) {}

QString CSuiteRegistry::GetString(const QString& name, const QString& def) const {
    const QSettings suite = AppSettings::OpenSettings(QSettings::SystemScope, QStringLiteral("Quellbrook Inc."),
                                                      QStringLiteral("T.A.R.N.I.X."));
    const QVariant value = suite.value(m_strSection + QLatin1Char('/') + name);
    return value.typeId() == QMetaType::QString ? value.toString() : def;
}
