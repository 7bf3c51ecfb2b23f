#include "folderreader.h"
#include "pinnedfolder.h"
#include "platformerror.h"
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Deleting through the pinned folder. Ordinary purges (read-only files, links, files gone or
// replaced before their turn) are covered with the whole window; these are the edges below it.
class TestPinnedFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void refusesBadName_data();
    void refusesBadName();
    void refusesAnotherFolder_data();
    void refusesAnotherFolder();
    void followsRenamedFolder();
    void bulkStopsAtFirstFailure();
    void immutableEntryStays();
    void splitsDirectChild_data();
    void splitsDirectChild();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_work;
};

namespace {

quint64 inodeOf(const QString &path)
{
    struct stat st = {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return quint64(st.st_ino);
}

bool setImmutable(const QString &path, bool on)
{
    return QProcess::execute("chattr", {on ? "+i" : "-i", path}) == 0;
}

} // namespace

void TestPinnedFolder::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    m_work = makeFolder(m_tmp->path(), "work");
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
    makeFile(m_work, "a.prt.1");
    makeFile(makeFolder(m_work, "x"), "y");
    makeFile(m_tmp->path(), "outside.prt.1");
    PinnedFolder folder(m_work, readFolder(m_work).identity);
    QVERIFY_THROWS_EXCEPTION(PlatformError, folder.removeFile(name));
    QVERIFY_THROWS_EXCEPTION(PlatformError, folder.removeFiles({name}, {0}, [] {}));
    QCOMPARE(namesIn(m_work), (QStringList{"a.prt.1", "x"}));
    QCOMPARE(namesIn(m_work + "/x"), QStringList{"y"});
    QCOMPARE(namesIn(m_tmp->path()), (QStringList{"outside.prt.1", "work"}));
}

void TestPinnedFolder::refusesAnotherFolder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("renamed away and replaced") << "replaced";
    QTest::newRow("link to the folder") << "link";
    QTest::newRow("link to the folder, trailing slash") << "link/";
}

void TestPinnedFolder::refusesAnotherFolder()
{
    QFETCH(QString, kind);
    const FileIdentity listed = readFolder(m_work).identity;
    QString path = m_work;
    if (kind == "replaced") {
        QVERIFY(QDir(m_tmp->path()).rename("work", "old"));
        makeFolder(m_tmp->path(), "work");
    } else {
        path = m_tmp->filePath("link") + kind.mid(4);
        QVERIFY(QFile::link(m_work, m_tmp->filePath("link")));
        QCOMPARE(readFolder(path).identity, listed); // listed through the link, it looks the same
    }
    QVERIFY_THROWS_EXCEPTION(PlatformError, PinnedFolder(path, listed));
}

void TestPinnedFolder::followsRenamedFolder()
{
    makeFile(m_work, "a.prt.1", "pinned");
    PinnedFolder folder(m_work, readFolder(m_work).identity);
    QVERIFY(QDir(m_tmp->path()).rename("work", "moved"));
    makeFile(makeFolder(m_tmp->path(), "work"), "a.prt.1", "new");

    folder.removeFile("a.prt.1");
    QCOMPARE(namesIn(m_tmp->filePath("moved")), QStringList());
    QCOMPARE(namesIn(m_work), QStringList{"a.prt.1"});
}

// Two names of one file: only the listed name goes. The first entry that is not as listed
// stops the run, and nothing after it is touched.
void TestPinnedFolder::bulkStopsAtFirstFailure()
{
    for (const char *name : {"a.prt.1", "a.prt.2", "a.prt.4", "a.prt.5"})
        makeFile(m_work, name);
    QCOMPARE(::link(qPrintable(m_work + "/a.prt.1"), qPrintable(m_work + "/a.prt.3")), 0);
    makeFolder(m_work, "a.prt.6");
    const QStringList names = {"a.prt.1", "a.prt.2", "a.prt.6", "a.prt.4"};
    QList<quint64> inodes;
    for (const QString &name : names)
        inodes.append(inodeOf(m_work + "/" + name));
    PinnedFolder folder(m_work, readFolder(m_work).identity);
    int deleted = 0;
    QVERIFY_THROWS_EXCEPTION(PlatformError, folder.removeFiles(names, inodes, [&] { ++deleted; }));
    QCOMPARE(deleted, 2);
    QCOMPARE(namesIn(m_work), (QStringList{"a.prt.3", "a.prt.4", "a.prt.5", "a.prt.6"}));
}

void TestPinnedFolder::immutableEntryStays()
{
    const QString probe = makeFile(m_tmp->path(), "probe");
    const QString file = makeFile(m_work, "a.prt.1", "kept");
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
    // Whatever happens, the temporary folder must stay removable.
    auto unlock = qScopeGuard([&] {
        setImmutable(probe, false);
        setImmutable(m_work, false);
    });
    if (!setImmutable(probe, true))
        QSKIP("chattr +i does not work here");
    QVERIFY(setImmutable(m_work, true));

    PinnedFolder folder(m_work, readFolder(m_work).identity);
    QVERIFY_THROWS_EXCEPTION(PlatformError, folder.removeFile("a.prt.1"));
    // The write bit added for the deletion is taken away again when it fails.
    QCOMPARE(QFile::permissions(file) & (QFile::ReadOwner | QFile::WriteOwner), QFile::ReadOwner);
}

void TestPinnedFolder::splitsDirectChild_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("fullPath");
    QTest::addColumn<QString>("name"); // empty: not a direct child

    QTest::newRow("root") << "/" << "/a.prt.1" << "a.prt.1";
    QTest::newRow("root, in a subfolder") << "/" << "/work/a.prt.1" << "";
    QTest::newRow("folder") << "/work" << "/work/a.prt.1" << "a.prt.1";
    QTest::newRow("folder with slash") << "/work/" << "/work/a.prt.1" << "a.prt.1";
    QTest::newRow("in a subfolder") << "/work" << "/work/sub/a.prt.1" << "";
    QTest::newRow("sibling sharing the prefix") << "/work" << "/workshop/a.prt.1" << "";
    QTest::newRow("parent entry") << "/work" << "/work/.." << "";
}

void TestPinnedFolder::splitsDirectChild()
{
    QFETCH(QString, folder);
    QFETCH(QString, fullPath);
    QFETCH(QString, name);
    QString found;
    QCOMPARE(PinnedFolder::splitDirectChild(folder, fullPath, found), !name.isEmpty());
    QCOMPARE(found, name);
}

QTEST_MAIN(TestPinnedFolder)
#include "test_pinned_folder.moc"
