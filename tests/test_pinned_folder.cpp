#include "fileoperations.h"
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

// Deleting through the pinned folder: the edges below the purge, which the window's tests
// cannot reach.
class TestPinnedFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void refusesBadName_data();
    void refusesBadName();
    void worksInTheListedFolder_data();
    void worksInTheListedFolder();
    void leavesModesAlone();

private:
    FileIdentity listed(const QString &name) const;

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_work;
    FileOperations m_system;
};

namespace {

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

FileIdentity TestPinnedFolder::listed(const QString &name) const
{
    const FolderListing listing = readFolder(m_work);
    return listing.fileIdentities.value(listing.files.indexOf(name));
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

// Even with the identity of a file that is there, a name that is not one entry of the folder
// deletes nothing.
void TestPinnedFolder::refusesBadName()
{
    QFETCH(QString, name);
    makeFile(m_work, "a.prt.1");
    makeFile(makeFolder(m_work, "x"), "y");
    makeFile(m_tmp->path(), "outside.prt.1");
    PinnedFolder folder(m_work, readFolder(m_work).identity, m_system);
    QVERIFY_THROWS_EXCEPTION(PlatformError, folder.removeFile(name, listed("a.prt.1")));
    QCOMPARE(namesIn(m_work), (QStringList{"a.prt.1", "x"}));
    QCOMPARE(namesIn(m_work + "/x"), QStringList{"y"});
    QCOMPARE(namesIn(m_tmp->path()), (QStringList{"outside.prt.1", "work"}));
}

void TestPinnedFolder::worksInTheListedFolder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("reached through a link") << "link";
    QTest::newRow("reached through a link, trailing slash") << "link/";
    QTest::newRow("renamed away after pinning") << "moved";
    QTest::newRow("renamed away and replaced before pinning") << "replaced";
}

// The folder the user listed, however it was reached; never another one put in its place.
void TestPinnedFolder::worksInTheListedFolder()
{
    QFETCH(QString, kind);
    makeFile(m_work, "a.prt.1", "listed");
    QString path = m_work;
    if (kind.startsWith("link")) {
        QVERIFY(QFile::link(m_work, m_tmp->filePath("link")));
        path = m_tmp->filePath(kind);
    }
    const FolderListing listing = readFolder(path);
    const FileIdentity file = listing.fileIdentities.value(0);
    if (kind == "replaced") {
        QVERIFY(QDir(m_tmp->path()).rename("work", "old"));
        makeFile(makeFolder(m_tmp->path(), "work"), "a.prt.1", "new");
        QVERIFY_THROWS_EXCEPTION(PlatformError, PinnedFolder(path, listing.identity, m_system));
        QCOMPARE(namesIn(m_work), QStringList{"a.prt.1"});
        return;
    }
    PinnedFolder folder(path, listing.identity, m_system);
    if (kind == "moved") {
        QVERIFY(QDir(m_tmp->path()).rename("work", "old"));
        makeFile(makeFolder(m_tmp->path(), "work"), "a.prt.1", "new");
    }
    folder.removeFile("a.prt.1", file);
    QCOMPARE(namesIn(kind == "moved" ? m_tmp->filePath("old") : m_work), QStringList());
    if (kind == "moved")
        QCOMPARE(namesIn(m_work), QStringList{"a.prt.1"});
}

// Deleting never changes a mode: not that of another name of the same file, and not that of
// a file that cannot be deleted.
void TestPinnedFolder::leavesModesAlone()
{
    const QString file = makeFile(m_work, "a.prt.1", "kept");
    const QString otherName = m_tmp->filePath("other name");
    QCOMPARE(::link(qPrintable(file), qPrintable(otherName)), 0);
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
    PinnedFolder(m_work, readFolder(m_work).identity, m_system).removeFile("a.prt.1", listed("a.prt.1"));
    QCOMPARE(namesIn(m_work), QStringList());
    QCOMPARE(QFile::permissions(otherName) & (QFile::ReadOwner | QFile::WriteOwner), QFile::ReadOwner);

    const QString probe = makeFile(m_tmp->path(), "probe");
    const QString locked = makeFile(m_work, "b.prt.1");
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner));
    // Whatever happens, the temporary folder must stay removable.
    auto unlock = qScopeGuard([&] {
        setImmutable(probe, false);
        setImmutable(m_work, false);
    });
    if (!setImmutable(probe, true))
        QSKIP("chattr +i does not work here");
    QVERIFY(setImmutable(m_work, true));
    PinnedFolder folder(m_work, readFolder(m_work).identity, m_system);
    QVERIFY_THROWS_EXCEPTION(PlatformError, folder.removeFile("b.prt.1", listed("b.prt.1")));
    QCOMPARE(QFile::permissions(locked) & (QFile::ReadOwner | QFile::WriteOwner), QFile::ReadOwner);
}

QTEST_MAIN(TestPinnedFolder)
#include "test_pinned_folder.moc"
