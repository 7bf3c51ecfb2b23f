#include "dirlist.h"
#include "drivelist.h"
#include "filelist.h"
#include "platformerror.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestBrowsingControls : public QObject
{
    Q_OBJECT

private slots:
    void fileListShowsOnlyFilesSorted();
    void sortMatchesPlainComparison();
    void fileListPatterns_data();
    void fileListPatterns();
    void fileListKeepsContentsOnFailure();
    void dirListSeparatesHighlightFromCurrent();
    void driveListNamesVolumesByMountPoint();
};

// Regular files and links to them, no dot files, no folders, no names that are not UTF-8;
// sorted without case, with an exact order among names that differ only in case.
void TestBrowsingControls::fileListShowsOnlyFilesSorted()
{
    QTemporaryDir dir;
    const QString d = dir.path();
    for (const char *name : {"b.prt.1", "B.prt.1", "a.prt.2", "A.prt.2", "c d.asm.1", "Ölwanne.prt.3",
                             ".hidden.prt.1", "zeta"})
        makeFile(d, QString::fromUtf8(name));
    makeFolder(d, QStringLiteral("folder.prt.9"));
    QVERIFY(QFile::link(d + "/zeta", d + "/link.prt.4"));
    QVERIFY(QFile::link(d + "/folder.prt.9", d + "/dirlink.prt.5"));
    QVERIFY(QFile::link(d + "/missing", d + "/dangling.prt.6"));
    QCOMPARE(mkfifo(QFile::encodeName(d + "/pipe.prt.7").constData(), 0600), 0);
    // "bad\xff.prt.1" is not UTF-8: Qt would show it with a replacement character.
    const QByteArray bad = QFile::encodeName(d) + "/bad\xff.prt.1";
    const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);

    FileList list;
    list.setFolder(d);
    const QStringList expected = {"A.prt.2", "a.prt.2", "B.prt.1", "b.prt.1", "c d.asm.1",
                                  "link.prt.4", "zeta", QString::fromUtf8("Ölwanne.prt.3")};
    QCOMPARE(list.names(), expected);
    QCOMPARE(list.count(), 8);
    QCOMPARE(list.folder(), d);
}

// Large lists take the fast path of the sort; it must agree with the plain comparison.
void TestBrowsingControls::sortMatchesPlainComparison()
{
    const QStringList alphabet = {"a", "A", "b", "B", ".", "_", "0", "1", "9", "ä", "Ä", "ß",
                                  " ", "z", "Z", "é", "~", "model_", ".prt.", "\U0001F600"};
    QRandomGenerator random(42);
    for (int round = 0; round < 50; ++round) {
        QStringList names;
        const int count = 1 + random.bounded(2000);
        for (int i = 0; i < count; ++i) {
            QString name;
            const int parts = 1 + random.bounded(8);
            for (int p = 0; p < parts; ++p)
                name += alphabet[random.bounded(alphabet.size())];
            names.append(name);
        }
        QStringList expected = names;
        std::sort(expected.begin(), expected.end(), [](const QString &a, const QString &b) {
            const int c = a.toCaseFolded().compare(b.toCaseFolded());
            return c != 0 ? c < 0 : a.compare(b) < 0;
        });
        sortFileNames(names);
        QCOMPARE(names, expected);
    }
}

void TestBrowsingControls::fileListPatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("all files, also without dot")
        << "*.*" << QStringList{"a.asm.1", "a.prt.1", "a.prt.10", "b.PRT.2", "README"};
    QTest::newRow("type pattern is exact in case")
        << "*.prt.*" << QStringList{"a.prt.1", "a.prt.10"};
    QTest::newRow("question mark is one character") << "?.prt.?" << QStringList{"a.prt.1"};
    QTest::newRow("several patterns")
        << "*.asm.*;*.PRT.*" << QStringList{"a.asm.1", "b.PRT.2"};
    QTest::newRow("blanks around patterns") << " *.asm.* ; README " << QStringList{"a.asm.1", "README"};
    QTest::newRow("empty pattern shows all")
        << "" << QStringList{"a.asm.1", "a.prt.1", "a.prt.10", "b.PRT.2", "README"};
    QTest::newRow("nothing matches") << "*.drw.*" << QStringList{};
    QTest::newRow("literal name") << "README" << QStringList{"README"};
}

void TestBrowsingControls::fileListPatterns()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (const char *name : {"a.prt.1", "a.prt.10", "b.PRT.2", "a.asm.1", "README"})
        makeFile(dir.path(), name);
    FileList list;
    list.setFolder(dir.path());
    list.setPattern(pattern);
    QCOMPARE(list.names(), expected);
    QCOMPARE(list.pattern(), pattern);
}

void TestBrowsingControls::fileListKeepsContentsOnFailure()
{
    QTemporaryDir dir;
    makeFile(dir.path(), "a.prt.1");
    FileList list;
    list.setFolder(dir.path());

    QVERIFY_THROWS_EXCEPTION(PlatformError, list.setPattern("sub/*.prt.*"));
    QCOMPARE(list.pattern(), QStringLiteral("*.*"));
    QVERIFY_THROWS_EXCEPTION(PlatformError, list.setFolder(dir.filePath("gone")));
    QCOMPARE(list.folder(), dir.path());
    QCOMPARE(list.names(), QStringList{"a.prt.1"});

    // The folder vanishing under the list makes a re-read fail, not show an empty folder.
    QVERIFY(QFile::remove(dir.filePath("a.prt.1")));
    QVERIFY(QDir(dir.path()).removeRecursively());
    QVERIFY_THROWS_EXCEPTION(PlatformError, list.refresh());
}

void TestBrowsingControls::dirListSeparatesHighlightFromCurrent()
{
    QTemporaryDir dir;
    const QString work = makeFolder(dir.path(), "work");
    makeFolder(work, "b");
    makeFolder(work, "A");
    makeFolder(work, ".hidden");
    makeFile(work, "file.prt.1");

    DirList list;
    QSignalSpy changed(&list, &DirList::pathChanged);
    list.setPath(work + "/"); // a trailing separator names the same folder
    QCOMPARE(list.path(), work);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(list.highlightedPath(), work);

    // The current folder's entry holds its subfolders, sorted, without hidden ones.
    const QTreeWidgetItem *current = list.currentItem();
    QCOMPARE(current->childCount(), 2);
    QCOMPARE(current->child(0)->data(0, Qt::UserRole).toString(), work + "/A");
    QCOMPARE(current->child(1)->data(0, Qt::UserRole).toString(), work + "/b");
    QCOMPARE(current->parent()->data(0, Qt::UserRole).toString(), dir.path());

    // Highlighting is not opening.
    list.setCurrentItem(current->child(1));
    QCOMPARE(list.highlightedPath(), work + "/b");
    QCOMPARE(list.path(), work);
    QCOMPARE(changed.count(), 1);

    // The same folder again raises no change; a missing one throws and changes nothing.
    list.setPath(work);
    QCOMPARE(changed.count(), 1);
    QVERIFY_THROWS_EXCEPTION(PlatformError, list.setPath(work + "/gone"));
    QVERIFY_THROWS_EXCEPTION(PlatformError, list.setPath(QString()));
    QCOMPARE(list.path(), work);
    QCOMPARE(changed.count(), 1);
}

void TestBrowsingControls::driveListNamesVolumesByMountPoint()
{
    QTemporaryDir dir;
    const QString usb = makeFolder(dir.path(), "media/usb");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(makeFolder(dir.path(), "home")));

    DriveList drives;
    drives.setVolumes({{"/", "root"}, {usb, "usb"}});
    QSignalSpy changed(&drives, &DriveList::driveChanged);
    QCOMPARE(drives.drive(), QStringLiteral("/"));
    QCOMPARE(drives.driveOf(usb + "/parts/x"), usb);
    QCOMPARE(drives.driveOf(usb + "x"), QStringLiteral("/")); // a name that only starts alike
    QCOMPARE(drives.folderOn("/"), QDir::homePath());
    QCOMPARE(drives.folderOn(usb), usb);

    // A visited folder becomes its drive's current one and shows that drive, silently.
    drives.noteFolder(usb + "/parts");
    QCOMPARE(drives.drive(), usb);
    QCOMPARE(drives.folderOn(usb), usb + "/parts");
    QCOMPARE(changed.count(), 0);

    // A saved drive is the first character of a folder path.
    drives.setDrive("/");
    QCOMPARE(drives.drive(), QStringLiteral("/"));
    QCOMPARE(changed.count(), 1);
    drives.setDrive("/"); // no change, no event
    QCOMPARE(changed.count(), 1);
    QVERIFY_THROWS_EXCEPTION(PlatformError, drives.setDrive("Q"));
    QVERIFY_THROWS_EXCEPTION(PlatformError, drives.setDrive(""));
    QCOMPARE(drives.drive(), QStringLiteral("/"));

    const QList<DriveList::Volume> real = DriveList::systemVolumes();
    QVERIFY(!real.isEmpty());
    QCOMPARE(real.first().root, QStringLiteral("/"));
    qputenv("HOME", oldHome);
}

QTEST_MAIN(TestBrowsingControls)
#include "test_browsing_controls.moc"
