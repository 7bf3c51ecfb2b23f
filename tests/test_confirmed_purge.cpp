#include "delete_confirm.h"
#include "detailstext.h"
#include "dirlist.h"
#include "filelist.h"
#include "patternedit.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cstdio>

using Answer = MessageBoxes::Answer;

class TestConfirmedPurge : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void runShowsAndGivesBackTheWindow();
    void vanishedFileAbortsTheRun_data();
    void vanishedFileAbortsTheRun();
    void latestVersionBox_data();
    void latestVersionBox();
    void detailsFailureAlternates();
    void sizeLines_data();
    void sizeLines();
    void dateTimeText();
    void folderChangeDuringRun();
};

namespace {

const QStringList kFiles = {"p.prt.1", "p.prt.2", "p.prt.3", "p.prt.4", "p.prt.5"};

// Clicks the dialog's buttons, named by their first letters: Y(es), A(ll), N(o), C(ancel).
void answer(PurgeFixture &f, const QString &keys)
{
    for (QChar key : keys) {
        Delete_Confirm *d = f.h.confirm->dialog();
        QVERIFY2(d && d->isVisible(), "the dialog must be up to answer");
        QPushButton *button = key == 'Y'   ? d->Yes_Delete
                              : key == 'A' ? d->Yes_Delete_All
                              : key == 'N' ? d->No_Delete
                                           : d->Delete_Cancel;
        QTest::mouseClick(button, Qt::LeftButton);
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

void TestConfirmedPurge::answers()
{
    QFETCH(QStringList, files);
    QFETCH(QString, keys);
    QFETCH(QStringList, left);
    PurgeFixture f(files, true);
    QVERIFY(QFile::setPermissions(f.folder + "/" + files.first(), QFile::ReadOwner));
    f.purge();
    answer(f, keys);
    const int deleted = int(files.size() - left.size());
    QCOMPARE(f.h.messages.texts().mid(2), QStringList{QString::number(deleted) + " Pro Eng Files Deleted!"});
    QCOMPARE(namesIn(f.folder), left);
    f.expectIdle();
}

// During the run the nine controls rest, the purge list loses only deleted entries and its
// caption keeps the count of the start; closing the dialog ends the run like Cancel.
void TestConfirmedPurge::runShowsAndGivesBackTheWindow()
{
    PurgeFixture f(kFiles, true);
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
    QVERIFY(f.w->dirList->isEnabled() && f.w->txtSearchSpec->isEnabled());
    QCOMPARE(f.w->PurgeListLabel->text(), QStringLiteral("Number of files to purge = 4"));
    QCOMPARE(f.w->DeleteFiles->count(), 4);

    answer(f, "NY");
    QCOMPARE(f.w->DeleteFiles->count(), 3);
    QCOMPARE(f.w->DeleteFiles->item(0)->text(), f.folder + "/p.prt.1");
    QCOMPARE(f.w->DeleteFiles->item(1)->text(), f.folder + "/p.prt.3");
    QCOMPARE(f.w->PurgeListLabel->text(), QStringLiteral("Number of files to purge = 4"));
    QVERIFY(d->Delete_File_info->text().startsWith("Delete " + f.folder + "/p.prt.3 ?\n"));

    d->close(); // the close box
    QCOMPARE(f.h.messages.texts().mid(2), QStringList{"1 Pro Eng Files Deleted!"});
    QVERIFY(f.h.engine->AnswerCancel);
    QCOMPARE(namesIn(f.folder), (QStringList{"p.prt.1", "p.prt.3", "p.prt.4", "p.prt.5"}));
    f.expectIdle();
    for (QWidget *control : resting)
        QVERIFY(control->isEnabled());

    // The next run gets a fresh dialog.
    QTRY_VERIFY(!f.h.confirm->dialog());
    f.purge();
    QVERIFY(f.h.confirm->dialog() && f.h.confirm->dialog() != d);
    answer(f, "C");
    QCOMPARE(namesIn(f.folder).size(), 4);
}

void TestConfirmedPurge::vanishedFileAbortsTheRun_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("yes") << "Y" << kFiles;
    QTest::newRow("yes to all") << "A" << QStringList{"p.prt.3", "p.prt.4", "p.prt.5"};
}

void TestConfirmedPurge::vanishedFileAbortsTheRun()
{
    QFETCH(QString, keys);
    QFETCH(QStringList, left);
    PurgeFixture f(kFiles, true);
    f.purge();
    if (keys == "Y") {
        // Another file takes p.prt.1's name while the question about it is open (made first,
        // so it cannot get the old file's inode).
        makeFile(f.folder, "new");
        QCOMPARE(::rename(qPrintable(f.folder + "/new"), qPrintable(f.folder + "/p.prt.1")), 0);
    } else {
        QVERIFY(QFile::remove(f.folder + "/p.prt.2"));
    }
    answer(f, keys);
    const int deleted = keys == "Y" ? 0 : 1;
    QCOMPARE(f.h.messages.texts().mid(2),
             (QStringList{"Aborting Purge because files cannot be deleted - possible write protection!",
                          QString::number(deleted) + " Pro Eng Files Deleted!"}));
    QCOMPARE(f.h.messages.shown[2].icon, MessageBoxes::Icon::Critical);
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
    PurgeFixture f(files, true, folderName);
    f.purge();
    // The whole text is the label's accessible name; what it shows fits the box line by line.
    const QString text = f.h.confirm->dialog()->Latest_File_info->accessibleName();
    QVERIFY2(text.startsWith("Latest Version found is " + f.folder + "/" + latest + "\nCreated: "),
             qPrintable(text));
    QVERIFY(text.contains("\nLast Accessed: ") && text.contains("\nLast Modified: "));
    for (QLabel *box : {f.h.confirm->dialog()->Latest_File_info, f.h.confirm->dialog()->Delete_File_info}) {
        QVERIFY2(box->sizeHint().width() <= box->width() && box->sizeHint().height() <= box->height(),
                 qPrintable(box->text()));
        QCOMPARE(box->text().count('\n'), box->accessibleName().count('\n'));
    }
    QVERIFY(f.h.confirm->dialog()->Latest_File_info->text().section('\n', 0, 0).endsWith("/" + latest));
    QCOMPARE(f.h.engine->AskBaseName, latest.left(latest.lastIndexOf('.') + 1));
    answer(f, "C");
}

// Without the service the two boxes share one note: latest box, then nothing, file after file.
void TestConfirmedPurge::detailsFailureAlternates()
{
    PurgeFixture f({"a.prt.1", "a.prt.2", "a.prt.3"}, true);
    f.h.services.unavailable = true;
    f.purge();
    const QString note = "\n(No file info available in current environment)";
    Delete_Confirm *d = f.h.confirm->dialog();
    for (const char *file : {"a.prt.1", "a.prt.2"}) {
        QCOMPARE(d->Latest_File_info->text(), "Latest Version found is " + f.folder + "/a.prt.3" + note);
        QCOMPARE(d->Delete_File_info->text(), "Delete " + f.folder + "/" + file + " ?\n");
        answer(f, "N");
    }
    // The engine's own texts keep CR LF.
    f.h.engine->LatestDetailsPending = false;
    f.h.engine->ShowFileDetails(f.folder + "/x");
    QCOMPARE(f.h.engine->FileInfo, f.folder + "/x\r" + note);
    f.h.engine->ShowFileDetails(f.folder + "/x");
    QCOMPARE(f.h.engine->FileInfo, QString());
}

void TestConfirmedPurge::sizeLines_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << qint64(0) << "0 B";
    QTest::newRow("512") << qint64(512) << "0.512 KB";
    QTest::newRow("1,536") << qint64(1536) << "1.536 KB";
    QTest::newRow("1,000,000") << qint64(1000000) << "1000 KB";
    QTest::newRow("1,000,001") << qint64(1000001) << "1 MB";
    QTest::newRow("half to even, down") << qint64(1234500) << "1.234 MB";
    QTest::newRow("half to even, up") << qint64(1235500) << "1.236 MB";
    QTest::newRow("1,234,567") << qint64(1234567) << "1.235 MB";
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
    answer(f, "C");

    QCOMPARE(formatSize(1234500, QLocale(QLocale::German)), QStringLiteral("1,234 MB"));
    f.h.messages.shown.clear();
    f.w->DeleteFiles_DblClick(); // the list is empty again
    QCOMPARE(f.h.messages.texts(), QStringList{"No file info available in current environment"});
}

void TestConfirmedPurge::dateTimeText()
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QDateTime midnight(QDate(2026, 3, 7), QTime(0, 0));
    QCOMPARE(formatDateTime(midnight, us), QStringLiteral("3/7/26"));
    const QString afternoon = formatDateTime(QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)), us);
    QCOMPARE(afternoon, QStringLiteral("3/7/26 2:05:09 PM"));
}

// Browsing on while the dialog waits: the run still deletes its own list in its own folder.
void TestConfirmedPurge::folderChangeDuringRun()
{
    PurgeFixture f(kFiles, true);
    const QString other = makeFolder(f.h.home(), "other");
    for (const QString &name : kFiles)
        makeFile(other, name);
    f.purge();
    f.w->dirList->setPath(other);
    QCOMPARE(f.w->Pro_Eng_files->text(), QStringLiteral("Pro Eng Files = 5"));
    answer(f, "A");
    QCOMPARE(namesIn(f.folder), QStringList{"p.prt.5"});
    QCOMPARE(namesIn(other), kFiles);
    QCOMPARE(f.w->filList->folder(), other);
}

QTEST_MAIN(TestConfirmedPurge)
#include "test_confirmed_purge.moc"
