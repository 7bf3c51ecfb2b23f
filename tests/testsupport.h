#pragma once

#include "fileinformation.h"
#include "fileoperations.h"
#include "messageboxes.h"
#include "platformerror.h"
#include "platformsupport.h"

#include <QDir>
#include <QHash>
#include <QList>
#include <QStringList>
#include <functional>

// What each kind of system does its own way (tests/posix or tests/windows):
// a named pipe (FIFO), where the system has them; false where it has none.
bool makeFifo(const QString &path);
bool isFifo(const QString &path);
// Makes a file another user's, where this user may (root on Linux).
bool giveToAnotherUser(const QString &path);
// Whether this Windows program runs under Wine rather than on Windows.
bool runningUnderWine();

// Message boxes that answer from a script and remember everything that was shown.
class ScriptedMessageBoxes : public MessageBoxes
{
public:
    struct Shown
    {
        QString text, title;
        Icon icon;
        Buttons buttons;
        QString details;
    };
    // Answers the next Yes/No questions in order; a question beyond them is answered No.
    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                const QString &details = {}) override
    {
        shown.append({text, title, icon, buttons, details});
        if (whileShown)
            whileShown();
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }
    QStringList texts() const;

    QList<Answer> answers;
    QList<Shown> shown;
    // Called while each box is up, to look at what is behind it.
    std::function<void()> whileShown;
};

// The file-information service as in production, unless a test makes it unavailable.
class TestServices : public ServiceFactory
{
public:
    std::unique_ptr<FileSystemObject> createObject(const QString &className) override
    {
        if (unavailable)
            throw PlatformError(QStringLiteral("service switched off by the test"));
        return ServiceFactory::createObject(className);
    }
    bool unavailable = false;
};

// Creates a file (empty, or with content) or a folder (with its parents); gives the full path.
QString makeFile(const QString &folder, const QString &name, const QByteArray &content = {});
QString makeFolder(const QString &parent, const QString &name);
// Whether a program ran and succeeded.
bool runs(const QString &program, const QStringList &arguments);
// A file whose name is given as the bytes the file system keeps.
void makeRawFile(const QString &folder, const QByteArray &name);
// A path as the program shows it: with "\\" on Windows.
inline QString asShown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
// The Windows tests run under Wine, which makes no symbolic links (QFile::link makes a shortcut
// there) and has no POSIX file systems: what needs those is tested on Linux.
#ifdef Q_OS_WIN
#define SKIP_WITHOUT_POSIX() QSKIP("needs symbolic links or a POSIX file system: tested on Linux")
#else
#define SKIP_WITHOUT_POSIX() static_cast<void>(0)
#endif
inline QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}
// Names in a folder, hidden ones included, sorted as QStringList::sort does.
inline QStringList namesIn(const QString &folder)
{
    return sorted(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                         QDir::NoDotAndDotDot, QDir::Unsorted));
}
