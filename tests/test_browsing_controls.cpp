#include "drivelist.h"
#include "filelist.h"
#include "platformerror.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
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
    void fileListPatterns_data();
    void fileListPatterns();
    void drivesAreVolumes();
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
    QCOMPARE(sorted(readFolder(d).folders), (QStringList{"dirlink.prt.5", "folder.prt.9"}));
}

void TestBrowsingControls::fileListPatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("all files, also without dot")
        << "*.*" << QStringList{"a.asm.1", "a.prt.1", "a.prt.10", "b.PRT.2", "README"};
    QTest::newRow("letters match without regard to case")
        << "*.prt.*" << QStringList{"a.prt.1", "a.prt.10", "b.PRT.2"};
    QTest::newRow("question mark is one character") << "?.PRT.?" << QStringList{"a.prt.1", "b.PRT.2"};
    QTest::newRow("several patterns") << "*.asm.*;r*" << QStringList{"a.asm.1", "README"};
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

// Drives are volumes named by their mount points; the root comes first.
void TestBrowsingControls::drivesAreVolumes()
{
    DriveList drives;
    drives.setVolumes({{"/", "root"}, {"/media/usb", "usb"}});
    QCOMPARE(drives.driveOf("/media/usb/parts/x"), QStringLiteral("/media/usb"));
    QCOMPARE(drives.driveOf("/media/usbx"), QStringLiteral("/")); // only starts alike
    QVERIFY_THROWS_EXCEPTION(PlatformError, drives.setDrive("Q"));
    QCOMPARE(DriveList::systemVolumes().value(0).root, QStringLiteral("/"));
}

QTEST_MAIN(TestBrowsingControls)
#include "test_browsing_controls.moc"
