#include "testsupport.h"

#include "drivelist.h"
#include "filelist.h"
#include "folderreader.h"
#include "platformerror.h"
#include "dirlist.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdio>

MessageBoxes::Answer ScriptedMessageBoxes::show(const QString &text, const QString &title,
                                                Icon icon, Buttons buttons, const QString &details)
{
    shown.append({text, title, icon, buttons, details});
    if (onShow)
        onShow(text);
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return answers.isEmpty() ? Answer::No : answers.takeFirst();
}

std::unique_ptr<FileSystemObject> TestServices::createObject(const QString &className)
{
    if (unavailable)
        throw PlatformError(QStringLiteral("service switched off by the test"));
    return ServiceFactory::createObject(className);
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

void makeRawFile(const QString &folder, const QByteArray &name)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    FILE *raw = std::fopen(path.constData(), "w");
    if (!raw)
        qFatal("cannot create %s", path.constData());
    std::fclose(raw);
}

int RacingOperations::status(int folderFd, const char *name, FileIdentity &out)
{
    const QString entry = QString::fromUtf8(name);
    if (beforeStatus)
        beforeStatus(entry);
    const int err = FileOperations::status(folderFd, name, out);
    if (err == 0 && reportedInode.contains(entry))
        out.inode = reportedInode.value(entry);
    return err;
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
    confirm.reset();
    engine.reset();
    qputenv("HOME", m_oldHome);
}

Purge &WindowHarness::create(const QStringList &extraDriveRoots)
{
    engine = std::make_unique<ProModule>(messages, services);
    engine->setFileOperations(operations);
    confirm = std::make_unique<ConfirmDialogHost>(*engine);
    window = std::make_unique<Purge>(*engine, *m_settings, messages, busy, registry, starter);
    engine->setViews(window.get(), confirm.get());
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

PurgeFixture::PurgeFixture(const QStringList &files, bool ask, const QString &folderName)
{
    folder = makeFolder(h.home(), folderName);
    for (const QString &name : files)
        makeFile(folder, name, name.toUtf8());
    h.settings().setValue("Startup", "Dir", folder);
    w = &h.load();
    w->Ask->setChecked(ask);
    h.messages.shown.clear();
}

QStringList PurgeFixture::purge(const QList<MessageBoxes::Answer> &answers)
{
    h.messages.answers = answers;
    w->Purge_Command->click();
    return h.messages.texts();
}

void PurgeFixture::expectIdle(bool scanned) const
{
    QVERIFY(!w->Purge_Command->isHidden());
    QVERIFY(w->Purge_Command->isEnabled());
    QVERIFY(w->Ask->isEnabled());
    QVERIFY(w->Command1->isEnabled() && w->Command7->isEnabled());
    QVERIFY(w->ProgressBar1->isHidden());
    QVERIFY(w->FILE_DELETING_LABEL->isHidden());
    QVERIFY(!scanned || w->FILE_DELETING_LABEL->text().isEmpty());
    QVERIFY(w->DeleteFiles->isHidden());
    QVERIFY(w->PurgeListLabel->isHidden());
    QVERIFY(!h.confirm->dialog() || h.confirm->dialog()->isHidden());
    QVERIFY(!h.busy.isBusy());
}

void FakeView::open(const QString &folder)
{
    FolderListing listing = readFolder(folder);
    sortFileNames(listing.files, &listing.fileIdentities);
    listed = {folder, listing.identity, listing.files, listing.fileIdentities};
}

void FakeView::showPurgeList(const QStringList &paths, const QString &caption)
{
    purgeList = paths;
    purgeListCaption = caption;
}

EngineFixture::EngineFixture(const QStringList &files, bool confirmEach)
    : folder(makeFolder(dir.path(), "work"))
{
    for (const QString &name : files)
        makeFile(folder, name, name.toUtf8());
    engine.setViews(&view, &view);
    engine.setFileOperations(operations);
    view.confirm = confirmEach;
    view.open(folder);
    engine.CountProEngFiles();
}

QStringList EngineFixture::purge(const QList<MessageBoxes::Answer> &answers)
{
    messages.answers = answers;
    engine.runPurge();
    return messages.texts();
}

void EngineFixture::expectIdle() const
{
    QVERIFY(view.controlsEnabled);
    QVERIFY(view.purgeList.isEmpty());
    QVERIFY(!view.progressVisible);
    QVERIFY(!view.statusVisible);
    QVERIFY(!view.dialogVisible);
}
