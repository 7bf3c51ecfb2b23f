#include "pinnedfolder.h"
#include "platformerror.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool present(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

struct stat lstatOf(const QString &path)
{
    struct stat st = {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        qFatal("cannot stat %s", qPrintable(path));
    return st;
}

int modeOf(const QString &path)
{
    return int(lstatOf(path).st_mode & 07777);
}

quint64 inodeOf(const QString &path)
{
    return quint64(lstatOf(path).st_ino);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void setMode(const QString &path, int mode)
{
    if (::chmod(QFile::encodeName(path).constData(), mode_t(mode)) != 0)
        qFatal("cannot chmod %s", qPrintable(path));
}

void makeLink(const QString &target, const QString &link)
{
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()))
        qFatal("cannot link %s", qPrintable(link));
}

// The error text, or a null string when nothing was thrown.
QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const PlatformError &error) {
        return error.message();
    }
    return {};
}

// Every path below the folder with its inode, type, mode and size, to see that nothing changed.
QStringList snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const struct stat st = lstatOf(path);
        entries << QStringLiteral("%1 %2 %3 %4")
                       .arg(path)
                       .arg(st.st_ino)
                       .arg(st.st_mode)
                       .arg(st.st_size);
    }
    entries.sort();
    return entries;
}

bool setImmutable(const QString &path, bool on)
{
    return QProcess::execute(QStringLiteral("chattr"),
                             {on ? QStringLiteral("+i") : QStringLiteral("-i"), path}) == 0;
}

} // namespace

class TestPinnedFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void removesFile_data();
    void removesFile();
    void removesLinkNotTarget_data();
    void removesLinkNotTarget();
    void refusesEntry_data();
    void refusesEntry();
    void refusesBadName_data();
    void refusesBadName();
    void refusesFolderPath_data();
    void refusesFolderPath();
    void followsRenamedFolder();
    void immutableEntryStays_data();
    void immutableEntryStays();
    void splitsDirectChild_data();
    void splitsDirectChild();
    void pinnedPathWithTrailingSlash();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_work;
};

void TestPinnedFolder::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_work = makeFolder(m_tmp->path(), QStringLiteral("work"));
}

void TestPinnedFolder::removesFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("checkInode");

    QTest::newRow("writable") << 0644 << false;
    QTest::newRow("writable, listed inode") << 0644 << true;
    QTest::newRow("read-only") << 0444 << false;
    QTest::newRow("read-only, listed inode") << 0444 << true;
    QTest::newRow("no permissions at all") << 0000 << true;
}

void TestPinnedFolder::removesFile()
{
    QFETCH(int, mode);
    QFETCH(bool, checkInode);
    const QString file = makeFile(m_work, QStringLiteral("a.prt.1"), "one");
    const QString neighbour = makeFile(m_work, QStringLiteral("a.prt.2"), "two");
    setMode(file, mode);

    PinnedFolder folder(m_work, identityOfFolder(m_work));
    folder.removeFile(QStringLiteral("a.prt.1"), checkInode ? inodeOf(file) : 0);
    QVERIFY(!present(file));
    QCOMPARE(contentOf(neighbour), QByteArray("two"));
}

void TestPinnedFolder::removesLinkNotTarget_data()
{
    QTest::addColumn<QString>("target"); // relative to the temporary folder; empty: dangling

    QTest::newRow("read-only file in the folder") << "work/a.prt.1";
    QTest::newRow("read-only file outside") << "outside/b.prt.1";
    QTest::newRow("dangling") << "";
}

void TestPinnedFolder::removesLinkNotTarget()
{
    QFETCH(QString, target);
    makeFolder(m_tmp->path(), QStringLiteral("outside"));
    const QString targetPath = m_tmp->filePath(target.isEmpty() ? QStringLiteral("gone") : target);
    if (!target.isEmpty()) {
        makeFile(QFileInfo(targetPath).path(), QFileInfo(targetPath).fileName(), "kept");
        setMode(targetPath, 0444);
    }
    const QString link = m_work + QStringLiteral("/a.prt.9");
    makeLink(targetPath, link);

    PinnedFolder folder(m_work, identityOfFolder(m_work));
    // The link's own inode: the one a listing reports for it.
    folder.removeFile(QStringLiteral("a.prt.9"), inodeOf(link));
    QVERIFY(!present(link));
    if (!target.isEmpty()) {
        QCOMPARE(contentOf(targetPath), QByteArray("kept"));
        QCOMPARE(modeOf(targetPath), 0444);
    }
}

void TestPinnedFolder::refusesEntry_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("vanished") << "none";
    QTest::newRow("folder named like a file") << "folder";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("replaced by another file") << "replaced";
}

void TestPinnedFolder::refusesEntry()
{
    QFETCH(QString, kind);
    const QString path = m_work + QStringLiteral("/a.prt.3");
    quint64 listedInode = 0;
    if (kind == QLatin1String("folder")) {
        makeFile(makeFolder(m_work, QStringLiteral("a.prt.3")), QStringLiteral("inner"));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (kind == QLatin1String("replaced")) {
        listedInode = inodeOf(makeFile(m_work, QStringLiteral("a.prt.3"), "listed"));
        // Renamed over the old one while that still exists: the inode must differ.
        makeFile(m_work, QStringLiteral("new"), "new");
        QCOMPARE(::rename(QFile::encodeName(m_work + QStringLiteral("/new")).constData(),
                          QFile::encodeName(path).constData()),
                 0);
    }
    const QStringList before = snapshot(m_tmp->path());

    PinnedFolder folder(m_work, identityOfFolder(m_work));
    const QString error =
        errorOf([&] { folder.removeFile(QStringLiteral("a.prt.3"), listedInode); });
    QVERIFY(!error.isNull());
    QVERIFY2(error.contains(path), qPrintable(error));
    QCOMPARE(snapshot(m_tmp->path()), before);
}

void TestPinnedFolder::refusesBadName_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("empty") << "";
    QTest::newRow("dot") << ".";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("file in subfolder") << "x/y";
    QTest::newRow("file beside the folder") << "../outside.prt.1";
    QTest::newRow("NUL after an existing name") << QStringLiteral("a.prt.1") + QChar(0) + "x";
    QTest::newRow("unpaired surrogate") << QStringLiteral("a.prt.1") + QChar(0xD800);
}

void TestPinnedFolder::refusesBadName()
{
    QFETCH(QString, name);
    makeFile(m_work, QStringLiteral("a.prt.1"));
    makeFile(makeFolder(m_work, QStringLiteral("x")), QStringLiteral("y"));
    makeFile(m_tmp->path(), QStringLiteral("outside.prt.1"));
    // Whatever the name turns into on its way to the system must not be deleted either.
    const QString encoded = QFile::decodeName(QFile::encodeName(name).split('\0').first());
    if (!encoded.isEmpty() && !encoded.contains(QLatin1Char('/')) &&
        !encoded.startsWith(QLatin1Char('.')))
        makeFile(m_work, encoded);
    const QStringList before = snapshot(m_tmp->path());

    PinnedFolder folder(m_work, identityOfFolder(m_work));
    QVERIFY_THROWS_EXCEPTION(PlatformError, folder.removeFile(name));
    QCOMPARE(snapshot(m_tmp->path()), before);
}

void TestPinnedFolder::refusesFolderPath_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("renamed away and replaced") << "replaced";
    QTest::newRow("link to the folder") << "link";
    QTest::newRow("link to the folder, trailing slash") << "link/";
}

void TestPinnedFolder::refusesFolderPath()
{
    QFETCH(QString, kind);
    const FileIdentity listed = identityOfFolder(m_work);
    QString path = m_work;
    if (kind == QLatin1String("replaced")) {
        QVERIFY(QDir(m_tmp->path()).rename(QStringLiteral("work"), QStringLiteral("old")));
        makeFolder(m_tmp->path(), QStringLiteral("work"));
    } else {
        path = m_tmp->filePath(QStringLiteral("link"));
        makeLink(m_work, path);
        // Listed through the link, the identity matches; still the link must not be pinned.
        QCOMPARE(identityOfFolder(path), listed);
        if (kind.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
    }
    QVERIFY_THROWS_EXCEPTION(PlatformError, PinnedFolder(path, listed));
    // The folder now at the path can be pinned with its own identity.
    if (kind == QLatin1String("replaced")) {
        const PinnedFolder current(path, identityOfFolder(path));
        QCOMPARE(current.path(), path);
    }
}

void TestPinnedFolder::followsRenamedFolder()
{
    const QString pinnedFile = makeFile(m_work, QStringLiteral("a.prt.1"), "pinned");
    PinnedFolder folder(m_work, identityOfFolder(m_work));
    QVERIFY(QDir(m_tmp->path()).rename(QStringLiteral("work"), QStringLiteral("moved")));
    const QString newFile = makeFile(makeFolder(m_tmp->path(), QStringLiteral("work")),
                                     QStringLiteral("a.prt.1"), "new");
    QCOMPARE(newFile, pinnedFile);

    folder.removeFile(QStringLiteral("a.prt.1"));
    QVERIFY(!present(m_tmp->filePath(QStringLiteral("moved/a.prt.1"))));
    QCOMPARE(contentOf(newFile), QByteArray("new"));
}

void TestPinnedFolder::immutableEntryStays_data()
{
    QTest::addColumn<bool>("folderImmutable");
    QTest::addColumn<int>("mode");

    QTest::newRow("immutable file") << false << 0644;
    QTest::newRow("immutable read-only file") << false << 0444;
    // The write bit is added before unlinking fails; it must be taken away again.
    QTest::newRow("read-only file in immutable folder") << true << 0444;
}

void TestPinnedFolder::immutableEntryStays()
{
    QFETCH(bool, folderImmutable);
    QFETCH(int, mode);
    const QString probe = makeFile(m_tmp->path(), QStringLiteral("probe"));
    const QString file = makeFile(m_work, QStringLiteral("a.prt.1"), "kept");
    setMode(file, mode);
    const QString locked = folderImmutable ? m_work : file;
    // Whatever happens, the temporary folder must stay removable.
    auto unlock = qScopeGuard([&] {
        setImmutable(probe, false);
        setImmutable(locked, false);
    });
    if (!setImmutable(probe, true))
        QSKIP("chattr +i does not work here");
    QVERIFY(setImmutable(locked, true));

    PinnedFolder folder(m_work, identityOfFolder(m_work));
    QVERIFY_THROWS_EXCEPTION(PlatformError, folder.removeFile(QStringLiteral("a.prt.1")));
    QCOMPARE(contentOf(file), QByteArray("kept"));
    QCOMPARE(modeOf(file), mode);
}

void TestPinnedFolder::splitsDirectChild_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("fullPath");
    QTest::addColumn<QString>("name"); // empty: not a direct child

    QTest::newRow("root") << "/" << "/a.prt.1" << "a.prt.1";
    QTest::newRow("root, in a subfolder") << "/" << "/work/a.prt.1" << "";
    QTest::newRow("root itself") << "/" << "/" << "";
    QTest::newRow("folder") << "/work" << "/work/a.prt.1" << "a.prt.1";
    QTest::newRow("folder with slash") << "/work/" << "/work/a.prt.1" << "a.prt.1";
    QTest::newRow("in a subfolder") << "/work" << "/work/sub/a.prt.1" << "";
    QTest::newRow("with slash, in a subfolder") << "/work/" << "/work/sub/a.prt.1" << "";
    QTest::newRow("sibling sharing the prefix") << "/work" << "/workshop/a.prt.1" << "";
    QTest::newRow("the folder itself") << "/work" << "/work/" << "";
    QTest::newRow("parent entry") << "/work" << "/work/.." << "";
    QTest::newRow("double slash") << "/work" << "/work//a.prt.1" << "";
    QTest::newRow("empty folder path") << "" << "/a.prt.1" << "";
}

void TestPinnedFolder::splitsDirectChild()
{
    QFETCH(QString, folder);
    QFETCH(QString, fullPath);
    QFETCH(QString, name);
    QString found;
    QCOMPARE(PinnedFolder::splitDirectChild(folder, fullPath, found), !name.isEmpty());
    if (!name.isEmpty())
        QCOMPARE(found, name);
}

void TestPinnedFolder::pinnedPathWithTrailingSlash()
{
    PinnedFolder folder(m_work + QStringLiteral("//"), identityOfFolder(m_work));
    QCOMPARE(folder.path(), m_work);
    QString name;
    QVERIFY(folder.containsDirectly(m_work + QStringLiteral("/a.prt.1"), name));
    QCOMPARE(name, QStringLiteral("a.prt.1"));
    QVERIFY(!folder.containsDirectly(m_work + QStringLiteral("/x/a.prt.1"), name));
}

QTEST_MAIN(TestPinnedFolder)
#include "test_pinned_folder.moc"
