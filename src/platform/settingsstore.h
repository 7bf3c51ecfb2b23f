#pragma once

#include <QString>
#include <memory>

class QSettings;

// The per-user settings store: text values under application, section and key. A missing key
// reads as empty text. The production store is an INI file "<application>.ini" in the user's
// configuration folder ($XDG_CONFIG_HOME, usually ~/.config); tests give a file of their own.
// A settings file that is not a regular file of at most 64 KiB, or a link to one of the user's
// own, is never read nor written.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &application);
    SettingsStore(const QString &application, const QString &iniFile);
    ~SettingsStore();

    QString value(const QString &section, const QString &key) const;
    void setValue(const QString &section, const QString &key, const QString &value);
    void removeSection(const QString &section);
    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};
