#include "aboutform.h"
#include "dirlist.h"
#include "filelist.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QDir>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>

#include <cstdio>

using Answer = MessageBoxes::Answer;

class TestDeleteAndAbout : public QObject
{
    Q_OBJECT

private slots:
    void otherKeysOnlyReread_data();
    void otherKeysOnlyReread();
    void deleteKeyAsksTwice_data();
    void deleteKeyAsksTwice();
    void deleteKeyActsOnTheListedFile_data();
    void deleteKeyActsOnTheListedFile();
    void keyValues_data();
    void keyValues();
    void systemInformation_data();
    void systemInformation();
};

namespace {

// A window on a folder of three version files, one of them selected.
struct Selected : PurgeFixture
{
    explicit Selected(const QString &name = "a.prt.2", int key = Qt::Key_Delete,
                      Qt::KeyboardModifiers modifiers = {})
        : PurgeFixture({"a.prt.1", "a.prt.2", "notes.txt"}, true)
    {
        if (!name.isEmpty())
            w->filList->setCurrentIndex(w->filList->model()->index(int(w->filList->names().indexOf(name)), 0));
        this->key = key;
        this->modifiers = modifiers;
    }
    QStringList press(const QList<Answer> &answers)
    {
        h.messages.answers = answers;
        w->filList_KeyUp(key, modifiers);
        return h.messages.texts();
    }
    int key;
    Qt::KeyboardModifiers modifiers;
};

const Registry::Key HKLM = Registry::LocalMachine;

} // namespace

void TestDeleteAndAbout::otherKeysOnlyReread_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("key");
    QTest::newRow("delete, nothing selected") << "" << int(Qt::Key_Delete);
    QTest::newRow("arrow key") << "a.prt.2" << int(Qt::Key_Down);
    QTest::newRow("letter") << "a.prt.2" << int(Qt::Key_D);
}

void TestDeleteAndAbout::otherKeysOnlyReread()
{
    QFETCH(QString, selected);
    QFETCH(int, key);
    Selected s(selected, key);
    makeFile(s.folder, "new.prt.1");
    QCOMPARE(s.press({}), QStringList());
    QCOMPARE(s.w->filList->count(), 4); // re-read
    QCOMPARE(s.w->filList->text(s.w->filList->selectedRow()), selected); // the place is kept
}

void TestDeleteAndAbout::deleteKeyAsksTwice_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("no at the first") << 0 << QList<Answer>{Answer::No} << false;
    QTest::newRow("no at the second") << 0 << QList<Answer>{Answer::Yes, Answer::No} << false;
    QTest::newRow("yes, yes") << 0 << QList<Answer>{Answer::Yes, Answer::Yes} << true;
    QTest::newRow("shift+delete") << int(Qt::ShiftModifier) << QList<Answer>{Answer::Yes, Answer::Yes} << true;
}

void TestDeleteAndAbout::deleteKeyAsksTwice()
{
    QFETCH(int, modifiers);
    QFETCH(QList<Answer>, answers);
    QFETCH(bool, deleted);
    Selected s("a.prt.2", Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
    const QString path = s.folder + "/a.prt.2";
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    const QStringList texts = s.press(answers);
    const QStringList questions = {"Delete " + path + " ?", "Are you sure you want to delete " + path + "?"};
    QCOMPARE(texts.mid(0, answers.size()), questions.mid(0, answers.size()));
    QCOMPARE(texts.last(), deleted ? path + " deleted!" : "No file deleted! ");
    QCOMPARE(s.h.messages.shown.last().icon, MessageBoxes::Icon::None);
    QCOMPARE(QFile::exists(path), !deleted);
    QCOMPARE(s.w->Label1->text(), deleted ? "Files = 2" : "Files = 3");
    QCOMPARE(s.w->Pro_Eng_files->text(), deleted ? "Pro Eng Files = 1" : "Pro Eng Files = 2");
}

void TestDeleteAndAbout::deleteKeyActsOnTheListedFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("left"); // in the folder the file list shows, after the deletion
    QTest::newRow("replaced by another file") << "replaced" << QStringList{"a.prt.1", "a.prt.2", "b.prt.1", "notes.txt"};
    QTest::newRow("a symbolic link") << "link" << QStringList{"a.prt.1", "a.prt.2", "notes.txt"};
    QTest::newRow("in a folder reached through a link") << "linked folder" << QStringList{"a.prt.1", "notes.txt"};
}

// The Delete key removes the file as it was listed, a link as the link, in the folder the file
// list shows; another file put in its place stays, and the message says why.
void TestDeleteAndAbout::deleteKeyActsOnTheListedFile()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, left);
    Selected s;
    QString folder = s.folder;
    if (kind == "link") {
        QVERIFY(QFile::link("a.prt.2", folder + "/z.prt.9"));
        s.w->Command1_Click();
        s.w->filList->setCurrentIndex(s.w->filList->model()->index(3, 0));
    } else if (kind == "linked folder") {
        folder = s.h.path("linked");
        QVERIFY(QFile::link(s.folder, folder));
        s.w->dirList->setPath(folder);
        s.w->filList->setCurrentIndex(s.w->filList->model()->index(1, 0));
    }
    const QString path = folder + "/" + s.w->filList->text(s.w->filList->selectedRow());
    if (kind == "replaced") {
        makeFile(folder, "other");
        QCOMPARE(::rename(qPrintable(folder + "/other"), qPrintable(path)), 0);
        makeFile(folder, "b.prt.1");
    }
    const QStringList texts = s.press({Answer::Yes, Answer::Yes});
    QCOMPARE(namesIn(folder), left);
    if (kind == "replaced") {
        QCOMPARE(texts.last(), QStringLiteral("Could not delete file - check write access"));
        QCOMPARE(s.h.messages.shown.last().details,
                 path + ": has been replaced by another file since it was listed");
        QCOMPARE(s.w->filList->names(), left);
        QCOMPARE(s.w->Pro_Eng_files->text(), QStringLiteral("Pro Eng Files = 3"));
    } else {
        QCOMPARE(texts.last(), path + " deleted!");
    }
}

void TestDeleteAndAbout::keyValues_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("value");
    QTest::newRow("text with NUL") << Registry::TextType << QByteArray("C:\\msinfo\0", 10) << true << "C:\\msinfo";
    QTest::newRow("text without NUL") << Registry::TextType << QByteArray("C:\\msinfo") << true << "C:\\msinfo";
    QTest::newRow("number 05 01 00 00") << Registry::NumberType << QByteArray("\x05\x01\x00\x00", 4) << true << "21";
    QTest::newRow("expandable text") << quint32(2) << QByteArray("%SystemRoot%\0", 13) << true << "";
    QTest::newRow("no data") << Registry::TextType << QByteArray() << false << "";
}

void TestDeleteAndAbout::keyValues()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, read);
    QFETCH(QString, value);
    WindowHarness h;
    h.registry.setValue(HKLM, "SOFTWARE\\Test", "Value", type, data);
    AboutForm about(h.registry, h.starter, h.messages);
    QString result;
    QCOMPARE(about.GetKeyValue(HKLM, "SOFTWARE\\Test", "Value", result), read);
    QCOMPARE(result, value);
    result = "left over";
    QVERIFY(!about.GetKeyValue(HKLM, "SOFTWARE\\Missing", "Value", result));
    QVERIFY(!about.GetKeyValue(HKLM, "SOFTWARE\\Test", "Missing", result));
    QCOMPARE(result, QString());
}

void TestDeleteAndAbout::systemInformation_data()
{
    QTest::addColumn<QByteArray>("path");     // the MSINFO PATH value, if any
    QTest::addColumn<QByteArray>("location"); // the Shared Tools Location value, if any
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("started");
    QTest::newRow("path found") << QByteArray("/usr/bin/sysinfo\0", 17) << QByteArray() << true << "/usr/bin/sysinfo";
    QTest::newRow("path that will not start") << QByteArray("/gone/sysinfo\0", 14) << QByteArray() << false << "/gone/sysinfo";
    QTest::newRow("location with the program") << QByteArray() << QByteArray("tools") << true << "tools\\MSINFO32.EXE";
    QTest::newRow("location without it") << QByteArray() << QByteArray("empty") << true << "";
    QTest::newRow("nothing in the registry") << QByteArray() << QByteArray() << true << "";
}

void TestDeleteAndAbout::systemInformation()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, location);
    QFETCH(bool, starts);
    QFETCH(QString, started);
    WindowHarness h;
    // The location is taken relative to the working folder: put the program there.
    QTemporaryDir cwd;
    const QString before = QDir::currentPath();
    QDir::setCurrent(cwd.path());
    auto back = qScopeGuard([&before] { QDir::setCurrent(before); });
    makeFile(cwd.path(), "tools\\MSINFO32.EXE");
    if (!path.isEmpty())
        h.registry.setValue(HKLM, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", 1, path);
    if (!location.isEmpty())
        h.registry.setValue(HKLM, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", 1, location);
    h.starter.succeeds = starts;
    AboutForm about(h.registry, h.starter, h.messages);
    about.StartSysInfo();
    QCOMPARE(h.starter.started, started.isEmpty() ? QStringList() : QStringList{started});
    const bool message = started.isEmpty() || !starts;
    QCOMPARE(h.messages.texts(), message ? QStringList{"System Information Is Unavailable At This Time"} : QStringList());
}

QTEST_MAIN(TestDeleteAndAbout)
#include "test_delete_and_about.moc"
