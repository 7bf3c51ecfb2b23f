#include "settingsstore.h"

#include "settingsfile.h"

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
    // Reading a FIFO or a device would block the start for good, a link may lead to a file that
    // is not ours to rewrite as settings, and a huge file would take long to read: such a file
    // is left alone, and nothing is remembered in this run. A few short values never come near
    // the limit.
    const QString usable = usableSettingsFile(iniFile, 64 * 1024);
    if (usable.isEmpty())
        return;
    m_settings = std::make_unique<QSettings>(usable, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::value(const QString &section, const QString &key) const
{
    if (!m_settings)
        return QString();
    const QVariant value = m_settings->value(section + QLatin1Char('/') + key, QString());
    // A value with commas typed in by hand without quotes, such as Types=prt,asm, is read by
    // QSettings as a list: it is given back as one text, commas between.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
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
