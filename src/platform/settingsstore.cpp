#include "settingsstore.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

SettingsStore::SettingsStore(const QString &application)
    : SettingsStore(application,
                    QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QLatin1Char('/') + application + QStringLiteral(".ini"))
{
}

SettingsStore::SettingsStore(const QString &, const QString &iniFile)
{
    // Reading a FIFO or a device would block the start for good, and writing would go through
    // it: such a file is left alone, and nothing is remembered in this run.
    const QFileInfo file(iniFile);
    if (file.exists() && !file.isFile())
        return;
    m_settings = std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::value(const QString &section, const QString &key) const
{
    if (!m_settings)
        return QString();
    return m_settings->value(section + QLatin1Char('/') + key, QString()).toString();
}

void SettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    if (m_settings)
        m_settings->setValue(section + QLatin1Char('/') + key, value);
}

void SettingsStore::removeSection(const QString &section)
{
    if (m_settings)
        m_settings->remove(section);
}

void SettingsStore::sync()
{
    if (m_settings)
        m_settings->sync();
}
