#include "testsupport.h"

#include "drivelist.h"

#include <QDir>
#include <QFile>
#include <QTest>

MessageBoxes::Answer ScriptedMessageBoxes::show(const QString &text, const QString &title,
                                                Icon icon, Buttons buttons)
{
    shown.append({text, title, icon, buttons});
    if (onShow)
        onShow(text);
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}

QStringList ScriptedMessageBoxes::texts() const
{
    QStringList result;
    for (const Shown &s : shown)
        result.append(s.text);
    return result;
}

QString makeFile(const QString &folder, const QString &name, const QByteArray &content)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot create %s", qPrintable(path));
    return path;
}

QString makeFolder(const QString &parent, const QString &name)
{
    const QString path = parent + QLatin1Char('/') + name;
    if (!QDir().mkpath(path))
        qFatal("cannot create %s", qPrintable(path));
    return path;
}

QStringList namesIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    names.sort();
    return names;
}

WindowHarness::WindowHarness() : m_oldHome(qgetenv("HOME"))
{
    if (!m_dir.isValid())
        qFatal("no temporary folder");
    makeFolder(m_dir.path(), QStringLiteral("home"));
    makeFolder(m_dir.path(), QStringLiteral("settings"));
    qputenv("HOME", QFile::encodeName(home()));
    m_settings = std::make_unique<SettingsStore>(QStringLiteral("Pro"), settingsFile());
}

WindowHarness::~WindowHarness()
{
    window.reset();
    engine.reset();
    qputenv("HOME", m_oldHome);
}

Purge &WindowHarness::create(const QStringList &extraDriveRoots)
{
    engine = std::make_unique<ProModule>(messages, busy);
    window = std::make_unique<Purge>(*engine, *m_settings, messages, busy);
    QList<DriveList::Volume> volumes{{QStringLiteral("/"), QStringLiteral("root")}};
    for (const QString &root : extraDriveRoots)
        volumes.append({root, QDir(root).dirName()});
    window->drvList->setVolumes(volumes);
    return *window;
}

Purge &WindowHarness::load(const QStringList &extraDriveRoots)
{
    create(extraDriveRoots);
    window->Form_Load();
    return *window;
}
