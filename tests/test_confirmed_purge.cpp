#include "delete_confirm.h"
#include "detailstext.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using Answer = ProModule::Answer;

// The confirmed run: the engine's answers on real folders, and what only the windows show.
class TestConfirmedPurge : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void latestVersionBox_data();
    void latestVersionBox();
    void detailsFailureAlternates();
    void folderChangeDuringRun();
    void dateTimeText();
    void windowDuringTheRun();
    void sizeLines_data();
    void sizeLines();
};

namespace {

const QStringList kFiles = {"p.prt.1", "p.prt.2", "p.prt.3", "p.prt.4", "p.prt.5"};

// Answers the dialog, one letter an answer: Y(es), A(ll), N(o), C(ancel).
void answer(EngineFixture &f, const QString &keys)
{
    for (QChar key : keys) {
        QVERIFY2(f.view.dialogVisible, "the dialog must be up to answer");
        f.engine.OnConfirmAnswer(key == 'Y'   ? Answer::Yes
                                 : key == 'A' ? Answer::YesToAll
                                 : key == 'N' ? Answer::No
                                              : Answer::Cancel);
    }
}

} // namespace

void TestConfirmedPurge::answers_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("left");

    const QStringList one = {"q.prt.1", "q.prt.2"};
    QTest::newRow("one file, no") << one << "N" << one;
    QTest::newRow("one file, yes") << one << "Y" << QStringList{"q.prt.2"};
    QTest::newRow("yes to all at once") << kFiles << "A" << QStringList{"p.prt.5"};
    QTest::newRow("yes to all after noes") << kFiles << "NNA" << QStringList{"p.prt.1", "p.prt.2", "p.prt.5"};
    QTest::newRow("cancel at the third") << kFiles << "YNC" << QStringList{"p.prt.2", "p.prt.3", "p.prt.4", "p.prt.5"};
    QTest::newRow("yes and no to the end") << kFiles << "YNYN" << QStringList{"p.prt.2", "p.prt.4", "p.prt.5"};
}

// Each answer does what it says, read-only files included; the purge list loses only the
// deleted entries; the run ends with one report.
void TestConfirmedPurge::answers()
{
    QFETCH(QStringList, files);
    QFETCH(QString, keys);
    QFETCH(QStringList, left);
    EngineFixture f(files, true);
    QVERIFY(QFile::setPermissions(f.folder + "/" + files.first(), QFile::ReadOwner));
    f.purge();
    QVERIFY(!f.view.controlsEnabled);
    QCOMPARE(f.view.purgeListCaption, "Number of files to purge = " + QString::number(files.size() - 1));
    QVERIFY(f.view.deleteInfo.startsWith("Delete " + f.folder + "/" + files.first() + " ?\r\nCreated: "));
    answer(f, keys);
    const int deleted = int(files.size() - left.size());
    QCOMPARE(f.messages.texts().mid(2), QStringList{QString::number(deleted) + " Pro Eng Files Deleted!"});
    QCOMPARE(namesIn(f.folder), left);
    f.expectIdle();
}

void TestConfirmedPurge::latestVersionBox_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("latest");

    QTest::newRow("numbers, not text") << "work" << QStringList{"part.prt.9", "part.prt.10"} << "part.prt.10";
    QTest::newRow("dotted folder") << "pro.e" << QStringList{"part.prt.1", "part.prt.2"} << "part.prt.2";
    QTest::newRow("dotted model") << "work" << QStringList{"a.b.asm.2", "a.b.asm.3", "a.asm.9"} << "a.b.asm.3";
    QTest::newRow("highest of several") << "work" << QStringList{"m.drw.1", "m.drw.7", "m.drw.3"} << "m.drw.7";
    const QString longName = QString(58, 'f');
    QTest::newRow("path of 200 characters") << longName + "/" + longName + "/" + longName
                                            << QStringList{"a.asm.1", "a.asm.2"} << "a.asm.2";
}

void TestConfirmedPurge::latestVersionBox()
{
    QFETCH(QString, folderName);
    QFETCH(QStringList, files);
    QFETCH(QString, latest);
    EngineFixture f(files, true);
    const QString folder = f.dir.filePath(folderName);
    if (folderName != "work") {
        QDir().mkpath(QFileInfo(folder).path());
        QVERIFY(QFile::rename(f.folder, folder));
        f.view.open(folder);
        f.engine.CountProEngFiles();
    }
    f.purge();
    const QString text = f.view.latestInfo;
    QVERIFY2(text.startsWith("Latest Version found is " + folder + "/" + latest + "\r\nCreated: "),
             qPrintable(text));
    QVERIFY(text.contains("\r\nLast Accessed: ") && text.contains("\r\nLast Modified: "));
    answer(f, "C");
}

// Without the service the two boxes share one note: latest box, then nothing, file after file.
void TestConfirmedPurge::detailsFailureAlternates()
{
    EngineFixture f({"a.prt.1", "a.prt.2", "a.prt.3"}, true);
    f.services.unavailable = true;
    f.purge();
    for (const char *file : {"a.prt.1", "a.prt.2"}) {
        QCOMPARE(f.view.latestInfo, "Latest Version found is " + f.folder +
                                        "/a.prt.3\r\n(No file info available in current environment)");
        QCOMPARE(f.view.deleteInfo, "Delete " + f.folder + "/" + file + " ?\r\n");
        answer(f, "N");
    }
}

// Browsing on while the dialog waits: the run still deletes its own list in its own folder.
void TestConfirmedPurge::folderChangeDuringRun()
{
    EngineFixture f(kFiles, true);
    const QString other = makeFolder(f.dir.path(), "other");
    for (const QString &name : kFiles)
        makeFile(other, name);
    f.purge();
    f.view.open(other);
    f.engine.CountProEngFiles();
    answer(f, "A");
    QCOMPARE(namesIn(f.folder), QStringList{"p.prt.5"});
    QCOMPARE(namesIn(other), kFiles);
    QCOMPARE(f.view.counters, (QList<int>{5, 5}));
}

void TestConfirmedPurge::dateTimeText()
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(formatDateTime(QDateTime(QDate(2026, 3, 7), QTime(0, 0)), us), QStringLiteral("3/7/26"));
    QCOMPARE(formatDateTime(QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)), us),
             QStringLiteral("3/7/26 2:05:09 PM"));
    QCOMPARE(formatSize(1234500, QLocale(QLocale::German)), QStringLiteral("1,234 MB"));
}

// On screen: the focus starts on Cancel, the nine controls rest, the purge list shows and
// loses deleted entries, every line of both boxes fits a long path; closing the dialog ends
// the run like Cancel, and the next run gets a fresh dialog.
void TestConfirmedPurge::windowDuringTheRun()
{
    const QString longName = QString(58, 'f');
    PurgeFixture f(kFiles, true, longName + "/" + longName + "/" + longName);
    f.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.w));
    f.purge();
    Delete_Confirm *d = f.h.confirm->dialog();
    QVERIFY(QTest::qWaitForWindowActive(d));
    QCOMPARE(QApplication::focusWidget(), d->Delete_Cancel);
    const QList<QWidget *> resting = {f.w->Purge_Command, f.w->Ask, f.w->Command1, f.w->Command2,
                                      f.w->Command3, f.w->Command4, f.w->Command5, f.w->Command6, f.w->Command7};
    for (QWidget *control : resting)
        QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
    QCOMPARE(f.w->PurgeListLabel->text(), QStringLiteral("Number of files to purge = 4"));
    for (QLabel *box : {d->Latest_File_info, d->Delete_File_info}) {
        QVERIFY2(box->sizeHint().width() <= box->width() && box->sizeHint().height() <= box->height(),
                 qPrintable(box->text()));
        QCOMPARE(box->text().count('\n'), box->accessibleName().count('\n'));
    }
    QVERIFY(d->Latest_File_info->text().section('\n', 0, 0).endsWith("/p.prt.5"));
    QTest::mouseClick(d->No_Delete, Qt::LeftButton);
    QTest::mouseClick(d->Yes_Delete, Qt::LeftButton);
    QCOMPARE(f.w->DeleteFiles->count(), 3);
    QCOMPARE(f.w->DeleteFiles->item(1)->text(), f.folder + "/p.prt.3");
    QVERIFY(d->Delete_File_info->accessibleName().startsWith("Delete " + f.folder + "/p.prt.3 ?\n"));

    d->close(); // the close box
    QCOMPARE(f.h.messages.texts().mid(2), QStringList{"1 Pro Eng Files Deleted!"});
    QCOMPARE(namesIn(f.folder), (QStringList{"p.prt.1", "p.prt.3", "p.prt.4", "p.prt.5"}));
    f.expectIdle();
    for (QWidget *control : resting)
        QVERIFY(control->isEnabled());
    QTRY_VERIFY(!f.h.confirm->dialog());
    f.purge();
    QVERIFY(f.h.confirm->dialog() && f.h.confirm->dialog() != d);
    QTest::mouseClick(f.h.confirm->dialog()->Delete_Cancel, Qt::LeftButton);
    QCOMPARE(namesIn(f.folder).size(), 4);
}

void TestConfirmedPurge::sizeLines_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << qint64(0) << "0 B";
    QTest::newRow("512") << qint64(512) << "0.512 KB";
    QTest::newRow("1,000,000") << qint64(1000000) << "1000 KB";
    QTest::newRow("1,000,001") << qint64(1000001) << "1 MB";
    QTest::newRow("half to even, down") << qint64(1234500) << "1.234 MB";
    QTest::newRow("half to even, up") << qint64(1235500) << "1.236 MB";
}

// The purge list's double click shows the size line of the file.
void TestConfirmedPurge::sizeLines()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, line);
    PurgeFixture f({"s.prt.2"}, true);
    QFile file(makeFile(f.folder, "s.prt.1"));
    QVERIFY(file.resize(bytes));
    f.w->Command1_Click();
    f.purge();
    f.h.messages.shown.clear();
    f.w->DeleteFiles->setCurrentRow(0);
    f.w->DeleteFiles_DblClick();
    const QString text = f.h.messages.texts().value(0);
    QVERIFY2(text.startsWith(f.folder + "/s.prt.1\r\nFile Size :  " + line + "\nCreated: "), qPrintable(text));
    // Below the last entry there is no file to tell about, whatever was selected.
    QTest::mouseDClick(f.w->DeleteFiles->viewport(), Qt::LeftButton, {},
                       QPoint(5, f.w->DeleteFiles->viewport()->height() - 5));
    QCOMPARE(f.h.messages.texts().value(1), "No file info available in current environment");
    QTest::mouseClick(f.h.confirm->dialog()->Delete_Cancel, Qt::LeftButton);
    f.h.messages.shown.clear();
    f.w->DeleteFiles_DblClick(); // the list is empty again
    QCOMPARE(f.h.messages.texts(), QStringList{"No file info available in current environment"});
}

QTEST_MAIN(TestConfirmedPurge)
#include "test_confirmed_purge.moc"
