#include "settingsstore.h"

#include <QSettings>

SettingsStore::SettingsStore(const QString &application)
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, application))
{
}

SettingsStore::SettingsStore(const QString &, const QString &iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::value(const QString &section, const QString &key) const
{
    return m_settings->value(section + QLatin1Char('/') + key, QString()).toString();
}

void SettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    m_settings->setValue(section + QLatin1Char('/') + key, value);
}

void SettingsStore::removeSection(const QString &section)
{
    m_settings->remove(section);
}

void SettingsStore::sync()
{
    m_settings->sync();
}
